#pragma once
// An Explorer window's browser as a site object sees it, for driving the library's site object the
// way Explorer does: an IWebBrowser2 that names its host program and its top-level window, a
// document that is a folder view (IShellFolderViewDual) with a settable selection, and connection
// points for the browser's and the folder view's events that record every Advise and can fire
// events at the subscribed sinks.
#include "common/ComPtr.h"

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <shldisp.h>

#include <memory>
#include <string>
#include <vector>

namespace pellicor::test
{

// One event interface's connection point.
class FakeConnectionPoint final : public IConnectionPoint
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

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;
    // IConnectionPoint
    IFACEMETHODIMP GetConnectionInterface(IID* iid) override;
    IFACEMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    IFACEMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    IFACEMETHODIMP Unadvise(DWORD cookie) override;
    IFACEMETHODIMP EnumConnections(IEnumConnections** connections) override;

private:
    FakeConnectionPoint(const IID& events, IConnectionPointContainer* container)
        : m_events(events), m_container(container)
    {
    }
    ~FakeConnectionPoint() = default;

    LONG m_refCount = 0;
    IID m_events;
    IConnectionPointContainer* m_container; // not held: the container owns this point
    std::vector<ComPtr<IDispatch>> m_sinks;
    std::size_t m_adviseCount = 0;
};

// The folder view shown in the browser: its selection and its events.
class FakeFolderView final : public IShellFolderViewDual, public IConnectionPointContainer
{
public:
    static ComPtr<FakeFolderView> Create();

    std::vector<std::wstring> selection; // full paths, in the order the view lists them
    std::shared_ptr<long> itemReads = std::make_shared<long>(0); // Item calls on the selections handed out
    bool offerEvents = true; // false: no connection point for DShellFolderViewEvents
    FakeConnectionPoint& Events() { return *m_events.get(); }

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;
    // IDispatch
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IShellFolderViewDual
    IFACEMETHODIMP get_Application(IDispatch**) override;
    IFACEMETHODIMP get_Parent(IDispatch**) override;
    IFACEMETHODIMP get_Folder(Folder**) override;
    IFACEMETHODIMP SelectedItems(FolderItems** items) override;
    IFACEMETHODIMP get_FocusedItem(FolderItem**) override;
    IFACEMETHODIMP SelectItem(VARIANT*, int) override;
    IFACEMETHODIMP PopupItemMenu(FolderItem*, VARIANT, VARIANT, BSTR*) override;
    IFACEMETHODIMP get_Script(IDispatch**) override;
    IFACEMETHODIMP get_ViewOptions(LONG*) override;
    // IConnectionPointContainer
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    IFACEMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

private:
    FakeFolderView();
    ~FakeFolderView() = default;

    LONG m_refCount = 0;
    ComPtr<FakeConnectionPoint> m_events;
};

// The browser of one Explorer window.
class FakeBrowser final : public IWebBrowser2, public IConnectionPointContainer
{
public:
    static ComPtr<FakeBrowser> Create();

    std::wstring fullName = L"C:\\Windows\\explorer.exe"; // the host program (get_FullName)
    HWND window = nullptr;                                // the top-level window (get_HWND)
    ComPtr<IDispatch> document;                           // get_Document; null: none
    bool offerEvents = true;                              // false: no connection point for DWebBrowserEvents2
    FakeConnectionPoint& Events() { return *m_events.get(); }

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;
    // IDispatch
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IWebBrowser
    IFACEMETHODIMP GoBack() override;
    IFACEMETHODIMP GoForward() override;
    IFACEMETHODIMP GoHome() override;
    IFACEMETHODIMP GoSearch() override;
    IFACEMETHODIMP Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override;
    IFACEMETHODIMP Refresh() override;
    IFACEMETHODIMP Refresh2(VARIANT*) override;
    IFACEMETHODIMP Stop() override;
    IFACEMETHODIMP get_Application(IDispatch**) override;
    IFACEMETHODIMP get_Parent(IDispatch**) override;
    IFACEMETHODIMP get_Container(IDispatch**) override;
    IFACEMETHODIMP get_Document(IDispatch** document) override;
    IFACEMETHODIMP get_TopLevelContainer(VARIANT_BOOL*) override;
    IFACEMETHODIMP get_Type(BSTR*) override;
    IFACEMETHODIMP get_Left(LONG*) override;
    IFACEMETHODIMP put_Left(LONG) override;
    IFACEMETHODIMP get_Top(LONG*) override;
    IFACEMETHODIMP put_Top(LONG) override;
    IFACEMETHODIMP get_Width(LONG*) override;
    IFACEMETHODIMP put_Width(LONG) override;
    IFACEMETHODIMP get_Height(LONG*) override;
    IFACEMETHODIMP put_Height(LONG) override;
    IFACEMETHODIMP get_LocationName(BSTR*) override;
    IFACEMETHODIMP get_LocationURL(BSTR*) override;
    IFACEMETHODIMP get_Busy(VARIANT_BOOL*) override;
    // IWebBrowserApp
    IFACEMETHODIMP Quit() override;
    IFACEMETHODIMP ClientToWindow(int*, int*) override;
    IFACEMETHODIMP PutProperty(BSTR, VARIANT) override;
    IFACEMETHODIMP GetProperty(BSTR, VARIANT*) override;
    IFACEMETHODIMP get_Name(BSTR*) override;
    IFACEMETHODIMP get_HWND(SHANDLE_PTR* handle) override;
    IFACEMETHODIMP get_FullName(BSTR* name) override;
    IFACEMETHODIMP get_Path(BSTR*) override;
    IFACEMETHODIMP get_Visible(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_Visible(VARIANT_BOOL) override;
    IFACEMETHODIMP get_StatusBar(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_StatusBar(VARIANT_BOOL) override;
    IFACEMETHODIMP get_StatusText(BSTR*) override;
    IFACEMETHODIMP put_StatusText(BSTR) override;
    IFACEMETHODIMP get_ToolBar(int*) override;
    IFACEMETHODIMP put_ToolBar(int) override;
    IFACEMETHODIMP get_MenuBar(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_MenuBar(VARIANT_BOOL) override;
    IFACEMETHODIMP get_FullScreen(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_FullScreen(VARIANT_BOOL) override;
    // IWebBrowser2
    IFACEMETHODIMP Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override;
    IFACEMETHODIMP QueryStatusWB(OLECMDID, OLECMDF*) override;
    IFACEMETHODIMP ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override;
    IFACEMETHODIMP ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override;
    IFACEMETHODIMP get_ReadyState(READYSTATE*) override;
    IFACEMETHODIMP get_Offline(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_Offline(VARIANT_BOOL) override;
    IFACEMETHODIMP get_Silent(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_Silent(VARIANT_BOOL) override;
    IFACEMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL) override;
    IFACEMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL) override;
    IFACEMETHODIMP get_TheaterMode(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_TheaterMode(VARIANT_BOOL) override;
    IFACEMETHODIMP get_AddressBar(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_AddressBar(VARIANT_BOOL) override;
    IFACEMETHODIMP get_Resizable(VARIANT_BOOL*) override;
    IFACEMETHODIMP put_Resizable(VARIANT_BOOL) override;
    // IConnectionPointContainer
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    IFACEMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

private:
    FakeBrowser();
    ~FakeBrowser() = default;

    LONG m_refCount = 0;
    ComPtr<FakeConnectionPoint> m_events;
};

// A site that is no browser at all: it answers IUnknown only.
ComPtr<IUnknown> CreatePlainUnknown();

} // namespace pellicor::test
