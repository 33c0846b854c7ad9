#pragma once
// Explorer's windows as the shell extension finds them: their classes and the walks from a top-level
// Explorer window down to its views. The context menu and the view integration both look for them.
#include <windows.h>

namespace pellicor
{

// From Vista on: top-level window > tab > DUI view > view window (DirectUIHWND) > ... > view host
// (SHELLDLL_DefView) > items view (DirectUIHWND).
inline constexpr wchar_t kShellTabWindowClass[] = L"ShellTabWindowClass";
inline constexpr wchar_t kDuiViewWindowClass[] = L"DUIViewWndClassName";
inline constexpr wchar_t kDirectUiWindowClass[] = L"DirectUIHWND";
inline constexpr wchar_t kDefViewWindowClass[] = L"SHELLDLL_DefView";
// Before Vista the items view is a list view inside a notify sink, or an ActiveX control's host.
inline constexpr wchar_t kCtrlNotifySinkWindowClass[] = L"CtrlNotifySink";
inline constexpr wchar_t kListViewWindowClass[] = L"SysListView32";
inline constexpr wchar_t kActiveXHostWindowClass[] = L"AtlAxWin";

// Whether the system is older than Vista: no tabs in Explorer, and menus that cannot show a bitmap
// beside a text item by themselves. Programs may be told an older version for compatibility, and
// that is what counts. The answer never changes while the process lives.
bool RunsBeforeVista() noexcept;

// The first direct child of `parent` of the class; null for a null parent. Never searches the
// top-level windows.
HWND FindChild(HWND parent, const wchar_t* className) noexcept;

// Walks the descendants of `ancestor` in EnumChildWindows order and returns, from the first one that
// has any, its first direct child of the class.
HWND FindChildOfDescendant(HWND ancestor, const wchar_t* className) noexcept;

// The view window (DirectUIHWND) of a tab's DUI view; null when either is missing.
HWND FindTabViewWindow(HWND tab) noexcept;

// The view window that menu commands name to the client: that of the window's first tab, or the
// window itself when it has no tabs (not Explorer, or Explorer before Vista).
HWND FindViewWindowOf(HWND topLevel) noexcept;

} // namespace pellicor
