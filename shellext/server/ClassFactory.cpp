#include "shellext/server/ClassFactory.h"

#include "shellext/menu/ExplorerCommand.h"
#include "shellext/server/ShellExt.h"

#include <new>

namespace pellicor
{

CShellExtClassFactory::CShellExtClassFactory(std::int32_t kind, ObjectClass objectClass) noexcept
    : m_kind(kind), m_class(objectClass)
{
}

CShellExtClassFactory::~CShellExtClassFactory() = default;

IFACEMETHODIMP CShellExtClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!::IsEqualIID(riid, IID_IUnknown) && !::IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

IFACEMETHODIMP_(ULONG) CShellExtClassFactory::AddRef()
{
    return static_cast<ULONG>(++m_refCount);
}

IFACEMETHODIMP_(ULONG) CShellExtClassFactory::Release()
{
    const LONG count = --m_refCount;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

IFACEMETHODIMP CShellExtClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    if (m_class == ObjectClass::ExplorerCommand)
        return ExplorerCommand::CreateRoot(riid, ppv);

    CShellExt* object = new (std::nothrow) CShellExt(m_kind);
    if (object == nullptr)
        return E_OUTOFMEMORY;

    // The object holds no reference until QueryInterface succeeds; on failure nobody else can have
    // seen it, so it is destroyed here directly.
    const HRESULT hr = object->QueryInterface(riid, ppv);
    if (FAILED(hr))
        delete object;
    return hr;
}

IFACEMETHODIMP CShellExtClassFactory::LockServer(BOOL lock)
{
    LockModule(lock != FALSE);
    return S_OK;
}

} // namespace pellicor
