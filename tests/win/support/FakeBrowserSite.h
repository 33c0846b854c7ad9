#pragma once
// An Explorer window's browser as a site object sees it, for driving the library's site object the
// way Explorer does: an IWebBrowser2 that names its host program and its top-level window, a
// document that is a folder view (IShellFolderViewDual) with a settable selection, and connection
// points for the browser's and the folder view's events that record every Advise and can fire
// events at the subscribed sinks.
#include "common/ComPtr.h"
#include "shellhost/kit/ComFake.h"

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <shldisp.h>
#include <olectl.h>

#include <memory>
#include <string>
#include <vector>

namespace pellicor::test
{

using shellkit::ComFake;
using shellkit::DispatchStubs;

// One event interface's connection point.
class FakeConnectionPoint final : public ComFake<IConnectionPoint>
{
public:
    static ComPtr<FakeConnectionPoint> Create(const IID& events, IConnectionPointContainer* container);

    HRESULT adviseResult = S_OK; // what Advise answers; a failure records nothing

    std::size_t AdviseCount() const { return m_adviseCount; }
    std::size_t SinkCount() const { return m_sinks.size(); }
    // Calls Invoke(id) on every sink with these arguments (in DISPPARAMS order, rgvarg[0] first);
    // the last sink's result, or S_OK with none.
    HRESULT Fire(DISPID id, std::vector<VARIANT> arguments = {}) const;
    // The browser forgets its sinks, as when its window closes.
    void DropSinks() { m_sinks.clear(); }

    IFACEMETHODIMP GetConnectionInterface(IID* iid) override;
    IFACEMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    IFACEMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    IFACEMETHODIMP Unadvise(DWORD) override { return S_OK; }
    IFACEMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    FakeConnectionPoint(const IID& events, IConnectionPointContainer* container)
        : m_events(events), m_container(container)
    {
    }

    IID m_events;
    IConnectionPointContainer* m_container; // not held: the container owns this point
    std::vector<ComPtr<IDispatch>> m_sinks;
    std::size_t m_adviseCount = 0;
};

// An event source: hands out its one connection point, for the events EventsId, while it offers them.
template <const IID& EventsId> class FakeEventSource : public IConnectionPointContainer
{
public:
    using Interface = IConnectionPointContainer;

    bool offerEvents = true; // false: no connection point at all
    FakeConnectionPoint& Events() { return *m_events.get(); }

    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    IFACEMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override
    {
        *point = nullptr;
        if (!offerEvents || riid != EventsId)
            return CONNECT_E_NOCONNECTION;
        return m_events->QueryInterface(IID_IConnectionPoint, reinterpret_cast<void**>(point));
    }

private:
    ComPtr<FakeConnectionPoint> m_events = FakeConnectionPoint::Create(EventsId, this);
};

// What of the folder view a site object has no business asking.
class FolderViewStubs : public DispatchStubs<IShellFolderViewDual>
{
public:
    IFACEMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Folder(Folder**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_FocusedItem(FolderItem**) override { return E_NOTIMPL; }
    IFACEMETHODIMP SelectItem(VARIANT*, int) override { return E_NOTIMPL; }
    IFACEMETHODIMP PopupItemMenu(FolderItem*, VARIANT, VARIANT, BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Script(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_ViewOptions(LONG*) override { return E_NOTIMPL; }
};

// The folder view shown in the browser: its selection and its events (DShellFolderViewEvents).
class FakeFolderView final : public ComFake<FolderViewStubs, FakeEventSource<DIID_DShellFolderViewEvents>>
{
public:
    static ComPtr<FakeFolderView> Create();

    std::vector<std::wstring> selection; // full paths, in the order the view lists them
    std::shared_ptr<long> itemReads = std::make_shared<long>(0); // Item calls on the selections handed out

    IFACEMETHODIMP SelectedItems(FolderItems** items) override;

private:
    FakeFolderView() = default;
};

// What of the browser a site object has no business asking: navigation, window state, bars.
class WebBrowserStubs : public DispatchStubs<IWebBrowser2>
{
public:
    IFACEMETHODIMP GoBack() override { return E_NOTIMPL; }
    IFACEMETHODIMP GoForward() override { return E_NOTIMPL; }
    IFACEMETHODIMP GoHome() override { return E_NOTIMPL; }
    IFACEMETHODIMP GoSearch() override { return E_NOTIMPL; }
    IFACEMETHODIMP Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Refresh() override { return E_NOTIMPL; }
    IFACEMETHODIMP Refresh2(VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Stop() override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Container(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_TopLevelContainer(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Type(BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Left(LONG*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_Left(LONG) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Top(LONG*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_Top(LONG) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Width(LONG*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_Width(LONG) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Height(LONG*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_Height(LONG) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_LocationName(BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_LocationURL(BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Busy(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Quit() override { return E_NOTIMPL; }
    IFACEMETHODIMP ClientToWindow(int*, int*) override { return E_NOTIMPL; }
    IFACEMETHODIMP PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetProperty(BSTR, VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Name(BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Path(BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Visible(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_Visible(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_StatusBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_StatusText(BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_StatusText(BSTR) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_ToolBar(int*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_ToolBar(int) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_MenuBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_FullScreen(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP QueryStatusWB(OLECMDID, OLECMDF*) override { return E_NOTIMPL; }
    IFACEMETHODIMP ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_ReadyState(READYSTATE*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Offline(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_Offline(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Silent(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_Silent(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_TheaterMode(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_TheaterMode(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_AddressBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_AddressBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Resizable(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_Resizable(VARIANT_BOOL) override { return E_NOTIMPL; }
};

// The browser of one Explorer window, with its events (DWebBrowserEvents2).
class FakeBrowser final : public ComFake<WebBrowserStubs, FakeEventSource<DIID_DWebBrowserEvents2>>
{
public:
    static ComPtr<FakeBrowser> Create();

    std::wstring fullName = L"C:\\Windows\\explorer.exe"; // the host program (get_FullName)
    HWND window = nullptr;                                // the top-level window (get_HWND)
    ComPtr<IDispatch> document;                           // get_Document; null: none

    IFACEMETHODIMP get_Document(IDispatch** document) override;
    IFACEMETHODIMP get_HWND(SHANDLE_PTR* handle) override;
    IFACEMETHODIMP get_FullName(BSTR* name) override;

private:
    FakeBrowser() = default;
};

// A site that is no browser at all: it answers IUnknown only.
ComPtr<IUnknown> CreatePlainUnknown();

} // namespace pellicor::test
