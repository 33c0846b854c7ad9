#include "tests/win/launcher/LauncherHarness.h"

#include "common/UniqueHandle.h"
#include "launcher/Registration.h"
#include "launcher/core/VirtualDriveTable.h"
#include "tests/win/support/DesktopShell.h"
#include "tests/win/support/Processes.h"
#include "tests/win/support/TestPaths.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <regex>
#include <span>

namespace pellicor::test::launcher
{

namespace
{
constexpr const wchar_t* kClientStubFileName = L"LauncherClientStub.exe";
constexpr const wchar_t* kClientRecordName = L"client-command-line.txt";
// Guards against a hung launcher only; no test depends on how fast anything is.
constexpr DWORD kRunLimitMs = 180000;
constexpr DWORD kClientStartLimitMs = 30000;
} // namespace

LauncherFolder::LauncherFolder()
{
    EXPECT_TRUE(::CopyFileW(BinPath(kLauncherFileName).c_str(), launcher().c_str(), FALSE))
        << ToUtf8(launcher());
    EXPECT_TRUE(::CopyFileW(BinPath(kClientStubFileName).c_str(), client().c_str(), FALSE)) << ToUtf8(client());
}

DWORD LauncherFolder::RunWithTail(const std::wstring& tail) const
{
    ShieldedDesktopShell shell;
    EXPECT_TRUE(shell.active()) << "no desktop shell to shield";
    const UniqueKernelHandle process = StartProcess(launcher(), L"\"" + launcher() + L"\"" + tail, m_path);
    if (!process)
    {
        ADD_FAILURE() << "the launcher did not start, error " << ::GetLastError();
        return 0xFFFFFFFE;
    }
    HANDLE handle = process.get();

    const DWORD start = ::GetTickCount();
    for (;;)
    {
        const DWORD result = ::MsgWaitForMultipleObjects(1, &handle, FALSE, 100, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (::GetTickCount() - start > kRunLimitMs)
        {
            ::TerminateProcess(handle, 0xDEAD);
            ADD_FAILURE() << "the launcher hung with: " << ToUtf8(tail);
            return 0xFFFFFFFD;
        }
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(handle, &exitCode);
    return exitCode;
}

std::optional<std::wstring> LauncherFolder::ClientStart() const
{
    const auto bytes = ReadFileBytes(m_path + kClientRecordName);
    if (!bytes)
        return std::nullopt;
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes->data()), bytes->size() / sizeof(wchar_t));
}

std::optional<std::wstring> LauncherFolder::WaitForClientStart() const
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        if (auto started = ClientStart())
            return started;
        if (::GetTickCount() - start > kClientStartLimitMs)
            return std::nullopt;
        ::Sleep(100);
    }
}

void LauncherFolder::ForgetClientStart() const
{
    ::DeleteFileW((m_path + kClientRecordName).c_str());
}

std::wstring ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring LogFolder()
{
    return ShellFolder(CSIDL_APPDATA) + L"\\Pellicor";
}

std::wstring LogFile()
{
    return LogFolder() + L"\\FileSync.log";
}
std::wstring ArchiveFile()
{
    return LogFolder() + L"\\FileSync.archieve.log";
}

void RemoveLogFiles()
{
    ::DeleteFileW(LogFile().c_str());
    ::DeleteFileW(ArchiveFile().c_str());
}

std::vector<std::string> LogMessages()
{
    std::vector<std::string> messages;
    const auto bytes = ReadFileBytes(LogFile());
    if (!bytes)
        return messages;
    // Numbers without leading zeros: "0" alone, or a non-zero first digit.
    static const std::regex shape(
        "(\\d{4})-([1-9]|1[0-2])-([1-9]|[12]\\d|3[01]), ([0-9]|1\\d|2[0-3]):([0-9]|[1-5]\\d):"
        "([0-9]|[1-5]\\d): ");
    std::size_t position = 0;
    while (position < bytes->size())
    {
        const std::size_t end = bytes->find("\r\n", position);
        if (end == std::string::npos)
        {
            ADD_FAILURE() << "the log ends without CR LF: " << bytes->substr(position);
            break;
        }
        const std::string line = bytes->substr(position, end - position);
        std::smatch match;
        if (std::regex_search(line, match, shape, std::regex_constants::match_continuous))
            messages.push_back(line.substr(match.length(0)));
        else
            ADD_FAILURE() << "a log line without its time stamp: " << line;
        position = end + 2;
    }
    return messages;
}

void RemoveLauncherRegistration(HKEY userRoot)
{
    auto remove = [userRoot](std::span<const drovana::RegRow> rows)
    {
        for (const auto& row : rows)
        {
            const std::wstring key = row.key;
            // Keys shared with the rest of the system keep everything but our values.
            if (key == DROVANA_APPROVED_KEY || key == DROVANA_PLACES_BAR_KEY)
                ::RegDeleteKeyValueW(drovana::RootKey(row.root, userRoot), row.key, row.value);
            else
                ::SHDeleteKeyW(drovana::RootKey(row.root, userRoot), row.key);
        }
    };
    remove(drovana::kInstallerRows);
    remove(drovana::kRemovalRows);
    remove(drovana::kVirtualDriveClassRows);
    remove(drovana::kVirtualDriveUserRows);
}

} // namespace pellicor::test::launcher
