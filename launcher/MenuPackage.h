#pragma once
// Windows 11's menu package: registered for the interactive user in "/Commit" and "/UpgradeFully",
// with the folder of the registered library as its external location, and removed in "/Uninstall".
// A package is registered per user and by that user, so PowerShell is started with the token of the
// user's Explorer and waited for a bounded time. Every outcome is logged; none stops the mode.
#include "common/WindowsBuild.h"
#include "launcher/core/MenuPackageCommands.h"

#include <windows.h>

#include <string>

namespace drovana
{

// How long the launcher waits for one registration or removal: PowerShell and the deployment service
// need a few seconds, a cold machine more. One that takes longer is left to finish on its own.
constexpr DWORD kMenuPackageWaitMilliseconds = 60000;

// Starts application with commandLine (its program name first) as the token's user, in the system
// folder with its window hidden, and waits at most waitMilliseconds for it to end.
UserRun RunAsUser(HANDLE userToken, const wchar_t* application, const wchar_t* commandLine,
                  DWORD waitMilliseconds);

// What the steps ask of the system. Tests under Wine, which reports Windows 10 and has no PowerShell,
// give their own to reach the registration and to record what would be started.
struct MenuPackageSystem
{
    DWORD (*windowsBuild)() = &pellicor::WindowsBuildNumber;
    UserRun (*runAsUser)(HANDLE, const wchar_t*, const wchar_t*, DWORD) = &RunAsUser;
    DWORD waitMilliseconds = kMenuPackageWaitMilliseconds;
};

// The package file beside the launcher (launcherDirectory ends in "\"); preferredSid (the command
// line's SID, or null) picks that user's Explorer when several users are signed in.
void RegisterMenuPackage(const std::wstring& launcherDirectory, const wchar_t* preferredSid = nullptr,
                         const MenuPackageSystem& system = {});
void RemoveMenuPackage(const wchar_t* preferredSid = nullptr, const MenuPackageSystem& system = {});

} // namespace drovana
