// The per-window site object: Explorer hands every window's instance the window's browser, and the
// browser's events (and those of the folder view it shows) arrive here on the window's own thread.
// A finished navigation decides whether the client's panel belongs in the window; everything the
// panel does in the window and on the pipe lives in PanelAttachment.cpp.
#include "shellext/server/ShellExt.h"

#include "common/OleHandles.h"
#include "shellext/guard/PathRules.h"
#include "shellext/settings/Settings.h"
#include "shellext/view/ExplorerWindows.h"
#include "shellext/view/ViewRules.h"

#include <exdispid.h>
#include <shdispid.h>
#include <shldisp.h>

#include <string_view>

namespace pellicor
{

namespace
{

// Only an Explorer window gets the panel; Internet Explorer and every other host stay untouched.
constexpr std::wstring_view kExplorerHostName = L"\\explorer.exe";

bool HostIsExplorer(IWebBrowser2& browser)
{
    UniqueBstr fullName;
    if (FAILED(browser.get_FullName(fullName.put())) || !fullName)
        return false;
    return FoldAsciiCase(std::wstring_view(fullName.get(), ::SysStringLen(fullName.get())))
               .find(kExplorerHostName) != std::wstring::npos;
}

// Sent by a last release on another thread to the site window, whose thread then deletes the object.
constexpr UINT kTeardownMessage = WM_APP;
constexpr UINT_PTR kSiteWindowSubclassId = 1;

// The location of a DocumentComplete: argument 0, a reference to a variant that holds a string.
// (rgvarg[0] is also where the browser puts its last parameter, the URL.)
bool ReadLocation(const DISPPARAMS* params, std::wstring& location)
{
    if (!params || params->cArgs <= 1 || !params->rgvarg)
        return false;
    const VARIANT& argument = params->rgvarg[0];
    if (argument.vt != (VT_VARIANT | VT_BYREF) || !argument.pvarVal || argument.pvarVal->vt != VT_BSTR)
        return false;
    const BSTR text = argument.pvarVal->bstrVal;
    location.assign(text ? text : L"", text ? ::SysStringLen(text) : 0);
    return true;
}

} // namespace

// A new site, or none, first ends everything the previous one started: a retry, the band or a
// subclass left on the first window would reach this object from a window it no longer serves.
IFACEMETHODIMP CShellExt::SetSite(IUnknown* site)
{
    if (!OnViewThread())
        return RPC_E_WRONG_THREAD;
    try
    {
        WithdrawSite();
        if (!site)
            return S_OK;
        ComPtr<IWebBrowser2> browser;
        if (FAILED(site->QueryInterface(IID_PPV_ARGS(browser.put()))) || !browser)
            return E_FAIL;
        m_browser = browser;
        m_viewThread = ::GetCurrentThreadId();
        if (!HostIsExplorer(*m_browser.get()))
            return E_FAIL;
        // Without a way back to this thread the view could not be taken down safely: stay inert.
        if (!CreateSiteWindow())
            return E_FAIL;
        if (FAILED(m_browserEvents.Advise(*site, DIID_DWebBrowserEvents2, static_cast<IDispatch*>(this))))
            return E_FAIL;
        m_preVista = RunsBeforeVista();
        return S_OK;
    }
    catch (...)
    {
        return E_FAIL;
    }
}

// The view's windows, subclasses and timer belong to the thread of the Explorer window. From another
// thread they could only be taken down by half (DestroyWindow, KillTimer and RemoveWindowSubclass
// fail there), leaving our procedures in place for a library about to be unloaded.
bool CShellExt::OnViewThread() const noexcept
{
    return m_viewThread == 0 || m_viewThread == ::GetCurrentThreadId();
}

bool CShellExt::CreateSiteWindow()
{
    if (m_siteWindow)
        return true;
    UniqueWindow window(::CreateWindowExW(0, L"Static", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          ModuleInstance(), nullptr));
    ModuleReference module; // the subclass runs our code until the window's WM_NCDESTROY
    if (!window || !::SetWindowSubclass(window.get(), SiteWindowProc, kSiteWindowSubclassId,
                                        reinterpret_cast<DWORD_PTR>(this)))
        return false;
    module.Detach();
    m_siteWindow = std::move(window);
    return true;
}

// The last reference may go on any thread; the object then lives on until its own thread takes the
// view down and deletes it.
bool CShellExt::HandTeardownToViewThread() noexcept
{
    if (!m_siteWindow || OnViewThread())
        return false;
    if (::PostMessageW(m_siteWindow.get(), kTeardownMessage, 0, 0))
        return true;
    // A thread that has ended took its windows and timers with it. One that lives but takes no more
    // messages keeps the object, and the library, for good: a leak, never our code after the unload.
    return ::IsWindow(m_siteWindow.get()) != FALSE;
}

LRESULT CALLBACK CShellExt::SiteWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR instance)
{
    auto* self = reinterpret_cast<CShellExt*>(instance);
    // Only a teardown handed over by Release: anybody may post to a message-only window.
    if (message == kTeardownMessage && self->m_refCount.load() == 0)
    {
        delete self; // destroys this window too
        return 0;
    }
    if (message == WM_NCDESTROY)
    {
        ::RemoveWindowSubclass(window, SiteWindowProc, id);
        ModuleReference::ReleaseDetached();
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

// Withdrawing the site ends its events and its view, so that neither the browser's sinks nor a
// window of ours keeps the object, and the browser with it, alive.
void CShellExt::WithdrawSite() noexcept
{
    DetachView();
    m_folderViewEvents.Unadvise();
    m_browserEvents.Unadvise();
    m_browser.reset();
    m_siteWindow.reset();
    m_viewThread = 0;
    m_panelState = NoPanel;
    m_skipDocumentComplete = false;
    m_attachRetries = 0;
    m_viewWindow = m_viewHost = m_itemsView = nullptr;
}

IFACEMETHODIMP CShellExt::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                 UINT*)
{
    // The events the view integration acts on; every other event is acknowledged and ignored.
    static constexpr struct
    {
        DISPID id;
        HRESULT (CShellExt::*handler)(const DISPPARAMS*);
    } kEvents[] = {
        {DISPID_SELECTIONCHANGED, &CShellExt::OnSelectionChanged}, // DShellFolderViewEvents
        {DISPID_ONQUIT, &CShellExt::OnQuit},                       // DWebBrowserEvents2
        {DISPID_DOCUMENTCOMPLETE, &CShellExt::OnDocumentComplete}, // DWebBrowserEvents2
    };
    if (!OnViewThread())
        return RPC_E_WRONG_THREAD;
    try
    {
        for (const auto& event : kEvents)
        {
            if (event.id == id)
                return (this->*event.handler)(params);
        }
        return S_OK;
    }
    catch (...)
    {
        return S_OK; // an event source has no use for our troubles
    }
}

HRESULT CShellExt::OnSelectionChanged(const DISPPARAMS*)
{
    if (!m_browser)
        return E_FAIL;
    if (m_panelState == PanelAttached)
        NotifySelection(true);
    return S_OK;
}

HRESULT CShellExt::OnQuit(const DISPPARAMS*)
{
    if (m_panelState == PanelAttached)
        m_pipe.NotifyWinDowClose(m_viewWindow);
    else if (m_panelState == SignInPrompt)
        m_signInPollTimer.Stop();
    return S_OK;
}

HRESULT CShellExt::OnDocumentComplete(const DISPPARAMS* params)
{
    // From Vista on, Explorer reports every navigation twice; the second report carries the view.
    if (!m_preVista)
    {
        m_skipDocumentComplete = !m_skipDocumentComplete;
        if (m_skipDocumentComplete)
            return S_OK;
    }

    std::wstring location;
    if (ReadLocation(params, location))
        m_currentFolder = std::move(location);

    if (!IsInSyncFolder(m_currentFolder))
    {
        // A retry still waiting for the previous folder's view would attach in a folder outside.
        StopAttachRetry();
        if (m_panelState == PanelAttached)
        {
            m_pipe.NotifyWinDowClose(m_viewWindow);
            m_panelState = NoPanel;
        }
        else if (m_panelState == SignInPrompt)
        {
            // The band belongs to a folder the window no longer shows: a later sign-in must not put
            // the client's panel into a folder outside the sync folder.
            ClosePrompt();
            m_panelState = NoPanel;
        }
        return S_OK;
    }

    if (!m_browser)
        return E_FAIL;
    // Every navigation brings a new folder view, so its events are subscribed to every time.
    if (FAILED(AdviseFolderViewEvents()))
        return E_FAIL;
    AttachPanel();
    return S_OK;
}

HRESULT CShellExt::AdviseFolderViewEvents()
{
    ComPtr<IDispatch> document;
    if (FAILED(m_browser->get_Document(document.put())) || !document)
        return S_OK;
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(document->QueryInterface(IID_PPV_ARGS(folderView.put()))) || !folderView)
        return S_OK;
    // The previous folder view's subscription ends here: each navigation brings a new view.
    return m_folderViewEvents.Advise(*folderView.get(), DIID_DShellFolderViewEvents,
                                     static_cast<IDispatch*>(this));
}

bool CShellExt::IsInSyncFolder(const std::wstring& folder)
{
    RefreshUserSettings();
    return IsInsideNormalisedSyncFolder(m_syncFolder, folder);
}

void CShellExt::RefreshUserSettings()
{
    m_syncFolder = NormaliseSyncFolder(SyncFolderPath());
    if (m_syncFolder.empty())
        return;
    ReadUserProfile(&m_nickName, &m_avatarPath);
}

} // namespace pellicor
