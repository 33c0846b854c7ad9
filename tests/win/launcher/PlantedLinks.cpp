#include "tests/win/launcher/PlantedLinks.h"

#include "common/UniqueHandle.h"
#include "tests/win/launcher/LauncherHarness.h"
#include "tests/win/support/Processes.h"
#include "tests/win/support/TestPaths.h"

#include <gtest/gtest.h>

namespace pellicor::test::launcher
{

namespace
{
// What a Unix program makes is polled for, within this bound.
constexpr DWORD kUnixToolLimitMs = 10000;

std::wstring UnixPath(const std::wstring& path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!toUnix)
        return {};
    char* unix = toUnix(path.c_str());
    if (!unix)
        return {};
    const std::string narrow = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return std::wstring(narrow.begin(), narrow.end()); // prefix paths are ASCII
}

// Runs a program of the Unix side (Z:\bin\...) from a stand-in process of its own, which ends once it
// has started it: starting a Unix program from the test program itself has been seen to break the
// test thread's message queue for later waits. Wine gives no process handle for a Unix program.
bool RunUnixTool(const wchar_t* tool, const std::wstring& arguments)
{
    const UniqueKernelHandle process =
        StartProcess(BinPath(L"LauncherClientStub.exe"),
                     L"LauncherClientStub.exe --unix " + std::wstring(tool) + L" " + arguments);
    DWORD started = 1;
    return process && ::WaitForSingleObject(process.get(), kUnixToolLimitMs) == WAIT_OBJECT_0 &&
           ::GetExitCodeProcess(process.get(), &started) && started == 0;
}

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

bool Plant(LinkKind kind, const std::wstring& link, const std::wstring& target, bool folder)
{
    switch (kind)
    {
    case LinkKind::ApiSymbolicLink:
        ::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                              (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
                                  SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
        return FileExists(link);
    case LinkKind::HardLink:
        return !folder && ::CreateHardLinkW(link.c_str(), target.c_str(), nullptr) && FileExists(link);
    case LinkKind::UnixSymbolicLink:
    {
        const std::wstring unixLink = UnixPath(link);
        const std::wstring unixTarget = UnixPath(target);
        if (unixLink.empty() || unixTarget.empty() ||
            !RunUnixTool(L"ln", L"-s " + Quoted(unixTarget) + L" " + Quoted(unixLink)))
            return false;
        for (DWORD waited = 0; !FileExists(link) && waited < kUnixToolLimitMs; waited += 50)
            ::Sleep(50);
        return FileExists(link);
    }
    }
    return false;
}

} // namespace

const char* LinkKindName(LinkKind kind)
{
    switch (kind)
    {
    case LinkKind::ApiSymbolicLink:
        return "symbolic link (CreateSymbolicLinkW)";
    case LinkKind::UnixSymbolicLink:
        return "Unix symbolic link in the prefix";
    case LinkKind::HardLink:
        return "hard link (CreateHardLinkW)";
    }
    return "?";
}

PlantedLink::PlantedLink(LinkKind kind, std::wstring link, const std::wstring& target, bool folder)
    : m_kind(kind), m_link(std::move(link)), m_folder(folder), m_planted(Plant(kind, m_link, target, folder))
{
}

PlantedLink::~PlantedLink()
{
    if (!m_planted)
        return;
    if (m_kind == LinkKind::UnixSymbolicLink)
    {
        const std::wstring unixLink = UnixPath(m_link);
        if (!unixLink.empty())
            RunUnixTool(L"rm", L"-f " + Quoted(unixLink));
    }
    else if (m_folder)
    {
        ::RemoveDirectoryW(m_link.c_str());
    }
    else
    {
        ::DeleteFileW(m_link.c_str());
    }
    for (DWORD waited = 0; FileExists(m_link) && waited < kUnixToolLimitMs; waited += 50)
        ::Sleep(50);
    EXPECT_FALSE(FileExists(m_link)) << "the link stayed: " << ToUtf8(m_link);
}

FolderAside::FolderAside(std::wstring folder, bool fromUnix)
    : m_folder(std::move(folder)), m_fromUnix(fromUnix)
{
    m_moved = Move(m_folder, m_folder + L".aside");
    EXPECT_FALSE(FileExists(m_folder)) << "cannot move aside " << ToUtf8(m_folder);
}

FolderAside::~FolderAside()
{
    if (m_moved)
        Move(m_folder + L".aside", m_folder);
}

bool FolderAside::Move(const std::wstring& from, const std::wstring& to) const
{
    if (!m_fromUnix)
        return ::MoveFileW(from.c_str(), to.c_str()) != FALSE;
    const std::wstring unixFrom = UnixPath(from);
    const std::wstring unixTo = UnixPath(to);
    if (unixFrom.empty() || unixTo.empty() || !RunUnixTool(L"mv", Quoted(unixFrom) + L" " + Quoted(unixTo)))
        return false;
    for (DWORD waited = 0; FileExists(from) && waited < kUnixToolLimitMs; waited += 50)
        ::Sleep(50);
    return !FileExists(from);
}

} // namespace pellicor::test::launcher
