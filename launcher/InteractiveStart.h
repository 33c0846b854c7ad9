#pragma once
#include <windows.h>

namespace drovana
{

// The calls that create the client's process, one for each way that starts it with a token. Tests
// under Wine, where the first way always succeeds, pass their own to see what each way is given and to
// reach the ways after it; the launcher uses the system's.
struct ProcessStarters
{
    decltype(&::CreateProcessAsUserW) createProcessAsUser = &::CreateProcessAsUserW;
    decltype(&::CreateProcessWithTokenW) createProcessWithToken = &::CreateProcessWithTokenW;
    decltype(&::CreateProcessAsUserW) createProcessWithFilteredToken = &::CreateProcessAsUserW;
};

// Starts application with commandLine as the interactive user, with that user's environment:
// Explorer's token, then Explorer's token through the secondary logon, then the elevated launcher's
// own filtered (linked) token when it is that user's, then a one-shot scheduler task. preferredSid
// (the command line's SID, or null) picks that user's Explorer when several users are signed in.
bool StartAsInteractiveUser(const wchar_t* application, const wchar_t* commandLine,
                            const wchar_t* preferredSid = nullptr, const ProcessStarters& starters = {});
bool CreateProcessWithUserToken(HANDLE explorerToken, const wchar_t* application, const wchar_t* commandLine,
                                const ProcessStarters& starters = {});
// The way with the launcher's filtered token; it logs why when it does not apply.
bool CreateRestrictedProcess(HANDLE explorerToken, const wchar_t* application, const wchar_t* commandLine,
                             const ProcessStarters& starters = {});
bool CreateProcessUseSchedulerTask(const wchar_t* application, const wchar_t* commandLine);

} // namespace drovana
