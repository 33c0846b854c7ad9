#pragma once
// Stand-ins for the main windows of the client and the document editor, which the launcher closes
// with WM_CLOSE before it kills anything: each counts the WM_CLOSE messages it gets and closes on
// the first, as the real programs do, or never. Shared by the launcher's tests and its process tests.
#include "common/UniqueHandle.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace pellicor::test
{

constexpr const wchar_t* kClientClass = L"wxWindowNR";
constexpr const wchar_t* kClientTitle = L"Pellicor.StorageClient.MainWindow";
constexpr const wchar_t* kEditorClass = L"#32770"; // the editor's main window is a dialog
constexpr const wchar_t* kEditorTitle = L"pellicor.quick_pen.main_window";

class StandInWindow
{
public:
    StandInWindow(const wchar_t* className, const wchar_t* title, bool closes = true)
        : m_closesOnClose(closes)
    {
        const bool dialog = std::wstring(className) == kEditorClass;
        if (!dialog)
        {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = ::DefWindowProcW;
            windowClass.hInstance = ::GetModuleHandleW(nullptr);
            windowClass.lpszClassName = className;
            ::RegisterClassW(&windowClass); // fails harmlessly for a class registered before
        }
        m_window.reset(::CreateWindowExW(0, dialog ? WC_DIALOG : className, title, WS_OVERLAPPED, 0, 0, 100,
                                         100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
        EXPECT_TRUE(m_window) << "no stand-in window of class "
                              << testing::PrintToString(std::wstring(className));
        ::SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_original = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            m_window.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StandInWindow::Procedure)));
    }
    StandInWindow(const StandInWindow&) = delete;
    StandInWindow& operator=(const StandInWindow&) = delete;

    HWND get() const { return m_window.get(); }
    bool open() const { return ::IsWindow(m_window.get()) != FALSE; }
    int closes() const { return m_closes; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<StandInWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_CLOSE && self)
        {
            ++self->m_closes;
            if (self->m_closesOnClose)
                ::DestroyWindow(window);
            return 0;
        }
        return ::CallWindowProcW(self ? self->m_original : ::DefWindowProcW, window, message, wParam, lParam);
    }

    UniqueWindow m_window;
    WNDPROC m_original = nullptr;
    bool m_closesOnClose;
    int m_closes = 0;
};

// Waits until a top-level window with this class and title exists; false after timeoutMs.
inline bool WaitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD timeoutMs = 20000)
{
    const ULONGLONG start = ::GetTickCount64();
    while (!::FindWindowW(windowClass, title))
    {
        if (::GetTickCount64() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
    return true;
}

} // namespace pellicor::test
