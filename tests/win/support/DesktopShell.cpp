#include "tests/win/support/DesktopShell.h"

#include "tests/win/support/Processes.h"
#include "tests/win/support/TestPaths.h"

#include <tlhelp32.h>

#include <functional>

namespace pellicor::test
{

namespace
{
// Guards against a desktop that never comes up; it normally takes well under a second.
constexpr DWORD kShellStartLimitMs = 20000;
constexpr DWORD kStandInLifetimeSeconds = 120;

// The first process named explorer.exe that matches, or 0.
DWORD FindExplorer(const std::function<bool(DWORD processId)>& match = [](DWORD) { return true; })
{
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry))
    {
        if (::lstrcmpiW(entry.szExeFile, L"explorer.exe") == 0 && match(entry.th32ProcessID))
            return entry.th32ProcessID;
    }
    return 0;
}

} // namespace

DWORD EnsureDesktopShell()
{
    // Wine starts its desktop process on a program's first look at the desktop, and the desktop
    // window belongs to that process.
    DWORD owner = 0;
    if (HWND desktop = ::GetDesktopWindow())
        ::GetWindowThreadProcessId(desktop, &owner);
    if (owner != 0)
        return FindExplorer([owner](DWORD processId) { return processId == owner; });

    // Only a desktop ended under this program gets here: the program still holds the old desktop
    // window, and Wine starts no other desktop process for it.
    if (const DWORD running = FindExplorer())
        return running;
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring explorer = std::wstring(system) + L"\\explorer.exe";
    const UniqueKernelHandle process = StartProcess(explorer, L"\"" + explorer + L"\" /desktop", system);
    if (!process)
        return 0;
    ::WaitForInputIdle(process.get(), kShellStartLimitMs);
    const ULONGLONG deadline = ::GetTickCount64() + kShellStartLimitMs;
    while (::GetTickCount64() < deadline)
    {
        if (const DWORD running = FindExplorer())
            return running;
        ::Sleep(50);
    }
    return 0;
}

ShieldedDesktopShell::ShieldedDesktopShell() : m_processId(EnsureDesktopShell())
{
    if (m_processId != 0)
        m_shield = std::make_unique<ProcessShield>(m_processId, kShellQueryOnly);
}

ExplorerStandIn::ExplorerStandIn(const wchar_t* imageName)
{
    static int s_count = 0;
    const std::wstring unique = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++s_count);
    const std::wstring path = m_folder.Path(imageName);
    if (!::CopyFileW(BinPath(L"ClientStandIn.exe").c_str(), path.c_str(), FALSE))
        return;
    m_process = StartProcess(path,
                             std::wstring(imageName) + L" --quiet --pipe \\\\.\\pipe\\pellicor-explorer-" +
                                 unique + L" --exit-after " + std::to_wstring(kStandInLifetimeSeconds),
                             m_folder.Root());
}

ExplorerStandIn::~ExplorerStandIn()
{
    if (m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT)
    {
        ::TerminateProcess(m_process.get(), 0xDEAD);
        ::WaitForSingleObject(m_process.get(), kShellStartLimitMs);
    }
}

DWORD ExplorerStandIn::ExitCodeAfterExit(DWORD timeoutMs) const
{
    DWORD code = STILL_ACTIVE;
    if (m_process && ::WaitForSingleObject(m_process.get(), timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(m_process.get(), &code);
    return code;
}

} // namespace pellicor::test
