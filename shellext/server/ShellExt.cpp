// Life, identity and the small IObjectWithSite/IDispatch pieces of CShellExt. The subsystems'
// operations are implemented in their own folders.
#include "shellext/server/ShellExt.h"

namespace pellicor
{

CShellExt::CShellExt(std::int32_t kind) noexcept : m_kind(kind) {}

CShellExt::~CShellExt()
{
    DetachView(); // no timer, window or subclass of the view may reach this object after it is gone
    // The picture first, then the browser; the maps, lists and strings free themselves.
    m_avatarPicture.reset();
    WithdrawSite();
}

IFACEMETHODIMP CShellExt::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;

    // Matched in this order; the three context-menu interfaces share one identity.
    const struct
    {
        const IID* iid;
        IUnknown* identity;
    } kIdentities[] = {
        {&IID_IShellIconOverlayIdentifier, static_cast<IShellIconOverlayIdentifier*>(this)},
        {&IID_IUnknown, static_cast<IShellIconOverlayIdentifier*>(this)},
        {&IID_IShellExtInit, static_cast<IShellExtInit*>(this)},
        {&IID_IContextMenu, static_cast<IContextMenu3*>(this)},
        {&IID_IContextMenu2, static_cast<IContextMenu3*>(this)},
        {&IID_IContextMenu3, static_cast<IContextMenu3*>(this)},
        {&IID_ICopyHookW, static_cast<ICopyHookW*>(this)},
        {&IID_IObjectWithSite, static_cast<IObjectWithSite*>(this)},
        {&IID_IDispatch, static_cast<IDispatch*>(this)},
    };
    for (const auto& entry : kIdentities)
    {
        if (::IsEqualIID(riid, *entry.iid))
        {
            entry.identity->AddRef();
            *ppv = entry.identity;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

IFACEMETHODIMP_(ULONG) CShellExt::AddRef()
{
    return static_cast<ULONG>(++m_refCount);
}

IFACEMETHODIMP_(ULONG) CShellExt::Release()
{
    const LONG count = --m_refCount;
    if (count == 0 && !HandTeardownToViewThread())
        delete this;
    return static_cast<ULONG>(count);
}

// The site is only ever given to us; nobody is handed it back.
IFACEMETHODIMP CShellExt::GetSite(REFIID, void**)
{
    return E_NOINTERFACE;
}

// The dispatch identity only receives the browser's events; it describes no type.
IFACEMETHODIMP CShellExt::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

IFACEMETHODIMP CShellExt::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo)
{
    if (typeInfo != nullptr)
        *typeInfo = nullptr;
    return E_NOTIMPL;
}

IFACEMETHODIMP CShellExt::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids)
{
    if (ids != nullptr)
    {
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
    }
    return E_NOTIMPL;
}

} // namespace pellicor
