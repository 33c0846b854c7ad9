#include "tools/standin/ClientMainWindow.h"

#include "common/TextConversion.h"
#include "common/UniqueHandle.h"

#include <cwchar>

namespace pellicor::standin
{

namespace
{
constexpr const wchar_t* kWindowClass = L"wxWindowNR";
constexpr const wchar_t* kWindowTitle = L"Pellicor.StorageClient.MainWindow";
constexpr const wchar_t* kRecordVariable = L"PELLICOR_STANDIN_RECORD";

// One line appended as UTF-8, the file opened and closed each time, so that a reader sees every line
// even when the process is killed the moment after.
void AppendRecord(const std::wstring& file, const std::wstring& line)
{
    if (file.empty())
        return;
    UniqueFile out(::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out)
        return;
    const std::wstring text = line + L"\r\n";
    const std::string utf8 = ToUtf8(text);
    DWORD written = 0;
    ::WriteFile(out.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}
} // namespace

ClientMainWindowOptions TakeClientMainWindowOptions(int& argc, wchar_t** argv)
{
    ClientMainWindowOptions options;
    wchar_t fromEnvironment[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(kRecordVariable, fromEnvironment, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        options.recordFile = fromEnvironment;

    int kept = 1;
    for (int i = 1; i < argc; ++i)
    {
        const bool hasValue = i + 1 < argc;
        if (std::wcscmp(argv[i], L"--main-window") == 0 && hasValue)
        {
            const std::wstring mode = argv[++i];
            options.enabled = true;
            options.closeOnMessage = mode == L"never" ? 0 : mode == L"first" ? 1 : _wtoi(mode.c_str());
        }
        else if (std::wcscmp(argv[i], L"--record") == 0 && hasValue)
            options.recordFile = argv[++i];
        else
            argv[kept++] = argv[i];
    }
    argc = kept;

    AppendRecord(options.recordFile, std::wstring(L"cmdline: ") + ::GetCommandLineW());
    return options;
}

ClientMainWindow::~ClientMainWindow()
{
    if (m_window)
        ::DestroyWindow(m_window);
}

bool ClientMainWindow::Create(const ClientMainWindowOptions& options)
{
    m_options = options;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassW(&windowClass);
    m_window = ::CreateWindowExW(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 320, 200, nullptr, nullptr, windowClass.hInstance, this);
    return m_window != nullptr;
}

LRESULT CALLBACK ClientMainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
    {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ClientMainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);

    switch (message)
    {
    case WM_CLOSE:
        ++self->m_closeMessages;
        AppendRecord(self->m_options.recordFile, L"WM_CLOSE " + std::to_wstring(self->m_closeMessages));
        if (self->m_options.closeOnMessage > 0 && self->m_closeMessages >= self->m_options.closeOnMessage)
            ::DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        self->m_window = nullptr;
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace pellicor::standin
