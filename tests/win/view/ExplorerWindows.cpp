#include "tests/win/view/ExplorerWindows.h"

#include "tests/win/support/TestWindows.h"

namespace pellicor::test
{

namespace
{

constexpr const wchar_t* kClassNames[] = {
    L"PellicorTestExplorer", L"ShellTabWindowClass", L"DUIViewWndClassName", L"DirectUIHWND",
    L"CtrlNotifySink",       L"SHELLDLL_DefView",    L"SysListView32",       L"AtlAxWin",
    L"PellicorTestPane",
};

void RegisterClassesOnce()
{
    static const bool registered = []
    {
        for (const wchar_t* name : kClassNames)
            RegisterWindowClass(name);
        return true;
    }();
    (void)registered;
}

HWND Child(HWND parent, const wchar_t* className)
{
    RECT client{};
    ::GetClientRect(parent, &client);
    return ::CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
                             client.bottom, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

HWND TopLevelWindow(const wchar_t* title)
{
    RegisterClassesOnce();
    return ::CreateWindowExW(0, L"PellicorTestExplorer", title, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20,
                             20, kWindowWidth, kWindowHeight, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                             nullptr);
}

} // namespace

ExplorerFrame::ExplorerFrame(const wchar_t* title) : m_topLevel(TopLevelWindow(title)) {}

VistaExplorerWindow::VistaExplorerWindow() : ExplorerFrame(L"Explorer (Windows 7)")
{
    const HWND tab = Child(m_topLevel.get(), L"ShellTabWindowClass");
    m_viewWindow = Child(Child(tab, L"DUIViewWndClassName"), L"DirectUIHWND");
    CreateFolderView();
}

void VistaExplorerWindow::CreateFolderView()
{
    m_folderView = Child(m_viewWindow, L"CtrlNotifySink");
    m_viewHost = Child(m_folderView, L"SHELLDLL_DefView");
    m_itemsView = Child(m_viewHost, L"DirectUIHWND");
}

XpExplorerWindow::XpExplorerWindow(bool activeXView)
    : ExplorerFrame(L"Explorer (Windows XP)"), m_activeX(activeXView)
{
    CreateFolderView();
}

void XpExplorerWindow::CreateFolderView()
{
    m_folderView = Child(m_topLevel.get(), L"SHELLDLL_DefView");
    const HWND duiWindow = Child(Child(m_folderView, L"DUIViewWndClassName"), L"DirectUIHWND");
    if (m_activeX)
    {
        m_viewHost = Child(Child(duiWindow, L"PellicorTestPane"), L"PellicorTestPane");
        m_itemsView = Child(m_viewHost, L"AtlAxWin");
    }
    else
    {
        m_viewHost = Child(duiWindow, L"CtrlNotifySink");
        m_itemsView = Child(m_viewHost, L"SysListView32");
    }
}

UniqueWindow CreatePlainWindow()
{
    RegisterClassesOnce();
    return UniqueWindow(::CreateWindowExW(0, L"PellicorTestPane", L"client panel", WS_POPUP, 0, 0, 100, 100,
                                          nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

} // namespace pellicor::test
