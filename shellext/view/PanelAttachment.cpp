// The client's panel in an Explorer window. The client is another process and cannot find
// Explorer's windows by itself: we find them, create dialog 111 in the view host as the client's
// message endpoint (and our sign-in band), tell the client the handles, and from then on report
// settled resizes, selection changes and the window's end.
//
// Everything here runs on the Explorer window's thread. The two timer-queue timers only post back
// to that thread (PostingTimer), so no member is ever touched by two threads.
#include "shellext/server/ShellExt.h"

#include "common/OleHandles.h"
#include "shellext/channel/ClientRequests.h"
#include "shellext/resources/LocalizedString.h"
#include "shellext/resources/ResourceIds.h"
#include "shellext/view/ExplorerWindows.h"
#include "shellext/view/PromptDialog.h"
#include "shellext/view/PromptMessages.h"
#include "shellext/view/ViewRules.h"

#include <commctrl.h>
#include <shldisp.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace pellicor
{

namespace
{

// Windows XP only: while a navigation still finds the previous folder's view, attaching is retried.
constexpr UINT_PTR kAttachRetryTimerId = 88;
constexpr UINT kAttachRetryDelayMs = 400;
constexpr std::int32_t kAttachRetryLimit = 8; // the ninth finding of the same view is accepted
constexpr wchar_t kAttachRetryProperty[] = L"_DRV_PROP_EXTEND_USERDATA_";

constexpr UINT_PTR kViewHostSubclassId = 1;
constexpr DWORD kResizeSettleMs = 120;        // one notification per burst of WM_SIZE
constexpr std::uint32_t kResizeQuietMs = 400; // the client lays its panel out after attaching
constexpr int kPromptBandHeight = 44;
constexpr DWORD kSignInPollFirstMs = 4000;
constexpr DWORD kSignInPollPeriodMs = 2500;

// Posted by the resize timer to the view host, whose subclass does the work. A registered message
// cannot collide with Explorer's own messages, and once our subclass is gone the view ignores it.
UINT ResizeSettledMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"Pellicor.ViewResizeSettled");
    return message;
}

enum class SelectionRead
{
    NoView,   // the browser shows no folder view to ask
    Read,     // paths holds the selection
    TooLarge, // the notification could not carry it; reading stopped there
};

// The selection as the view lists it, or the shown folder when nothing is selected. Reading stops as
// soon as the notification could no longer be sent: a select-all of a huge folder must not be walked
// item by item on Explorer's window thread for a request that would be refused anyway.
SelectionRead ReadSelection(IWebBrowser2* browser, const std::wstring& currentFolder,
                            std::vector<std::wstring>& paths)
{
    if (!browser)
        return SelectionRead::NoView;
    ComPtr<IDispatch> document;
    if (FAILED(browser->get_Document(document.put())) || !document)
        return SelectionRead::NoView;
    ComPtr<IShellFolderViewDual> view;
    if (FAILED(document->QueryInterface(IID_PPV_ARGS(view.put()))) || !view)
        return SelectionRead::NoView;
    ComPtr<FolderItems> items;
    if (FAILED(view->SelectedItems(items.put())) || !items)
        return SelectionRead::NoView;
    long count = 0;
    if (FAILED(items->get_Count(&count)))
        return SelectionRead::NoView;
    RequestSize size = NotifySeletionChangedSizeBeforePaths();
    if (count <= 0)
    {
        paths.push_back(currentFolder);
        return size.Add(currentFolder).Fits() ? SelectionRead::Read : SelectionRead::TooLarge;
    }
    for (long i = 0; i < count; ++i)
    {
        VARIANT index;
        ::VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        ComPtr<FolderItem> item;
        if (FAILED(items->Item(index, item.put())) || !item)
            continue;
        UniqueBstr path;
        if (FAILED(item->get_Path(path.put())) || !path)
            continue;
        const std::wstring_view text(path.get(), ::SysStringLen(path.get()));
        if (!size.Add(text).Fits())
            return SelectionRead::TooLarge;
        paths.emplace_back(text);
    }
    return SelectionRead::Read;
}

} // namespace

