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

    std::size_t AdviseCount() const { return m_adviseCount; } // every Advise ever accepted
    std::size_t SinkCount() const { return m_sinks.size(); }   // subscriptions not yet ended
    // Calls Invoke(id) on every sink with these arguments (in DISPPARAMS order, rgvarg[0] first);
    // the last sink's result, or S_OK with none.
    HRESULT Fire(DISPID id, std::vector<VARIANT> arguments = {}) const;
    // The browser forgets its sinks, as when its window closes.
    void DropSinks() { m_sinks.clear(); }

    IFACEMETHODIMP GetConnectionInterface(IID* iid) override;
    IFACEMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    IFACEMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    IFACEMETHODIMP Unadvise(DWORD cookie) override;
    IFACEMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    FakeConnectionPoint(const IID& events, IConnectionPointContainer* container)
        : m_events(events), m_container(container)
    {
    }

    IID m_events;
    IConnectionPointContainer* m_container; // not held: the container owns this point
    struct Sink
    {
        DWORD cookie;
        ComPtr<IDispatch> sink;
    };
    std::vector<Sink> m_sinks;
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
// clang-format off
#define PELLICOR_FOLDER_VIEW_GETTERS(X)                                                                      \
    X(Application, IDispatch*) X(Parent, IDispatch*) X(Folder, Folder*) X(FocusedItem, FolderItem*)         \
    X(Script, IDispatch*) X(ViewOptions, LONG)
// clang-format on
class FolderViewStubs : public DispatchStubs<IShellFolderViewDual>
{
public:
    PELLICOR_FOLDER_VIEW_GETTERS(PELLICOR_STUB_GETTER)
    IFACEMETHODIMP SelectItem(VARIANT*, int) override { return E_NOTIMPL; }
    IFACEMETHODIMP PopupItemMenu(FolderItem*, VARIANT, VARIANT, BSTR*) override { return E_NOTIMPL; }
};
#undef PELLICOR_FOLDER_VIEW_GETTERS

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
// clang-format off
#define PELLICOR_BROWSER_PROPERTIES(X)                                                                       \
    X(Left, LONG) X(Top, LONG) X(Width, LONG) X(Height, LONG) X(Visible, VARIANT_BOOL)                      \
    X(StatusBar, VARIANT_BOOL) X(StatusText, BSTR) X(ToolBar, int) X(MenuBar, VARIANT_BOOL)                 \
    X(FullScreen, VARIANT_BOOL) X(Offline, VARIANT_BOOL) X(Silent, VARIANT_BOOL)                            \
    X(RegisterAsBrowser, VARIANT_BOOL) X(RegisterAsDropTarget, VARIANT_BOOL) X(TheaterMode, VARIANT_BOOL)   \
    X(AddressBar, VARIANT_BOOL) X(Resizable, VARIANT_BOOL)
#define PELLICOR_BROWSER_GETTERS(X)                                                                          \
    X(Application, IDispatch*) X(Parent, IDispatch*) X(Container, IDispatch*)                              \
    X(TopLevelContainer, VARIANT_BOOL) X(Type, BSTR) X(LocationName, BSTR) X(LocationURL, BSTR)             \
    X(Busy, VARIANT_BOOL) X(Name, BSTR) X(Path, BSTR) X(ReadyState, READYSTATE)
// clang-format on
class WebBrowserStubs : public DispatchStubs<IWebBrowser2>
{
public:
    PELLICOR_BROWSER_PROPERTIES(PELLICOR_STUB_PROPERTY)
    PELLICOR_BROWSER_GETTERS(PELLICOR_STUB_GETTER)
    IFACEMETHODIMP GoBack() override { return E_NOTIMPL; }
    IFACEMETHODIMP GoForward() override { return E_NOTIMPL; }
    IFACEMETHODIMP GoHome() override { return E_NOTIMPL; }
    IFACEMETHODIMP GoSearch() override { return E_NOTIMPL; }
    IFACEMETHODIMP Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Refresh() override { return E_NOTIMPL; }
    IFACEMETHODIMP Refresh2(VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Stop() override { return E_NOTIMPL; }
    IFACEMETHODIMP Quit() override { return E_NOTIMPL; }
    IFACEMETHODIMP ClientToWindow(int*, int*) override { return E_NOTIMPL; }
    IFACEMETHODIMP PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetProperty(BSTR, VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP QueryStatusWB(OLECMDID, OLECMDF*) override { return E_NOTIMPL; }
    IFACEMETHODIMP ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
};
#undef PELLICOR_BROWSER_GETTERS
#undef PELLICOR_BROWSER_PROPERTIES

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
