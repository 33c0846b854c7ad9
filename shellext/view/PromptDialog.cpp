// Dialog 111's procedure. While the client's panel is attached the dialog stays hidden and only
// receives the client's messages; while nobody is signed in it is the band across the top of the
// folder view: picture, name, the "not signed in" text and the link that starts the client.
#include "shellext/view/PromptDialog.h"

#include "shellext/resources/ResourceIds.h"
#include "shellext/server/ShellExt.h"
#include "shellext/settings/Settings.h"
#include "shellext/view/Hyperlink.h"
#include "shellext/view/PromptMessages.h"

namespace pellicor
{

namespace
{

// How long the client's panel window may take to answer before it counts as hung.
constexpr UINT kPanelAnswerLimitMs = 500;

// Starts the client as the App Paths entry names it. The click has no visible result either way:
// the client shows itself, and a missing or broken entry is simply nothing to start.
void StartClient()
{
    const std::wstring path = ReadClientExecutablePath();
    if (path.empty())
        return;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &process))
    {
        UniqueKernelHandle thread(process.hThread);
        UniqueKernelHandle started(process.hProcess);
    }
}

// The band's background: bitmap 119 stretched over the whole dialog.
void PaintBand(HWND dialog, HDC dc)
{
    UniqueBitmap band(static_cast<HBITMAP>(::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_PROMPT_BAND),
                                                        IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    BITMAP info{};
    if (!band || !::GetObjectW(band.get(), sizeof(info), &info))
        return;
    UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    if (!memory)
        return;
    RECT client{};
    ::GetClientRect(dialog, &client);
    ScopedSelectObject selected(memory.get(), band.get());
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, 0, 0, client.right - client.left, client.bottom - client.top, memory.get(), 0, 0,
                 info.bmWidth, info.bmHeight, SRCCOPY);
}

} // namespace

const PromptDialog::Route PromptDialog::kRoutes[] = {
    {WM_INITDIALOG, &PromptDialog::OnInitDialog},
    {WM_ERASEBKGND, &PromptDialog::OnEraseBackground},
    {WM_COMMAND, &PromptDialog::OnCommand},
    {WM_CTLCOLORSTATIC, &PromptDialog::OnCtlColorStatic},
    {WM_PROMPT_ATTACH_WINDOW, &PromptDialog::OnAttachWindow},
    {WM_PROMPT_SIGNED_OUT, &PromptDialog::OnSignedOut},
    {WM_PROMPT_DRAW_AVATAR, &PromptDialog::OnDrawAvatar},
    {WM_PROMPT_POLL_SIGN_IN, &PromptDialog::OnPollSignIn},
};

INT_PTR CALLBACK PromptDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    try
    {
        if (message == WM_INITDIALOG)
        {
            if (!lParam)
                return FALSE;
            ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            ModuleReference().Detach(); // this procedure runs until the dialog's WM_NCDESTROY
        }
        // Until WM_INITDIALOG has named the instance nothing is handled: the client's messages then
        // find nobody.
        auto* self = reinterpret_cast<CShellExt*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        if (!self)
            return FALSE;
        if (message == WM_NCDESTROY)
        {
            ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
            OnNcDestroy(*self, dialog);
            ModuleReference::ReleaseDetached();
            return FALSE;
        }
        for (const Route& route : kRoutes)
        {
            if (route.message == message)
                return route.handler(*self, dialog, wParam, lParam);
        }
    }
    catch (...)
    {
    }
    return FALSE;
}

INT_PTR PromptDialog::OnInitDialog(CShellExt& self, HWND dialog, WPARAM, LPARAM)
{
    AttachHyperlink(::GetDlgItem(dialog, IDC_PROMPT_LINK));
    ::SetDlgItemTextW(dialog, IDC_PROMPT_NICKNAME, self.m_nickName.c_str());
    return TRUE;
}

INT_PTR PromptDialog::OnEraseBackground(CShellExt&, HWND dialog, WPARAM wParam, LPARAM)
{
    PaintBand(dialog, reinterpret_cast<HDC>(wParam));
    return TRUE;
}

INT_PTR PromptDialog::OnCommand(CShellExt&, HWND, WPARAM wParam, LPARAM)
{
    // Only the link's click (STN_CLICKED, code 0): a double click then starts the client once.
    if (wParam != MAKEWPARAM(IDC_PROMPT_LINK, STN_CLICKED))
        return FALSE;
    StartClient();
    return TRUE;
}

INT_PTR PromptDialog::OnCtlColorStatic(CShellExt&, HWND dialog, WPARAM wParam, LPARAM lParam)
{
    // Repainting the frame paints over the picture: draw the picture again once the paint is done.
    if (::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_PROMPT_PICTURE)
        ::PostMessageW(dialog, WM_PROMPT_DRAW_AVATAR, 0, 0);
    ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
}

INT_PTR PromptDialog::OnAttachWindow(CShellExt& self, HWND dialog, WPARAM, LPARAM lParam)
{
    const HWND panel = reinterpret_cast<HWND>(lParam);
    // Only a real window, and never one that would become its own ancestor.
    if (!self.m_viewWindow || !::IsWindow(panel) || panel == self.m_viewWindow ||
        ::IsChild(panel, self.m_viewWindow))
        return TRUE;
    // SetParent waits without limit for the panel's thread, in the client: a client that does not
    // answer would hang the Explorer window. Its panel is then not placed, as if it had refused.
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kPanelAnswerLimitMs, &answer))
        return OnSignedOut(self, dialog, 0, 0);
    ::SetParent(panel, self.m_viewWindow);
    return TRUE;
}

INT_PTR PromptDialog::OnSignedOut(CShellExt& self, HWND, WPARAM, LPARAM)
{
    self.ShowSignInPrompt();
    self.m_panelState = SignInPrompt;
    return TRUE;
}

INT_PTR PromptDialog::OnDrawAvatar(CShellExt& self, HWND dialog, WPARAM, LPARAM)
{
    self.DrawAvatar(dialog);
    return TRUE;
}

INT_PTR PromptDialog::OnPollSignIn(CShellExt& self, HWND, WPARAM wParam, LPARAM)
{
    if (self.m_signInPollTimer.IsFrom(wParam))
        self.PollSignIn();
    return TRUE;
}

void PromptDialog::OnNcDestroy(CShellExt& self, HWND dialog) noexcept
{
    // Destroyed with its parent, the view host: the instance must not keep the dead handle.
    if (self.m_promptDialog == dialog)
        self.m_promptDialog = nullptr;
}

} // namespace pellicor
