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

bool CloseProgram(const CloseTarget& target)
{
    for (int attempt = 0; attempt < target.attempts; ++attempt)
    {
        HWND window = ::FindWindowW(target.windowClass, target.windowTitle);
        if (!window)
            return true;
        // SendMessageW waits until the window has handled the message; a hung window holds the
        // launcher here, which is the price of letting the program close itself cleanly.
        ::SendMessageW(window, WM_CLOSE, 0, 0);
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
    return ForEachProcessNamed(imageName,
                               [](const PROCESSENTRY32W& entry)
                               {
                                   // A process we may not open (another user's) is left running.
                                   pellicor::UniqueKernelHandle process(
                                       ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
                                   if (process)
                                       ::TerminateProcess(process.get(), 1);
                                   return true;
                               });
}

} // namespace drovana
