#include "launcher/UserFolder.h"

#include "launcher/Log.h"
#include "launcher/core/UserFolderPath.h"

#include <winternl.h>

#include <cstring>
#include <memory>

namespace drovana
{

namespace
{
// Folders are held without delete sharing: while they are open, nobody can rename or delete them.
constexpr DWORD kHoldFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kFolderAccess = FILE_READ_ATTRIBUTES | FILE_TRAVERSE | SYNCHRONIZE;

constexpr const wchar_t* kMadeBehindLink =
    L"refused %ls: it was made behind a link, a junction or a mount point, and is removed again";

// The system's open-by-name relative to a folder handle, from ntdll, which every process has loaded.
using NtCreateFileFn = NTSTATUS(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*,
                                        LARGE_INTEGER*, ULONG, ULONG, ULONG, ULONG, void*, ULONG);
using NtStatusToErrorFn = ULONG(NTAPI*)(NTSTATUS);

struct NtApi
{
    NtCreateFileFn createFile = nullptr;
    NtStatusToErrorFn statusToError = nullptr;
};

template <typename Fn> Fn Lookup(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

const NtApi& Nt()
{
    static const NtApi api = []
    {
        NtApi found;
        if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll"))
        {
            found.createFile = Lookup<NtCreateFileFn>(ntdll, "NtCreateFile");
            found.statusToError = Lookup<NtStatusToErrorFn>(ntdll, "RtlNtStatusToDosError");
        }
        return found;
    }();
    return api;
}

enum class Disposition
{
    OpenExisting,
    CreateNew,
};

// Opens or creates the object name directly inside the open folder parent, never following a reparse
// point at the name; folder makes a folder when creating. On failure the thread's last error says why.
pellicor::UniqueFile OpenChild(HANDLE parent, const std::wstring& name, DWORD access, DWORD share,
                               Disposition disposition, bool folder)
{
    const NtApi& nt = Nt();
    if (!nt.createFile || !nt.statusToError)
    {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return {};
    }
    if (name.size() > 0x7FFF)
    {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return {};
    }
    UNICODE_STRING objectName{};
    objectName.Buffer = const_cast<wchar_t*>(name.c_str()); // read only, as the system's own type allows
    objectName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    objectName.MaximumLength = objectName.Length;
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof(attributes);
    attributes.RootDirectory = parent;
    attributes.ObjectName = &objectName;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    IO_STATUS_BLOCK io{};
    ULONG options = FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT;
    if (folder && disposition == Disposition::CreateNew)
        options |= FILE_DIRECTORY_FILE;
    HANDLE handle = nullptr;
    const NTSTATUS status =
        nt.createFile(&handle, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &attributes, &io, nullptr,
                      FILE_ATTRIBUTE_NORMAL, share,
                      disposition == Disposition::CreateNew ? FILE_CREATE : FILE_OPEN, options, nullptr, 0);
    if (status < 0)
    {
        ::SetLastError(nt.statusToError(status));
        return {};
    }
    return pellicor::UniqueFile(handle);
}

// The path of the object behind the handle as the system reports it: a link that was followed
// shows as its target. This is what catches links where the system does not mark them as reparse
// points (Wine reports a Unix symbolic link with its target's attributes).
std::wstring ReportedPath(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        const DWORD units = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (units == 0)
            return {};
        if (units < path.size())
        {
            path.resize(units);
            return path;
        }
        path.assign(units + 1, L'\0');
    }
    return {};
}

UserPathStatus StatusOfFailedOpen(DWORD error)
{
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? UserPathStatus::Missing
                                                                            : UserPathStatus::Failed;
}

// Whether the handle is the plain object that expectedPath names: no reparse point, a folder or a file
// as asked, and reported under the expected path.
bool IsPlainObject(HANDLE handle, const std::wstring& expectedPath, bool folder, bool singleName)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info))
        return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return false;
    if (((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder)
        return false;
    if (singleName && info.nNumberOfLinks > 1)
        return false;
    return SameReportedPath(ReportedPath(handle), expectedPath);
}

struct ChildRequest
{
    DWORD access;
    DWORD share;
    bool create;
    bool folder;
    bool singleName;
    const std::function<void()>* beforeCreate;
};

// Opens name inside the held folder parent (path and reported its path as named and as the system
// reports it) and checks what was opened. An existing object is opened, a missing one created new:
// never "open or create", which creates the target of a dangling link where links are followed.
UserFile OpenCheckedChild(HANDLE parent, const std::wstring& path, const std::wstring& reported,
                          const std::wstring& name, const ChildRequest& request)
{
    UserFile child;
    if (!IsPlainName(name))
    {
        child.status = UserPathStatus::Refused;
        return child;
    }
    bool created = false;
    for (int attempt = 0; attempt < 2 && !child.handle; ++attempt)
    {
        child.handle =
            OpenChild(parent, name, request.access, request.share, Disposition::OpenExisting, request.folder);
        if (child.handle || ::GetLastError() != ERROR_FILE_NOT_FOUND || !request.create)
            break;
        if (request.beforeCreate && *request.beforeCreate)
            (*request.beforeCreate)();
        // Delete access, so that what fails the checks can be removed through its own handle.
        child.handle = OpenChild(parent, name, request.access | DELETE, request.share, Disposition::CreateNew,
                                 request.folder);
        created = static_cast<bool>(child.handle);
        if (!child.handle && ::GetLastError() != ERROR_ALREADY_EXISTS &&
            ::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (!child.handle)
    {
        child.status = StatusOfFailedOpen(::GetLastError());
        return child;
    }
    if (!IsPlainObject(child.handle.get(), reported + L"\\" + name, request.folder, request.singleName))
    {
        if (created)
        {
            DeleteOpenFile(child.handle.get());
            LogFormatWide(kMadeBehindLink, (path + L"\\" + name).c_str());
        }
        child.handle.reset();
        child.status = UserPathStatus::Refused;
        return child;
    }
    child.status = UserPathStatus::Open;
    return child;
}
} // namespace

UserFolder::UserFolder(const std::wstring& profile, const std::wstring& folder, bool createLast,
                       const std::function<void()>& beforeCreate)
{
    const auto names = FoldersBelow(profile, folder);
    if (profile.empty() || !names)
    {
        m_status = UserPathStatus::Refused;
        return;
    }
    // The profile itself is followed if an administrator made it a link: its reported path is where
    // the folders below must then lie.
    pellicor::UniqueFile root(::CreateFileW(profile.c_str(), kFolderAccess, kHoldFolderShare, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!root)
    {
        m_status = StatusOfFailedOpen(::GetLastError());
        return;
    }
    m_reported = ReportedPath(root.get());
    if (m_reported.empty())
        return;
    m_chain.push_back(std::move(root));
    m_path = profile;
    while (!m_path.empty() && m_path.back() == L'\\')
        m_path.pop_back();

    for (std::size_t i = 0; i < names->size(); ++i)
    {
        const std::wstring& name = (*names)[i];
        const bool create = createLast && i + 1 == names->size();
        UserFile next =
            OpenCheckedChild(m_chain.back().get(), m_path, m_reported, name,
                             {kFolderAccess, kHoldFolderShare, create, true, false, &beforeCreate});
        if (next.status != UserPathStatus::Open)
        {
            m_status = next.status;
            return;
        }
        m_chain.push_back(std::move(next.handle));
        m_path += L"\\" + name;
        m_reported += L"\\" + name;
    }
    m_status = UserPathStatus::Open;
}

UserFile UserFolder::OpenFile(const std::wstring& name, DWORD access, DWORD share, Create create,
                              bool singleName) const
{
    if (m_status != UserPathStatus::Open)
    {
        UserFile file;
        file.status = m_status;
        return file;
    }
    // Folders open too, so that a folder where a file belongs is recognised and refused.
    return OpenCheckedChild(m_chain.back().get(), m_path, m_reported, name,
                            {access, share, create == Create::IfMissing, false, singleName, nullptr});
}

bool RenameOpenFile(HANDLE file, const std::wstring& target)
{
    const std::size_t bytes = target.size() * sizeof(wchar_t);
    const std::size_t size = sizeof(FILE_RENAME_INFO) + bytes;
    auto buffer = std::make_unique<std::byte[]>(size);
    std::memset(buffer.get(), 0, size);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(bytes);
    std::memcpy(info->FileName, target.data(), bytes);
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(size)) != FALSE;
}

bool DeleteOpenFile(HANDLE file)
{
    FILE_DISPOSITION_INFO info{};
    info.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof(info)) != FALSE;
}

} // namespace drovana
