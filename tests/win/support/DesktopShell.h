#pragma once
// Wine's desktop process (explorer.exe) is the session's shell: the launcher borrows its token to start
// the client, and ends every Explorer after it has registered the extension. Wine starts the desktop
// process when a program first looks at the desktop and ends it a moment after the last program on the
// desktop has gone, so a test that needs a shell makes sure one runs (under ctest the desktop stays up
// for the whole run: support/keeper).
//
// No test ends the desktop process: a desktop ended under a running program breaks that program's
// later windows (X BadWindow, even after a restart) and makes later programs wait for a desktop. Code
// that ends every Explorer runs while the desktop is shielded, so that it fails to open it, and a
// stand-in named explorer.exe shows what happens to an Explorer that may be ended.
#include "common/UniqueHandle.h"
#include "tests/win/support/ProcessShield.h"
#include "tests/win/support/TempFolder.h"

#include <memory>
#include <string>

namespace pellicor::test
{

// The shell may be queried (its token read) but not ended.
constexpr DWORD kShellQueryOnly =
    PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | READ_CONTROL;

// The desktop process's id; "explorer.exe /desktop" is started first if none runs. 0 if none came up.
DWORD EnsureDesktopShell();

// Makes sure the desktop shell runs and keeps it from being ended while the scope lasts.
class ShieldedDesktopShell
{
public:
    ShieldedDesktopShell();
    ShieldedDesktopShell(const ShieldedDesktopShell&) = delete;
    ShieldedDesktopShell& operator=(const ShieldedDesktopShell&) = delete;

    DWORD processId() const { return m_processId; }
    bool active() const { return m_shield && m_shield->active(); }

private:
    DWORD m_processId = 0;
    std::unique_ptr<ProcessShield> m_shield;
};

// An Explorer that may be ended: a copy of ClientStandIn.exe under the given image name, in a folder of
// its own, serving a pipe of its own. It stops by itself after two minutes at the latest; the
// destructor ends it if it still runs and removes the folder.
class ExplorerStandIn
{
public:
    explicit ExplorerStandIn(const wchar_t* imageName = L"explorer.exe");
    ~ExplorerStandIn();
    ExplorerStandIn(const ExplorerStandIn&) = delete;
    ExplorerStandIn& operator=(const ExplorerStandIn&) = delete;

    bool started() const { return static_cast<bool>(m_process); }
    HANDLE process() const { return m_process.get(); }
    // The exit code once the process has ended within timeoutMs; STILL_ACTIVE if it has not.
    DWORD ExitCodeAfterExit(DWORD timeoutMs) const;

private:
    TempFolder m_folder;
    UniqueKernelHandle m_process;
};

} // namespace pellicor::test
