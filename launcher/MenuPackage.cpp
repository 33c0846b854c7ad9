#include "launcher/MenuPackage.h"

#include "common/MenuPackage.h"
#include "common/UniqueHandle.h"
#include "launcher/InteractiveStart.h"
#include "launcher/Log.h"
#include "launcher/ProcessToken.h"
#include "launcher/Registration.h"

#include <utility>

namespace drovana
{

namespace
{
using pellicor::UniqueKernelHandle;

// The starters are plain function pointers, so the one below leaves the process it started here for
// RunAsUser to wait on. The launcher starts one program at a time, on one thread.
thread_local HANDLE t_startedProcess = nullptr;

// The system folder: PowerShell needs no folder of its own, and the launcher's current folder may be
// one that the user cannot open (the administrator's, when another account elevated the installer).
std::wstring SystemFolder()
{
    wchar_t system[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(system, length);
}

// The secondary logon with Explorer's token and the user's own environment, as for the client, but
// with the console it always gets hidden, and keeping the process to learn how it ended.
BOOL WINAPI StartHiddenKeepingProcess(HANDLE token, DWORD logonFlags, LPCWSTR application, LPWSTR commandLine,
                                      DWORD flags, LPVOID environment, LPCWSTR, LPSTARTUPINFOW startup,
                                      LPPROCESS_INFORMATION started)
{
    startup->dwFlags |= STARTF_USESHOWWINDOW;
    startup->wShowWindow = SW_HIDE;
    const std::wstring folder = SystemFolder();
    if (!::CreateProcessWithTokenW(token, logonFlags, application, commandLine, flags, environment,
                                   folder.empty() ? nullptr : folder.c_str(), startup, started))
        return FALSE;
    t_startedProcess = std::exchange(started->hProcess, nullptr); // the caller closes only the thread
    return TRUE;
}

// Explorer's token: the package belongs to the user of the shell, not to the account that runs the
// launcher (an administrator who elevated the installer, or the system).
UniqueKernelHandle InteractiveUserToken(const wchar_t* preferredSid)
{
    UniqueKernelHandle token;
    if (!GetProcessTokenByName(kShellImageName, token.put(), preferredSid))
        token.reset();
    return token;
}

std::wstring PowerShellPath()
{
    const std::wstring system = SystemFolder();
    return system.empty() ? system : system + kPowerShellBelowSystem;
}

void RunScript(bool registering, HANDLE token, const std::wstring& script, const MenuPackageSystem& system)
{
    const std::wstring powerShell = PowerShellPath();
    const std::wstring commandLine = PowerShellCommandLine(powerShell, script);
    const UserRun run =
        system.runAsUser(token, powerShell.c_str(), commandLine.c_str(), system.waitMilliseconds);
    LogWrite(PackageRunLine(registering, run, system.waitMilliseconds / 1000).c_str());
}

// False when the package is of no use on this Windows; the line says so.
bool Wanted(const char* verb, const MenuPackageSystem& system)
{
    const DWORD build = system.windowsBuild();
    if (MenuPackageWanted(build))
        return true;
    LogFormat("menu package: %s skipped, Windows build %lu shows the classic menu only", verb,
              static_cast<unsigned long>(build));
    return false;
}

UniqueKernelHandle TokenFor(const char* verb, const wchar_t* preferredSid)
{
    UniqueKernelHandle token = InteractiveUserToken(preferredSid);
    if (!token)
        LogFormat("menu package: %s skipped, no Explorer runs (nobody signed in)", verb);
    return token;
}
} // namespace

UserRun RunAsUser(HANDLE userToken, const wchar_t* application, const wchar_t* commandLine,
                  DWORD waitMilliseconds)
{
    ProcessStarters starters;
    starters.createProcessWithToken = &StartHiddenKeepingProcess;
    // Only the secondary logon: the client's other ways would run the program as the launcher's own
    // account, registering the package for the wrong user, or lower the launcher's rights for the
    // steps that follow.
    if (!CreateProcessWithUserToken(userToken, application, commandLine, starters))
        return {UserRun::Outcome::NotStarted, ::GetLastError()};
    const UniqueKernelHandle process(std::exchange(t_startedProcess, nullptr));
    if (::WaitForSingleObject(process.get(), waitMilliseconds) != WAIT_OBJECT_0)
        return {UserRun::Outcome::TimedOut, 0};
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode))
        return {UserRun::Outcome::TimedOut, 0};
    return {UserRun::Outcome::Exited, exitCode};
}

void RegisterMenuPackage(const std::wstring& launcherDirectory, const wchar_t* preferredSid,
                         const MenuPackageSystem& system)
{
    if (!Wanted("register", system))
        return;
    const UniqueKernelHandle token = TokenFor("register", preferredSid);
    if (!token)
        return;
    // The folder that WriteInstallerReg registers the library in, so the package needs nothing else.
    const std::wstring location = ExternalLocation(InteractiveAppDataFolder(token.get()) + kLibraryFolder);
    const std::wstring package = launcherDirectory + pellicor::kMenuPackageFile;
    LogFormatWide(L"menu package: register %s, external location %s", package.c_str(), location.c_str());
    RunScript(true, token.get(), RegisterPackageScript(package, location), system);
}

void RemoveMenuPackage(const wchar_t* preferredSid, const MenuPackageSystem& system)
{
    if (!Wanted("remove", system))
        return;
    const UniqueKernelHandle token = TokenFor("remove", preferredSid);
    if (!token)
        return;
    LogFormatWide(L"menu package: remove %s", pellicor::kMenuPackageName);
    RunScript(false, token.get(), RemovePackageScript(pellicor::kMenuPackageName), system);
}

} // namespace drovana
