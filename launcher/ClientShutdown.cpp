// Closing the client and the document editor before their files are replaced or removed: WM_CLOSE
// first, so that they can save and leave cleanly, and termination only after a bounded number of tries.
#include "launcher/Shutdown.h"

#include "common/UniqueHandle.h"
#include "launcher/ProcessToken.h"

#include <windows.h>

namespace drovana
{

namespace
{
struct CloseTarget
{
    const wchar_t* windowClass;
    const wchar_t* windowTitle;
    int attempts;
    const wchar_t* imageName; // killed when the window is still there after the last attempt
};

constexpr CloseTarget kClient{L"wxWindowNR", L"Pellicor.StorageClient.MainWindow", 30, L"drovana.exe"};
constexpr CloseTarget kEditor{L"#32770", L"pellicor.quick_pen.main_window", 40, L"Quickpen.exe"};

constexpr DWORD kPauseAfterAttemptMs = 200;

// How long one WM_CLOSE may keep the launcher waiting. A window that is working handles WM_CLOSE well
// within this (it saves and starts to close); a thread that has taken no message for 5 s counts as
// hung, and SMTO_ABORTIFHUNG then returns at once instead of waiting. So a hung client costs about
// 5 s of waits plus the 30 pauses before it is killed, and even two windows that answer no attempt
// cost at most (30 + 40) x (500 + 200) ms = 49 s: /Install ends within the minute an installer may
// wait. A message that times out is still handled when the window gets to it, so a window that is
// slow to close still closes by itself at a later attempt.
constexpr UINT kCloseMessageTimeoutMs = 500;

bool CloseProgram(const CloseTarget& target)
{
    for (int attempt = 0; attempt < target.attempts; ++attempt)
    {
        HWND window = ::FindWindowW(target.windowClass, target.windowTitle);
        if (!window)
            return true;
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseMessageTimeoutMs, &ignored);
        ::Sleep(kPauseAfterAttemptMs);
    }
    return KillProcessByName(target.imageName);
}
} // namespace

bool CloseClient()
{
    return CloseProgram(kClient);
}

bool CloseEditor()
{
    return CloseProgram(kEditor);
}

bool KillProcessByName(const wchar_t* imageName)
{
    if (!imageName)
        return false;
    return ForEachProcessInScope(imageName,
                                 [](const PROCESSENTRY32W& entry)
                                 {
                                     // A process we may not open is left running.
                                     pellicor::UniqueKernelHandle process(
                                         ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
                                     if (process)
                                         ::TerminateProcess(process.get(), 1);
                                     return true;
                                 });
}

} // namespace drovana
