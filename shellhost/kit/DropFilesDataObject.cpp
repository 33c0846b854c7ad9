#include "shellhost/kit/DropFilesDataObject.h"

#include "shellhost/kit/ComFake.h"

#include <shlobj.h>

#include <cstring>

namespace pellicor::shellkit
{

namespace
{

// Owns one GetData copy: ReleaseStgMedium releases this instead of freeing the memory itself.
class MediumOwner final : public ComFake<IUnknown>
{
public:
    MediumOwner(HGLOBAL memory, std::shared_ptr<DropFilesCounters> counters)
        : m_memory(memory), m_counters(std::move(counters))
    {
    }

private:
    ~MediumOwner() override
    {
        if (m_counters)
            ++m_counters->releases;
        ::GlobalFree(m_memory);
    }

    HGLOBAL m_memory;
    std::shared_ptr<DropFilesCounters> m_counters;
};

class DropFilesDataObject final : public ComFake<IDataObject>
{
public:
    DropFilesDataObject(bool hasFiles, std::vector<std::wstring> paths,
                        std::shared_ptr<DropFilesCounters> counters)
        : m_hasFiles(hasFiles), m_paths(std::move(paths)), m_counters(std::move(counters))
    {
    }

    IFACEMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!format || !medium)
            return E_INVALIDARG;
        const HRESULT supported = QueryGetData(format);
        if (FAILED(supported))
            return supported;
        const HGLOBAL memory = MakeDropFiles(m_paths);
        if (!memory)
            return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = ComPtr<IUnknown>(new MediumOwner(memory, m_counters)).detach();
        if (m_counters)
            ++m_counters->dataRequests;
        return S_OK;
    }
    IFACEMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    IFACEMETHODIMP QueryGetData(FORMATETC* format) override
    {
        if (!format)
            return E_INVALIDARG;
        if (!m_hasFiles || format->cfFormat != CF_HDROP)
            return DV_E_FORMATETC;
        if (!(format->tymed & TYMED_HGLOBAL))
            return DV_E_TYMED;
        if (format->dwAspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        return S_OK;
    }
    IFACEMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    IFACEMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC** out) override
    {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
    IFACEMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    IFACEMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    IFACEMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    bool m_hasFiles;
    std::vector<std::wstring> m_paths;
    std::shared_ptr<DropFilesCounters> m_counters;
};

} // namespace

HGLOBAL MakeDropFiles(const std::vector<std::wstring>& paths)
{
    std::size_t units = 1; // the list's final NUL
    for (const auto& path : paths)
        units += path.size() + 1;
    const std::size_t size = sizeof(DROPFILES) + units * sizeof(wchar_t);
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!memory)
        return nullptr;
    auto* header = static_cast<DROPFILES*>(::GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(header) + sizeof(DROPFILES));
    for (const auto& path : paths)
    {
        std::memcpy(names, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        names += path.size() + 1;
    }
    ::GlobalUnlock(memory);
    return memory;
}

ComPtr<IDataObject> CreateDropFilesDataObject(const std::vector<std::wstring>& paths,
                                              std::shared_ptr<DropFilesCounters> counters)
{
    return ComPtr<IDataObject>(new DropFilesDataObject(true, paths, std::move(counters)));
}

ComPtr<IDataObject> CreateDataObjectWithoutFiles()
{
    return ComPtr<IDataObject>(new DropFilesDataObject(false, {}, nullptr));
}

} // namespace pellicor::shellkit
