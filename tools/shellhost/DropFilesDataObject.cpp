#include "tools/shellhost/DropFilesDataObject.h"

#include "common/UniqueHandle.h"

#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <new>

namespace pellicor::shellhost
{

HGLOBAL MakeDropFiles(const std::vector<std::wstring>& paths)
{
    size_t units = 1; // the final extra NUL
    for (const auto& path : paths)
        units += path.size() + 1;
    const size_t bytes = sizeof(DROPFILES) + units * sizeof(wchar_t);
    UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
    if (!memory)
        return nullptr;
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory.get()));
    if (!drop)
        return nullptr;
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* cursor = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(drop) + sizeof(DROPFILES));
    for (const auto& path : paths)
    {
        std::memcpy(cursor, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        cursor += path.size() + 1;
    }
    ::GlobalUnlock(memory.get());
    return memory.release();
}

namespace
{

bool IsDropFormat(const FORMATETC* format)
{
    return format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) &&
           format->dwAspect == DVASPECT_CONTENT;
}

class DropFilesDataObject final : public IDataObject
{
public:
    static ComPtr<IDataObject> Create(const std::vector<std::wstring>& paths)
    {
        ComPtr<IDataObject> object;
        auto* created = new (std::nothrow) DropFilesDataObject(paths);
        if (created)
            object.attach(created); // the constructor's reference
        return object;
    }

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDataObject)
            return E_NOINTERFACE;
        *ppv = static_cast<IDataObject*>(this);
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

    IFACEMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!format || !medium)
            return E_INVALIDARG;
        if (!IsDropFormat(format))
            return DV_E_FORMATETC;
        HGLOBAL copy = MakeDropFiles(m_paths);
        if (!copy)
            return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = copy;
        medium->pUnkForRelease = nullptr; // the caller frees the copy with ReleaseStgMedium
        return S_OK;
    }
    IFACEMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    IFACEMETHODIMP QueryGetData(FORMATETC* format) override
    {
        return IsDropFormat(format) ? S_OK : DV_E_FORMATETC;
    }
    IFACEMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    IFACEMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override
    {
        if (!formats)
            return E_POINTER;
        *formats = nullptr;
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        FORMATETC drop = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return ::SHCreateStdEnumFmtEtc(1, &drop, formats);
    }
    IFACEMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    IFACEMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    IFACEMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    explicit DropFilesDataObject(std::vector<std::wstring> paths) : m_paths(std::move(paths)) {}
    ~DropFilesDataObject() = default;

    std::atomic<ULONG> m_refCount{1};
    const std::vector<std::wstring> m_paths;
};

} // namespace

ComPtr<IDataObject> CreateDropFilesDataObject(const std::vector<std::wstring>& paths)
{
    try
    {
        return DropFilesDataObject::Create(paths);
    }
    catch (...)
    {
        return {};
    }
}

} // namespace pellicor::shellhost
