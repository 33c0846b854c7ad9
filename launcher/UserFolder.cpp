#include "launcher/UserFolder.h"

#include "launcher/core/UserFolderPath.h"

#include <cstring>
#include <memory>

namespace drovana
{

namespace
{
// Folders are held without delete sharing: while they are open, nobody can rename or delete them.
constexpr DWORD kHoldFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kFolderAccess = FILE_READ_ATTRIBUTES | FILE_TRAVERSE | SYNCHRONIZE;

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

pellicor::UniqueFile OpenFolder(const std::wstring& path, DWORD flags)
{
    return pellicor::UniqueFile(
        ::CreateFileW(path.c_str(), kFolderAccess, kHoldFolderShare, nullptr, OPEN_EXISTING, flags, nullptr));
}
} // namespace

UserFolder::UserFolder(const std::wstring& profile, const std::wstring& folder, bool createLast)
{
    const auto names = FoldersBelow(profile, folder);
    if (profile.empty() || !names)
    {
        m_status = UserPathStatus::Refused;
        return;
    }
    // The profile itself is followed if an administrator made it a link: its reported path is where
    // the folders below must then lie.
    pellicor::UniqueFile root = OpenFolder(profile, FILE_FLAG_BACKUP_SEMANTICS);
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
        const std::wstring path = m_path + L"\\" + name;
        const std::wstring expected = m_reported + L"\\" + name;
        constexpr DWORD kNoFollow = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
        pellicor::UniqueFile next = OpenFolder(path, kNoFollow);
        if (!next && createLast && i + 1 == names->size() &&
            StatusOfFailedOpen(::GetLastError()) == UserPathStatus::Missing)
        {
            // Made inside a parent that is held open; a link planted at the name meanwhile makes this
            // fail, and the open below refuses it.
            ::CreateDirectoryW(path.c_str(), nullptr);
            next = OpenFolder(path, kNoFollow);
        }
        if (!next)
        {
            m_status = StatusOfFailedOpen(::GetLastError());
            return;
        }
        if (!IsPlainObject(next.get(), expected, true, false))
        {
            m_status = UserPathStatus::Refused;
            return;
        }
        m_chain.push_back(std::move(next));
        m_path = path;
        m_reported = expected;
    }
    m_status = UserPathStatus::Open;
}

UserFile UserFolder::OpenFile(const std::wstring& name, DWORD access, DWORD share, Create create,
                              bool singleName) const
{
    UserFile file;
    if (m_status != UserPathStatus::Open)
    {
        file.status = m_status;
        return file;
    }
    const std::wstring path = m_path + L"\\" + name;
    // Folders open too, so that a folder where a file belongs is recognised and refused.
    constexpr DWORD kNoFollow =
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
    access |= FILE_READ_ATTRIBUTES;
    // An existing file is opened, a missing one created new: never "open or create", which creates
    // the target of a dangling link where links are followed.
    for (int attempt = 0; attempt < 2 && !file.handle; ++attempt)
    {
        file.handle.reset(
            ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, kNoFollow, nullptr));
        if (file.handle || ::GetLastError() != ERROR_FILE_NOT_FOUND || create != Create::IfMissing)
            break;
        file.handle.reset(
            ::CreateFileW(path.c_str(), access, share, nullptr, CREATE_NEW, kNoFollow, nullptr));
        if (!file.handle && ::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (!file.handle)
    {
        file.status = StatusOfFailedOpen(::GetLastError());
        return file;
    }
    if (!IsPlainObject(file.handle.get(), m_reported + L"\\" + name, false, singleName))
    {
        file.handle.reset();
        file.status = UserPathStatus::Refused;
        return file;
    }
    file.status = UserPathStatus::Open;
    return file;
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
