#pragma once
#include <windows.h>

namespace drovana
{

// The calls that create the client's process with the Explorer token. Tests under Wine, where the
// first way always succeeds, pass their own to reach the ways after it; the launcher uses the system's.
struct ProcessStarters
{
    decltype(&::CreateProcessAsUserW) createProcessAsUser = &::CreateProcessAsUserW;
    decltype(&::CreateProcessWithTokenW) createProcessWithToken = &::CreateProcessWithTokenW;
};

// Starts application with commandLine as the interactive user: Explorer's token, then Explorer's token
// with the user's own environment through the secondary logon, then the own token lowered to
// Explorer's integrity level, then a one-shot scheduler task. preferredSid (the command line's SID, or
// null) picks that user's Explorer when several users are signed in.
bool StartAsInteractiveUser(const wchar_t* application, const wchar_t* commandLine,
                            const wchar_t* preferredSid = nullptr, const ProcessStarters& starters = {});
bool CreateProcessWithUserToken(HANDLE explorerToken, const wchar_t* application, const wchar_t* commandLine,
                                const ProcessStarters& starters = {});
bool CreateRestrictedProcess(HANDLE explorerToken, const wchar_t* application, const wchar_t* commandLine);
bool CreateProcessUseSchedulerTask(const wchar_t* application, const wchar_t* commandLine);

} // namespace drovana