void CShellExt::AttachPanel()
{
    if (!FindViewWindows())
        return;

    if (m_promptDialog)
        ::CloseWindow(m_promptDialog);
    ClosePrompt();
    HWND dialog = ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_SIGNIN_PROMPT), m_viewHost,
                                       PromptDialog::Procedure, reinterpret_cast<LPARAM>(this));
    if (!dialog)
        return; // without its endpoint the client could not talk back: attach nothing
    m_promptDialog = dialog;
    ::SetDlgItemTextW(dialog, IDC_PROMPT_LINK, LoadLocalizedString(IDS_PROMPT_LOGIN_NOW).c_str());
    ::SetDlgItemTextW(dialog, IDC_PROMPT_STATUS, LoadLocalizedString(IDS_PROMPT_NOT_LOGIN).c_str());

    if (m_pipe.NotifyCreatePluginWin(m_viewWindow, m_itemsView, m_promptDialog, m_currentFolder))
    {
        m_panelState = PanelAttached;
        NotifySelection(false);
        m_attachTick = ::GetTickCount();
    }
    else
    {
        m_panelState = SignInPrompt;
        ShowSignInPrompt();
    }

    // Recorded before it is installed: a subclass that nobody knows of could outlive the object.
    // Installing again on the same host only renews the reference data.
    const HWND host = m_viewHost;
    const bool known = std::any_of(m_subclassedHosts.begin(), m_subclassedHosts.end(),
                                   [host](const SubclassedHost& subclassed) { return subclassed.host == host; });
    if (!known)
        m_subclassedHosts.push_back(SubclassedHost{host});
    if (!::SetWindowSubclass(host, ViewHostSubclassProc, kViewHostSubclassId, reinterpret_cast<DWORD_PTR>(this)) &&
        !known)
        m_subclassedHosts.pop_back();
}

// The view windows are committed only when all three are found: a missing one is a failed search,
// never a stale or null handle given to the client.
bool CShellExt::FindViewWindows()
{
    if (!m_browser)
        return false;
    SHANDLE_PTR handle = 0;
    if (FAILED(m_browser->get_HWND(&handle)) || !handle)
        return false;
    const HWND topLevel = reinterpret_cast<HWND>(handle);
    return m_preVista ? FindViewWindowsXp(topLevel) : FindViewWindowsVista(topLevel);
}

bool CShellExt::FindViewWindowsVista(HWND topLevel)
{
    const HWND viewWindow = FindTabViewWindow(FindChild(topLevel, kShellTabWindowClass));
    const HWND viewHost = FindChildOfDescendant(viewWindow, kDefViewWindowClass);
    const HWND itemsView = FindChild(viewHost, kDirectUiWindowClass);
    if (!viewWindow || !viewHost || !itemsView)
        return false;
    m_viewWindow = viewWindow;
    m_viewHost = viewHost;
    m_itemsView = itemsView;
    return true;
}

bool CShellExt::FindViewWindowsXp(HWND topLevel)
{
    const HWND defView = FindChild(topLevel, kDefViewWindowClass);
    const HWND duiWindow = FindChild(FindChild(defView, kDuiViewWindowClass), kDirectUiWindowClass);
    if (!duiWindow)
        return false;

    // A view that hosts an ActiveX control shows it in place of the list.
    HWND candidate = nullptr;
    HWND itemsView = nullptr;
    if (const HWND activeXHost = FindChildOfDescendant(duiWindow, kActiveXHostWindowClass))
    {
        candidate = ::GetParent(activeXHost);
        itemsView = activeXHost;
    }
    else
    {
        candidate = FindChild(duiWindow, kCtrlNotifySinkWindowClass);
        itemsView = FindChild(candidate, kListViewWindowClass);
    }
    if (!candidate)
        return false;

    // Still the previous folder's view: Explorer has not replaced it yet, so look again shortly.
    if (candidate == m_viewHost && m_attachRetries++ < kAttachRetryLimit)
    {
        StartAttachRetry(topLevel);
        return false;
    }
    if (!itemsView)
        return false;
    m_viewWindow = topLevel;
    m_viewHost = candidate;
    m_itemsView = itemsView;
    m_attachRetries = 0;
    return true;
}

void CShellExt::StartAttachRetry(HWND window)
{
    StopAttachRetry();
    m_retryWindow = window;
    ::SetPropW(window, kAttachRetryProperty, this);
    ::SetTimer(window, kAttachRetryTimerId, kAttachRetryDelayMs, AttachRetryTimerProc);
}

// Only this object's own retry: the window may have been given to another object since, whose
// timer 88 (the same identifier on the same window) then replaced ours.
void CShellExt::StopAttachRetry() noexcept
{
    const HWND window = std::exchange(m_retryWindow, nullptr);
    if (!window || ::GetPropW(window, kAttachRetryProperty) != static_cast<HANDLE>(this))
        return;
    ::KillTimer(window, kAttachRetryTimerId);
    ::RemovePropW(window, kAttachRetryProperty);
}

