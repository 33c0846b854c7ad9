#include "tests/win/support/FakeBrowserSite.h"

namespace pellicor::test
{

namespace
{

BSTR AllocString(const std::wstring& text)
{
    return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// A selected item: only its path matters.
// clang-format off
#define PELLICOR_FOLDER_ITEM_GETTERS(X)                                                                      \
    X(Application, IDispatch*) X(Parent, IDispatch*) X(GetLink, IDispatch*) X(GetFolder, IDispatch*)        \
    X(IsLink, VARIANT_BOOL) X(IsFolder, VARIANT_BOOL) X(IsFileSystem, VARIANT_BOOL)                         \
    X(IsBrowsable, VARIANT_BOOL) X(Size, LONG) X(Type, BSTR)
// clang-format on
class FakeFolderItem final : public ComFake<DispatchStubs<FolderItem>>
{
public:
    explicit FakeFolderItem(std::wstring path) : m_path(std::move(path)) {}

    IFACEMETHODIMP get_Path(BSTR* path) override
    {
        *path = AllocString(m_path);
        return *path ? S_OK : E_OUTOFMEMORY;
    }
    PELLICOR_FOLDER_ITEM_GETTERS(PELLICOR_STUB_GETTER)
    PELLICOR_STUB_PROPERTY(Name, BSTR)
    PELLICOR_STUB_PROPERTY(ModifyDate, DATE)
    IFACEMETHODIMP Verbs(FolderItemVerbs**) override { return E_NOTIMPL; }
    IFACEMETHODIMP InvokeVerb(VARIANT) override { return E_NOTIMPL; }

private:
    std::wstring m_path;
};
#undef PELLICOR_FOLDER_ITEM_GETTERS

// The selection at the moment the view was asked.
class FakeFolderItems final : public ComFake<DispatchStubs<FolderItems>>
{
public:
    FakeFolderItems(std::vector<std::wstring> paths, std::shared_ptr<long> itemReads)
        : m_paths(std::move(paths)), m_itemReads(std::move(itemReads))
    {
    }

    IFACEMETHODIMP get_Count(LONG* count) override
    {
        *count = static_cast<LONG>(m_paths.size());
        return S_OK;
    }
    IFACEMETHODIMP Item(VARIANT index, FolderItem** item) override
    {
        *item = nullptr;
        ++*m_itemReads;
        if (index.vt != VT_I4 || index.lVal < 0 || static_cast<std::size_t>(index.lVal) >= m_paths.size())
            return E_INVALIDARG;
        *item =
            ComPtr<FolderItem>(new FakeFolderItem(m_paths[static_cast<std::size_t>(index.lVal)])).detach();
        return S_OK;
    }
    PELLICOR_STUB_GETTER(Application, IDispatch*)
    PELLICOR_STUB_GETTER(Parent, IDispatch*)
    IFACEMETHODIMP _NewEnum(IUnknown**) override { return E_NOTIMPL; }

private:
    std::vector<std::wstring> m_paths;
    std::shared_ptr<long> m_itemReads;
};

class PlainUnknown final : public ComFake<IUnknown>
{
};

} // namespace

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
    const std::vector<Sink> sinks = m_sinks;
    for (const auto& [cookie, sink] : sinks)
        result = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                              nullptr);
    return result;
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
    ++m_adviseCount;
    *cookie = static_cast<DWORD>(m_adviseCount);
    m_sinks.push_back({*cookie, dispatch});
    return S_OK;
}

IFACEMETHODIMP FakeConnectionPoint::Unadvise(DWORD cookie)
{
    return std::erase_if(m_sinks, [cookie](const Sink& sink) { return sink.cookie == cookie; }) != 0
               ? S_OK
               : CONNECT_E_NOCONNECTION;
}

ComPtr<FakeFolderView> FakeFolderView::Create()
{
    return ComPtr<FakeFolderView>(new FakeFolderView());
}

IFACEMETHODIMP FakeFolderView::SelectedItems(FolderItems** items)
{
    *items = ComPtr<FolderItems>(new FakeFolderItems(selection, itemReads)).detach();
    return S_OK;
}

ComPtr<FakeBrowser> FakeBrowser::Create()
{
    return ComPtr<FakeBrowser>(new FakeBrowser());
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
    *name = AllocString(fullName);
    return *name ? S_OK : E_OUTOFMEMORY;
}

ComPtr<IUnknown> CreatePlainUnknown()
{
    return ComPtr<IUnknown>(new PlainUnknown());
}

} // namespace pellicor::test
