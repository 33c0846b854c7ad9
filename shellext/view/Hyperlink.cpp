// A static text control made into a link by subclassing it and its parent. Each window keeps what
// it needs in window properties, so any number of links on any number of parents work without
// shared state; the properties and the underlined font go away with the windows.
#include "shellext/view/Hyperlink.h"

#include "common/UniqueHandle.h"
#include "shellext/server/ModuleReference.h"

#include <windowsx.h>

namespace pellicor
{

namespace
{

constexpr wchar_t kOriginalProcProperty[] = L"_Hyperlink_Original_Proc_";
constexpr wchar_t kOriginalFontProperty[] = L"_Hyperlink_Original_Font_";
constexpr wchar_t kUnderlineFontProperty[] = L"_Hyperlink_Underline_Font_";
constexpr wchar_t kFromStaticProperty[] = L"_Hyperlink_From_Static_";

constexpr COLORREF kLinkColour = RGB(0, 0, 192);

LRESULT CALLBACK HyperlinkParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HyperlinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

WNDPROC OriginalProc(HWND window)
{
    return reinterpret_cast<WNDPROC>(::GetPropW(window, kOriginalProcProperty));
}

LRESULT CallOriginal(WNDPROC original, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return original ? ::CallWindowProcW(original, window, message, wParam, lParam)
                    : ::DefWindowProcW(window, message, wParam, lParam);
}

// Puts the procedure that was there before back and forgets it. Our procedure no longer runs for the
// window, so the library need not stay loaded for it.
WNDPROC Unsubclass(HWND window)
{
    const WNDPROC original = OriginalProc(window);
    if (!original)
        return nullptr;
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    ::RemovePropW(window, kOriginalProcProperty);
    ModuleReference::ReleaseDetached();
    return original;
}

void Subclass(HWND window, WNDPROC procedure)
{
    const auto previous = ::GetWindowLongPtrW(window, GWLP_WNDPROC);
    if (!previous || !::SetPropW(window, kOriginalProcProperty, reinterpret_cast<HANDLE>(previous)))
        return;
    ModuleReference().Detach(); // given back by Unsubclass
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

LRESULT CALLBACK HyperlinkParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC original = OriginalProc(window);
    switch (message)
    {
    case WM_DESTROY:
        Unsubclass(window);
        return CallOriginal(original, window, message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
        if (::GetPropW(reinterpret_cast<HWND>(lParam), kFromStaticProperty))
        {
            // The parent chooses the brush; the link only changes the colour of the text.
            const LRESULT brush = CallOriginal(original, window, message, wParam, lParam);
            ::SetTextColor(reinterpret_cast<HDC>(wParam), kLinkColour);
            return brush;
        }
        break;
    }
    return CallOriginal(original, window, message, wParam, lParam);
}

void UseFontFrom(HWND window, const wchar_t* property)
{
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(::GetPropW(window, property)), FALSE);
    ::InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK HyperlinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC original = OriginalProc(window);
    switch (message)
    {
    case WM_SETCURSOR:
    {
        HCURSOR cursor = ::LoadCursorW(nullptr, IDC_HAND);
        ::SetCursor(cursor ? cursor : ::LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
    }
    case WM_MOUSEMOVE:
        // The capture tells when the mouse leaves: underlined while it holds, plain again after.
        if (::GetCapture() != window)
        {
            if (::GetPropW(window, kUnderlineFontProperty))
                UseFontFrom(window, kUnderlineFontProperty);
            ::SetCapture(window);
        }
        else
        {
            POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::ClientToScreen(window, &point);
            RECT bounds{};
            ::GetWindowRect(window, &bounds);
            if (!::PtInRect(&bounds, point))
            {
                UseFontFrom(window, kOriginalFontProperty);
                ::ReleaseCapture();
            }
        }
        break;
    case WM_DESTROY:
    {
        Unsubclass(window);
        ::SendMessageW(window, WM_SETFONT,
                       reinterpret_cast<WPARAM>(::GetPropW(window, kOriginalFontProperty)), FALSE);
        ::RemovePropW(window, kOriginalFontProperty);
        const UniqueFont underline(static_cast<HFONT>(::RemovePropW(window, kUnderlineFontProperty)));
        ::RemovePropW(window, kFromStaticProperty);
        break;
    }
    }
    return CallOriginal(original, window, message, wParam, lParam);
}

} // namespace

bool AttachHyperlink(HWND control)
{
    if (!control)
        return false;

    const HWND parent = ::GetParent(control);
    if (parent &&
        ::GetWindowLongPtrW(parent, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(HyperlinkParentProc))
        Subclass(parent, HyperlinkParentProc);

    ::SetWindowLongPtrW(control, GWL_STYLE, ::GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);
    Subclass(control, HyperlinkProc);

    const HFONT original = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    ::SetPropW(control, kOriginalFontProperty, original);
    LOGFONTW description{};
    if (::GetObjectW(original ? static_cast<HGDIOBJ>(original) : ::GetStockObject(SYSTEM_FONT),
                     sizeof(description), &description))
    {
        description.lfUnderline = TRUE;
        UniqueFont underline(::CreateFontIndirectW(&description));
        if (underline && ::SetPropW(control, kUnderlineFontProperty, underline.get()))
            underline.release(); // the control's property holds it until WM_DESTROY
    }
    ::SetPropW(control, kFromStaticProperty, reinterpret_cast<HANDLE>(1));
    return true;
}

} // namespace pellicor