// A retry attaches only while the window still shows a folder of the sync folder: the settings may
// have changed since the navigation that started it.
void CALLBACK CShellExt::AttachRetryTimerProc(HWND window, UINT, UINT_PTR id, DWORD)
{
    try
    {
        ::KillTimer(window, id);
        auto* self = static_cast<CShellExt*>(::GetPropW(window, kAttachRetryProperty));
        if (self && self->IsInSyncFolder(self->m_currentFolder))
            self->AttachPanel();
    }
    catch (...)
    {
    }
}

LRESULT CALLBACK CShellExt::ViewHostSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR id, DWORD_PTR instance)
{
    auto* self = reinterpret_cast<CShellExt*>(instance);
    try
    {
        if (message == WM_SIZE)
        {
            // The host's own layout must not run: the band or the client's panel places its children.
            self->m_resizeTimer.Start(window, ResizeSettledMessage(), kResizeSettleMs, 0);
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        if (message == WM_NCDESTROY)
        {
            ::RemoveWindowSubclass(window, ViewHostSubclassProc, id);
            std::erase_if(self->m_subclassedHosts,
                          [window](const SubclassedHost& subclassed) { return subclassed.host == window; });
            return ::DefSubclassProc(window, message, wParam, lParam);
        }
        if (message != 0 && message == ResizeSettledMessage())
        {
            if (self->m_resizeTimer.IsFrom(wParam)) // not a message left over from an earlier burst
                self->ResizeSettled();
            return 0;
        }
    }
    catch (...)
    {
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

void CShellExt::ResizeSettled()
{
    if (m_panelState == SignInPrompt)
        LayoutPrompt();
    else if (m_panelState == PanelAttached && QuietTimeOver(::GetTickCount(), m_attachTick, kResizeQuietMs))
        m_pipe.NotifyWindowResize(m_viewWindow, m_itemsView);
    m_resizeTimer.Stop();
}

void CShellExt::LayoutPrompt()
{
    RECT client{};
    if (!::GetClientRect(m_viewHost, &client))
        return;
    const int itemsHeight = std::max<int>(0, client.bottom - kPromptBandHeight);
    const auto placeItems = [&] {
        ::MoveWindow(m_itemsView, client.left, client.top + kPromptBandHeight, client.right, itemsHeight,
                     TRUE);
    };
    placeItems();
    ::MoveWindow(m_promptDialog, client.left, client.top, client.right, kPromptBandHeight, TRUE);
    ::ShowWindow(m_promptDialog, SW_SHOWNORMAL);
    placeItems(); // showing the band may have moved the list again
    ::SetFocus(m_itemsView);
}

void CShellExt::ShowSignInPrompt()
{
    LayoutPrompt();
    m_signInPollTimer.Start(m_promptDialog, WM_PROMPT_POLL_SIGN_IN, kSignInPollFirstMs, kSignInPollPeriodMs);
}

void CShellExt::PollSignIn()
{
    if (m_panelState != SignInPrompt)
        return;
    if (!m_pipe.NotifyCreatePluginWin(m_viewWindow, m_itemsView, m_promptDialog, m_currentFolder))
        return;
    ::ShowWindow(m_promptDialog, SW_HIDE);
    m_panelState = PanelAttached;
    m_signInPollTimer.Stop();
    NotifySelection(false);
}

void CShellExt::NotifySelection(bool onlyIfChanged)
{
    std::vector<std::wstring> selection;
    switch (ReadSelection(m_browser.get(), m_currentFolder, selection))
    {
    case SelectionRead::NoView:
        return;
    case SelectionRead::TooLarge:
        // Nothing can be sent for it. The next selection differs from it and is sent, even one equal
        // to the last selection sent: an empty list equals no selection read.
        m_lastSelection.clear();
        return;
    case SelectionRead::Read:
        break;
    }
    if (onlyIfChanged && selection == m_lastSelection)
        return;
    m_pipe.NotifySeletionChanged(m_viewWindow, selection);
    m_lastSelection = std::move(selection);
}

void CShellExt::ClosePrompt() noexcept
{
    m_signInPollTimer.Stop();
    if (HWND dialog = std::exchange(m_promptDialog, nullptr))
        ::DestroyWindow(dialog);
}

// Runs on the window's thread, which owns every window touched here (see OnViewThread), and only
// takes back what this object recorded: a context-menu object has nothing to take back.
void CShellExt::DetachView() noexcept
{
    m_resizeTimer.Stop();
    m_signInPollTimer.Stop();
    StopAttachRetry();
    for (const SubclassedHost& subclassed : m_subclassedHosts)
        ::RemoveWindowSubclass(subclassed.host, ViewHostSubclassProc, kViewHostSubclassId);
    m_subclassedHosts.clear();
    ClosePrompt();
}

} // namespace pellicor
