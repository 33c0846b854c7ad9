#pragma once
// Ownership of OLE automation strings and variants, and of the storage a data object hands out.
#include "common/UniqueHandle.h"

#include <oleauto.h>
#include <objidl.h>
#include <objbase.h>

namespace pellicor
{

// Text the system allocated with CoTaskMemAlloc for the caller to free (IShellItem::GetDisplayName).
using UniqueCoTaskString = UniqueHandle<PWSTR, traits::NullIsInvalid<PWSTR, ::CoTaskMemFree>>;

using UniqueBstr = UniqueHandle<BSTR, traits::NullIsInvalid<BSTR, ::SysFreeString>>;

// A fresh copy of text as a BSTR; null text gives the empty string. Null only when memory ran out.
inline UniqueBstr MakeBstr(const wchar_t* text) noexcept
{
    return UniqueBstr(::SysAllocString(text ? text : L""));
}

// A VARIANT that starts empty and is cleared, releasing whatever it holds, on every path out.
class UniqueVariant
{
public:
    UniqueVariant() noexcept { ::VariantInit(&m_value); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { ::VariantClear(&m_value); }
    VARIANT& get() noexcept { return m_value; }

private:
    VARIANT m_value;
};

// A STGMEDIUM filled by IDataObject::GetData, given back with ReleaseStgMedium once filled.
class UniqueStgMedium
{
public:
    UniqueStgMedium() noexcept = default;
    UniqueStgMedium(const UniqueStgMedium&) = delete;
    UniqueStgMedium& operator=(const UniqueStgMedium&) = delete;
    ~UniqueStgMedium()
    {
        if (m_filled)
            ::ReleaseStgMedium(&m_medium);
    }

    // For GetData's out-parameter; call MarkFilled once GetData has succeeded.
    STGMEDIUM* put() noexcept { return &m_medium; }
    void MarkFilled() noexcept { m_filled = true; }
    const STGMEDIUM& get() const noexcept { return m_medium; }

private:
    STGMEDIUM m_medium{};
    bool m_filled = false;
};

} // namespace pellicor
