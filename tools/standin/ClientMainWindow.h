#pragma once
// The client's main window as the launcher looks for it when it closes the client (class
// "wxWindowNR", title "Pellicor.StorageClient.MainWindow"), with a choice of how readily it closes,
// and a record file that tells a test what the process received.
//   --main-window first|N|never   close on the first WM_CLOSE, on the N-th, or never
//   --record FILE                 append "cmdline: <command line>" at start and "WM_CLOSE <n>" per message
// PELLICOR_STANDIN_RECORD=FILE in the environment does what --record does, for a stand-in that the
// launcher starts with the client's own command line.
#include <windows.h>

#include <string>

namespace pellicor::standin
{

struct ClientMainWindowOptions
{
    bool enabled = false;
    int closeOnMessage = 1; // 0: never closes
    std::wstring recordFile;
};

// Takes the switches above out of argv (argc shrinks) and records the command line when asked.
ClientMainWindowOptions TakeClientMainWindowOptions(int& argc, wchar_t** argv);

// The window lives on the creating thread, whose message loop must run; when it closes it posts
// WM_QUIT to that loop.
class ClientMainWindow
{
public:
    ClientMainWindow() = default;
    ClientMainWindow(const ClientMainWindow&) = delete;
    ClientMainWindow& operator=(const ClientMainWindow&) = delete;
    ~ClientMainWindow();

    bool Create(const ClientMainWindowOptions& options);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    ClientMainWindowOptions m_options;
    int m_closeMessages = 0;
};

} // namespace pellicor::standin
