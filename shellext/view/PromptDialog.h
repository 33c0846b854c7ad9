#pragma once
// Dialog 111: the client's message endpoint inside the Explorer window while its panel is attached,
// and the sign-in band while it is not.
#include <windows.h>

namespace pellicor
{

class CShellExt;

class PromptDialog
{
public:
    // The dialog procedure; the creation parameter is the window's CShellExt instance.
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    using Handler = INT_PTR (*)(CShellExt& self, HWND dialog, WPARAM wParam, LPARAM lParam);
    struct Route
    {
        UINT message;
        Handler handler;
    };
    static const Route kRoutes[];

    static INT_PTR OnInitDialog(CShellExt& self, HWND dialog, WPARAM, LPARAM);
    static INT_PTR OnEraseBackground(CShellExt& self, HWND dialog, WPARAM, LPARAM);
    static INT_PTR OnCommand(CShellExt& self, HWND dialog, WPARAM, LPARAM);
    static INT_PTR OnCtlColorStatic(CShellExt& self, HWND dialog, WPARAM, LPARAM);
    static INT_PTR OnAttachWindow(CShellExt& self, HWND dialog, WPARAM, LPARAM);
    static INT_PTR OnSignedOut(CShellExt& self, HWND dialog, WPARAM, LPARAM);
    static INT_PTR OnDrawAvatar(CShellExt& self, HWND dialog, WPARAM, LPARAM);
    static INT_PTR OnPollSignIn(CShellExt& self, HWND dialog, WPARAM, LPARAM);
    static void OnNcDestroy(CShellExt& self, HWND dialog) noexcept;
};

} // namespace pellicor
