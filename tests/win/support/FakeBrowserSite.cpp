#include "tests/win/support/FakeBrowserSite.h"

#include <olectl.h>

#include <new>

namespace pellicor::test
{

namespace
{

// A selected item: only its path matters.
class FakeFolderItem final : public FolderItem
{
public:
    explicit FakeFolderItem(std::wstring path) : m_path(std::move(path)) {}

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_FolderItem)
        {
            *ppv = static_cast<FolderItem*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++m_refCount; }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        const ULONG count = --m_refCount;
        if (count == 0)
            delete this;
        return count;
    }
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    IFACEMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Name(BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_Name(BSTR) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Path(BSTR* path) override
    {
        *path = ::SysAllocStringLen(m_path.data(), static_cast<UINT>(m_path.size()));
        return *path ? S_OK : E_OUTOFMEMORY;
    }
    IFACEMETHODIMP get_GetLink(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_GetFolder(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_IsLink(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_IsFolder(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_IsFileSystem(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_IsBrowsable(VARIANT_BOOL*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_ModifyDate(DATE*) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_ModifyDate(DATE) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Size(LONG*) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Type(BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Verbs(FolderItemVerbs**) override { return E_NOTIMPL; }
    IFACEMETHODIMP InvokeVerb(VARIANT) override { return E_NOTIMPL; }

private:
    ~FakeFolderItem() = default;
    ULONG m_refCount = 0;
    std::wstring m_path;
};

// The selection at the moment the view was asked.
class FakeFolderItems final : public FolderItems
{
public:
    FakeFolderItems(std::vector<std::wstring> paths, std::shared_ptr<long> itemReads)
        : m_paths(std::move(paths)), m_itemReads(std::move(itemReads))
    {
    }

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_FolderItems)
        {
            *ppv = static_cast<FolderItems*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++m_refCount; }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        const ULONG count = --m_refCount;
        if (count == 0)
            delete this;
        return count;
    }
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    IFACEMETHODIMP get_Count(LONG* count) override
    {
        *count = static_cast<LONG>(m_paths.size());
        return S_OK;
    }
    IFACEMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    IFACEMETHODIMP Item(VARIANT index, FolderItem** item) override
    {
        *item = nullptr;
        ++*m_itemReads;
        if (index.vt != VT_I4 || index.lVal < 0 || static_cast<std::size_t>(index.lVal) >= m_paths.size())
            return E_INVALIDARG;
        auto* made = new (std::nothrow) FakeFolderItem(m_paths[static_cast<std::size_t>(index.lVal)]);
        if (!made)
            return E_OUTOFMEMORY;
        made->AddRef();
        *item = made;
        return S_OK;
    }
    IFACEMETHODIMP _NewEnum(IUnknown**) override { return E_NOTIMPL; }

private:
    ~FakeFolderItems() = default;
    ULONG m_refCount = 0;
    std::vector<std::wstring> m_paths;
    std::shared_ptr<long> m_itemReads;
};

class PlainUnknown final : public IUnknown
{
public:
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown)
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++m_refCount; }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        const ULONG count = --m_refCount;
        if (count == 0)
            delete this;
        return count;
    }

private:
    ULONG m_refCount = 0;
};

} // namespace

// --- FakeConnectionPoint ---

ComPtr<FakeConnectionPoint> FakeConnectionPoint::Create(const IID& events,
                                                        IConnectionPointContainer* container)
{
    return ComPtr<FakeConnectionPoint>(new FakeConnectionPoint(events, container));
}

HRESULT FakeConnectionPoint::Fire(DISPID id, std::vector<VARIANT> arguments) const
{
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(arguments.size());
    params.rgvarg = arguments.empty() ? nullptr : arguments.data();
    HRESULT result = S_OK;
    // A copy: a sink may be released while it handles the event.
    const std::vector<ComPtr<IDispatch>> sinks = m_sinks;
    for (const auto& sink : sinks)
        result = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                              nullptr);
    return result;
}

IFACEMETHODIMP FakeConnectionPoint::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint)
    {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

IFACEMETHODIMP_(ULONG) FakeConnectionPoint::AddRef()
{
    return static_cast<ULONG>(++m_refCount);
}

IFACEMETHODIMP_(ULONG) FakeConnectionPoint::Release()
{
    const LONG count = --m_refCount;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

IFACEMETHODIMP FakeConnectionPoint::GetConnectionInterface(IID* iid)
{
    *iid = m_events;
    return S_OK;
}

IFACEMETHODIMP FakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    *container = m_container;
    m_container->AddRef();
    return S_OK;
}

IFACEMETHODIMP FakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!sink || !cookie)
        return E_POINTER;
    if (FAILED(adviseResult))
        return adviseResult;
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(IID_IDispatch, dispatch.put_void())))
        return CONNECT_E_CANNOTCONNECT;
    m_sinks.push_back(dispatch);
    ++m_adviseCount;
    *cookie = static_cast<DWORD>(m_adviseCount);
    return S_OK;
}

IFACEMETHODIMP FakeConnectionPoint::Unadvise(DWORD)
{
    return S_OK;
}

IFACEMETHODIMP FakeConnectionPoint::EnumConnections(IEnumConnections**)
{
    return E_NOTIMPL;
}

// --- FakeFolderView ---

FakeFolderView::FakeFolderView() : m_events(FakeConnectionPoint::Create(DIID_DShellFolderViewEvents, this)) {}

ComPtr<FakeFolderView> FakeFolderView::Create()
{
    return ComPtr<FakeFolderView>(new FakeFolderView());
}

