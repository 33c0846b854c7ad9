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

// Subscribes `sink` to `source`'s connection point for `events`. A source without connection points
// is no error (there is nothing to hear); only a refused Advise is. The cookie is not kept: the
// subscription lasts as long as the source keeps it.
HRESULT AdviseIfOffered(IUnknown& source, REFIID events, IDispatch* sink)
{
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(source.QueryInterface(IID_PPV_ARGS(container.put()))) || !container)
        return S_OK;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(events, point.put())) || !point)
        return S_OK;
    DWORD cookie = 0;
    return SUCCEEDED(point->Advise(sink, &cookie)) ? S_OK : E_FAIL;
}

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

IFACEMETHODIMP CShellExt::SetSite(IUnknown* site)
{
    try
    {
        if (!site)
        {
            m_browser.reset();
            return S_OK;
        }
        ComPtr<IWebBrowser2> browser;
        if (FAILED(site->QueryInterface(IID_PPV_ARGS(browser.put()))) || !browser)
            return E_FAIL;
        m_browser = browser;
        if (!HostIsExplorer(*m_browser.get()))
            return E_FAIL;
        if (FAILED(AdviseIfOffered(*site, DIID_DWebBrowserEvents2, static_cast<IDispatch*>(this))))
            return E_FAIL;
        m_preVista = RunsBeforeVista();
        return S_OK;
    }
    catch (...)
    {
        return E_FAIL;
    }
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
    return AdviseIfOffered(*folderView.get(), DIID_DShellFolderViewEvents, static_cast<IDispatch*>(this));
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
