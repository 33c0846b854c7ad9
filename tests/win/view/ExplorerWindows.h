#pragma once
// Explorer windows as the view integration finds them: real windows of the classes Explorer uses,
// nested as Explorer nests them, with a folder view that a navigation replaces.
#include "common/UniqueHandle.h"

#include <windows.h>

namespace pellicor::test
{

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 500;

// Windows 7:  top level > ShellTabWindowClass > DUIViewWndClassName > DirectUIHWND (view window)
//             > CtrlNotifySink > SHELLDLL_DefView (view host) > DirectUIHWND (items view)
class VistaExplorerWindow
{
public:
    VistaExplorerWindow();
    HWND TopLevel() const { return m_topLevel.get(); }
    HWND ViewWindow() const { return m_viewWindow; }
    HWND ViewHost() const { return m_viewHost; }
    HWND ItemsView() const { return m_itemsView; }
    // A navigation: the folder view is destroyed and a new one created in its place.
    void ReplaceFolderView();

private:
    void CreateFolderView();

    UniqueWindow m_topLevel;
    HWND m_viewWindow = nullptr;
    HWND m_sink = nullptr;
    HWND m_viewHost = nullptr;
    HWND m_itemsView = nullptr;
};

// Windows XP: top level (view window) > SHELLDLL_DefView > DUIViewWndClassName > DirectUIHWND
//             > CtrlNotifySink (view host) > SysListView32 (items view)
// or, with an ActiveX view:  DirectUIHWND > a pane > AtlAxWin (items view; the pane is the host)
class XpExplorerWindow
{
public:
    explicit XpExplorerWindow(bool activeXView = false);
    HWND TopLevel() const { return m_topLevel.get(); }
    HWND ViewHost() const { return m_viewHost; }
    HWND ItemsView() const { return m_itemsView; }
    void ReplaceFolderView();

private:
    void CreateFolderView();

    bool m_activeX;
    UniqueWindow m_topLevel;
    HWND m_defView = nullptr;
    HWND m_viewHost = nullptr;
    HWND m_itemsView = nullptr;
};

class XpActiveXExplorerWindow : public XpExplorerWindow
{
public:
    XpActiveXExplorerWindow() : XpExplorerWindow(true) {}
};

// A plain top-level window, for example the client's panel window.
UniqueWindow CreatePlainWindow();

} // namespace pellicor::test
