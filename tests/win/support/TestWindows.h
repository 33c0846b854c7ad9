#pragma once
// The window side of the tests: running a thread's messages, window handles as the client reads
// them, and window classes that only need a procedure.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace pellicor::test
{

// Runs messages until the condition holds or the time is up; the condition's last answer.
inline bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;)
    {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (condition())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 10 ? left : 10),
                                    QS_ALLINPUT);
    }
}

// Runs this thread's messages (timers, posted work, paints) for the given time.
inline void PumpMessages(std::chrono::milliseconds duration = std::chrono::milliseconds(0))
{
    PumpUntil([] { return false; }, duration);
}

// A window handle as it travels on the pipe: 16 upper-case hexadecimal digits.
inline std::wstring HandleText(HWND window)
{
    wchar_t text[17] = {};
    std::swprintf(text, 17, L"%016llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}

// Registers a class of this program with the given procedure; a class that exists already serves.
inline void RegisterWindowClass(const wchar_t* name, WNDPROC procedure = ::DefWindowProcW)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = name;
    ::RegisterClassW(&windowClass);
}

} // namespace pellicor::test