IFACEMETHODIMP FakeFolderView::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IShellFolderViewDual)
        *ppv = static_cast<IShellFolderViewDual*>(this);
    else if (riid == IID_IConnectionPointContainer)
        *ppv = static_cast<IConnectionPointContainer*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

IFACEMETHODIMP_(ULONG) FakeFolderView::AddRef()
{
    return static_cast<ULONG>(++m_refCount);
}

IFACEMETHODIMP_(ULONG) FakeFolderView::Release()
{
    const LONG count = --m_refCount;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

IFACEMETHODIMP FakeFolderView::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}
IFACEMETHODIMP FakeFolderView::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::get_Application(IDispatch**)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::get_Parent(IDispatch**)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::get_Folder(Folder**)
{
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeFolderView::SelectedItems(FolderItems** items)
{
    auto* made = new (std::nothrow) FakeFolderItems(selection, itemReads);
    if (!made)
        return E_OUTOFMEMORY;
    made->AddRef();
    *items = made;
    return S_OK;
}

IFACEMETHODIMP FakeFolderView::get_FocusedItem(FolderItem**)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::SelectItem(VARIANT*, int)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::PopupItemMenu(FolderItem*, VARIANT, VARIANT, BSTR*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::get_Script(IDispatch**)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::get_ViewOptions(LONG*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeFolderView::EnumConnectionPoints(IEnumConnectionPoints**)
{
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeFolderView::FindConnectionPoint(REFIID riid, IConnectionPoint** point)
{
    *point = nullptr;
    if (!offerEvents || riid != DIID_DShellFolderViewEvents)
        return CONNECT_E_NOCONNECTION;
    *point = m_events.get();
    (*point)->AddRef();
    return S_OK;
}

// --- FakeBrowser ---

FakeBrowser::FakeBrowser() : m_events(FakeConnectionPoint::Create(DIID_DWebBrowserEvents2, this)) {}

ComPtr<FakeBrowser> FakeBrowser::Create()
{
    return ComPtr<FakeBrowser>(new FakeBrowser());
}

IFACEMETHODIMP FakeBrowser::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser ||
        riid == IID_IWebBrowserApp || riid == IID_IWebBrowser2)
        *ppv = static_cast<IWebBrowser2*>(this);
    else if (riid == IID_IConnectionPointContainer)
        *ppv = static_cast<IConnectionPointContainer*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

IFACEMETHODIMP_(ULONG) FakeBrowser::AddRef()
{
    return static_cast<ULONG>(++m_refCount);
}

IFACEMETHODIMP_(ULONG) FakeBrowser::Release()
{
    const LONG count = --m_refCount;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

IFACEMETHODIMP FakeBrowser::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}
IFACEMETHODIMP FakeBrowser::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeBrowser::get_Document(IDispatch** out)
{
    *out = document.get();
    if (!*out)
        return E_FAIL;
    (*out)->AddRef();
    return S_OK;
}

IFACEMETHODIMP FakeBrowser::get_HWND(SHANDLE_PTR* handle)
{
    *handle = reinterpret_cast<SHANDLE_PTR>(window);
    return window ? S_OK : E_FAIL;
}

IFACEMETHODIMP FakeBrowser::get_FullName(BSTR* name)
{
    *name = ::SysAllocStringLen(fullName.data(), static_cast<UINT>(fullName.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
}

IFACEMETHODIMP FakeBrowser::EnumConnectionPoints(IEnumConnectionPoints**)
{
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeBrowser::FindConnectionPoint(REFIID riid, IConnectionPoint** point)
{
    *point = nullptr;
    if (!offerEvents || riid != DIID_DWebBrowserEvents2)
        return CONNECT_E_NOCONNECTION;
    *point = m_events.get();
    (*point)->AddRef();
    return S_OK;
}

// Everything a site object has no business asking.
IFACEMETHODIMP FakeBrowser::GoBack()
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::GoForward()
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::GoHome()
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::GoSearch()
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::Refresh()
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::Refresh2(VARIANT*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::Stop()
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Application(IDispatch**)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Parent(IDispatch**)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Container(IDispatch**)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_TopLevelContainer(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Type(BSTR*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Left(LONG*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_Left(LONG)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Top(LONG*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_Top(LONG)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Width(LONG*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_Width(LONG)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Height(LONG*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_Height(LONG)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_LocationName(BSTR*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_LocationURL(BSTR*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Busy(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::Quit()
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::ClientToWindow(int*, int*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::PutProperty(BSTR, VARIANT)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::GetProperty(BSTR, VARIANT*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Name(BSTR*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Path(BSTR*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Visible(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_Visible(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_StatusBar(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_StatusBar(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_StatusText(BSTR*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_StatusText(BSTR)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_ToolBar(int*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_ToolBar(int)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_MenuBar(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_MenuBar(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_FullScreen(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_FullScreen(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::QueryStatusWB(OLECMDID, OLECMDF*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_ReadyState(READYSTATE*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Offline(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_Offline(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Silent(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_Silent(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_RegisterAsBrowser(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_RegisterAsBrowser(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_RegisterAsDropTarget(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_RegisterAsDropTarget(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_TheaterMode(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_TheaterMode(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_AddressBar(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_AddressBar(VARIANT_BOOL)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::get_Resizable(VARIANT_BOOL*)
{
    return E_NOTIMPL;
}
IFACEMETHODIMP FakeBrowser::put_Resizable(VARIANT_BOOL)
{
    return E_NOTIMPL;
}

ComPtr<IUnknown> CreatePlainUnknown()
{
    return ComPtr<IUnknown>(new PlainUnknown());
}

} // namespace pellicor::test
