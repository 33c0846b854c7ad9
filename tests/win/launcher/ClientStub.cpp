// Plays drovana.exe for the launcher's tests: records the command line it was started with beside
// itself, in client-command-line.txt (UTF-16), and exits. Started as "--window hang" it shows the client's
// main window and then takes no message ever again; as "--window slow MS" it takes MS milliseconds to handle
// WM_CLOSE, then closes and exits with 0. Either stops by itself after two minutes, so that a failed test
// leaves nothing behind. Started as
// "--unix TOOL ARGS" it starts Z:\bin\TOOL with ARGS for the link tests and exits with 0 once started.
#include "common/UniqueHandle.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace
{
constexpr DWORD kLifetimeMs = 120000;
DWORD g_closeDelayMs = 0;

LRESULT CALLBACK SlowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
    {
        ::Sleep(g_closeDelayMs); // busy, but not for long enough to count as hung
        ::DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY)
        ::PostQuitMessage(0);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

int ShowClientWindow(bool hang)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SlowWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"wxWindowNR";
    ::RegisterClassW(&windowClass);
    HWND window =
        ::CreateWindowExW(0, windowClass.lpszClassName, L"Pellicor.StorageClient.MainWindow", WS_OVERLAPPED,
                          0, 0, 100, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 2;
    if (hang)
    {
        ::Sleep(kLifetimeMs);
        return 3;
    }
    ::SetTimer(nullptr, 0, kLifetimeMs, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        if (msg.message == WM_TIMER && !msg.hwnd)
            return 3;
        ::DispatchMessageW(&msg);
    }
    return 0;
}
} // namespace

int main()
{
    const std::wstring commandLine = ::GetCommandLineW();
    if (const std::size_t unix = commandLine.find(L"--unix "); unix != std::wstring::npos)
    {
        std::wstring toolLine = commandLine.substr(unix + 7);
        const std::wstring program = L"Z:\\bin\\" + toolLine.substr(0, toolLine.find(L' '));
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(program.c_str(), toolLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info))
            return 1;
        if (info.hProcess)
            ::CloseHandle(info.hProcess);
        if (info.hThread)
            ::CloseHandle(info.hThread);
        return 0;
    }
    if (const std::size_t window = commandLine.find(L"--window "); window != std::wstring::npos)
    {
        const std::wstring mode = commandLine.substr(window + 9);
        g_closeDelayMs = static_cast<DWORD>(std::wcstoul(mode.c_str() + (mode.find(L' ') + 1), nullptr, 10));
        return ShowClientWindow(mode.rfind(L"hang", 0) == 0);
    }

    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring record(path, length);
    record = record.substr(0, record.find_last_of(L'\\') + 1) + L"client-command-line.txt";

    const std::wstring temporary = record + L".part";
    {
        pellicor::UniqueFile file(
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!file)
            return 1;
        DWORD written = 0;
        ::WriteFile(file.get(), commandLine.c_str(), static_cast<DWORD>(commandLine.size() * sizeof(wchar_t)),
                    &written, nullptr);
    }
    // Renamed when complete, so a reader never sees half a record.
    ::MoveFileExW(temporary.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
    return 0;
}
