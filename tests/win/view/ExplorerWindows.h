#pragma once
// Explorer windows as the view integration finds them: real windows of the classes Explorer uses,
// nested as Explorer nests them, with a folder view that a navigation replaces.
#include "common/UniqueHandle.h"

#include <windows.h>

namespace pellicor::test
{

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 500;

// What every Explorer window shows the view integration: its top-level window, the host of the
// folder view and the items view in it. A navigation destroys the folder view (from folderView
// down) and creates a new one in its place.
class ExplorerFrame
{
public:
    virtual ~ExplorerFrame() = default;
    HWND TopLevel() const { return m_topLevel.get(); }
    HWND ViewHost() const { return m_viewHost; }
    HWND ItemsView() const { return m_itemsView; }
    void ReplaceFolderView()
    {
        ::DestroyWindow(m_folderView);
        CreateFolderView();
    }

protected:
    explicit ExplorerFrame(const wchar_t* title);
    virtual void CreateFolderView() = 0;

    UniqueWindow m_topLevel;
    HWND m_folderView = nullptr;
    HWND m_viewHost = nullptr;
    HWND m_itemsView = nullptr;
};

// Windows 7:  top level > ShellTabWindowClass > DUIViewWndClassName > DirectUIHWND (view window)
//             > CtrlNotifySink (folder view) > SHELLDLL_DefView (view host) > DirectUIHWND (items view)
class VistaExplorerWindow : public ExplorerFrame
{
public:
    VistaExplorerWindow();
    HWND ViewWindow() const { return m_viewWindow; }

private:
    void CreateFolderView() override;

    HWND m_viewWindow = nullptr;
};

// Windows XP: top level (view window) > SHELLDLL_DefView (folder view) > DUIViewWndClassName
//             > DirectUIHWND > CtrlNotifySink (view host) > SysListView32 (items view)
// or, with an ActiveX view:  DirectUIHWND > a pane > AtlAxWin (items view; the pane is the host)
class XpExplorerWindow : public ExplorerFrame
{
public:
    explicit XpExplorerWindow(bool activeXView = false);

private:
    void CreateFolderView() override;

    bool m_activeX;
};

class XpActiveXExplorerWindow : public XpExplorerWindow
{
public:
    XpActiveXExplorerWindow() : XpExplorerWindow(true) {}
};

// A plain top-level window, for example the client's panel window.
UniqueWindow CreatePlainWindow();

} // namespace pellicor::test
