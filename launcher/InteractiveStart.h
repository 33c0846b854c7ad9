#pragma once
#include <windows.h>

namespace drovana
{

// Starts application with commandLine as the interactive user: Explorer's token, then the own token
// lowered to Explorer's integrity level, then a one-shot scheduler task.
bool StartAsInteractiveUser(const wchar_t* application, const wchar_t* commandLine);
bool CreateRestrictedProcess(HANDLE explorerToken, const wchar_t* application, const wchar_t* commandLine);
bool CreateProcessUseSchedulerTask(const wchar_t* application, const wchar_t* commandLine);

} // namespace drovana
