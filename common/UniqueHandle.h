#pragma once
// RAII ownership for every kind of Win32 handle, one template for all of them: a handle is owned
// from the moment it exists, and released exactly once on every path out of a scope.
#include <windows.h>
#include <utility>

namespace pellicor
{

template <typename T, typename Traits> class UniqueHandle
{
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T value) noexcept : m_value(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_value(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return Traits::IsValid(m_value); }

    // For out-parameters of creating calls: releases what is held and hands out the slot.
    T* put() noexcept
    {
        reset();
        return &m_value;
    }

    T release() noexcept { return std::exchange(m_value, Traits::Invalid()); }

    void reset(T value = Traits::Invalid()) noexcept
    {
        T old = std::exchange(m_value, value);
        if (Traits::IsValid(old))
            Traits::Close(old);
    }

private:
    T m_value = Traits::Invalid();
};

namespace traits
{
template <typename T, auto CloseFn, T InvalidValue = T{}> struct NullIsInvalid
{
    static constexpr T Invalid() noexcept { return InvalidValue; }
    static bool IsValid(T v) noexcept { return v != InvalidValue; }
    static void Close(T v) noexcept { CloseFn(v); }
};

struct File
{
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE v) noexcept { return v != INVALID_HANDLE_VALUE && v != nullptr; }
    static void Close(HANDLE v) noexcept { ::CloseHandle(v); }
};

struct Find
{
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE v) noexcept { return v != INVALID_HANDLE_VALUE && v != nullptr; }
    static void Close(HANDLE v) noexcept { ::FindClose(v); }
};

inline void CloseKey(HKEY key) noexcept
{
    ::RegCloseKey(key);
}
inline void CloseKernelHandle(HANDLE h) noexcept
{
    ::CloseHandle(h);
}
template <typename H> inline void DeleteGdiObject(H h) noexcept
{
    ::DeleteObject(h);
}
inline void DeleteMemoryDc(HDC h) noexcept
{
    ::DeleteDC(h);
}
inline void DestroyMenuHandle(HMENU h) noexcept
{
    ::DestroyMenu(h);
}
inline void FreeGlobal(HGLOBAL h) noexcept
{
    ::GlobalFree(h);
}
inline void UnloadModule(HMODULE h) noexcept
{
    ::FreeLibrary(h);
}
inline void DestroyWindowHandle(HWND h) noexcept
{
    ::DestroyWindow(h);
}
} // namespace traits

// Processes, threads, tokens and events use null for "none"; files, pipes and Tool Help snapshots
// use INVALID_HANDLE_VALUE and take UniqueFile.
using UniqueKernelHandle = UniqueHandle<HANDLE, traits::NullIsInvalid<HANDLE, traits::CloseKernelHandle>>;
using UniqueFile = UniqueHandle<HANDLE, traits::File>; // CreateFileW, pipes, CreateToolhelp32Snapshot
using UniqueFind = UniqueHandle<HANDLE, traits::Find>; // FindFirstFileW
using UniqueKey = UniqueHandle<HKEY, traits::NullIsInvalid<HKEY, traits::CloseKey>>;
using UniqueBitmap = UniqueHandle<HBITMAP, traits::NullIsInvalid<HBITMAP, traits::DeleteGdiObject<HBITMAP>>>;
using UniqueFont = UniqueHandle<HFONT, traits::NullIsInvalid<HFONT, traits::DeleteGdiObject<HFONT>>>;
using UniqueMemoryDc = UniqueHandle<HDC, traits::NullIsInvalid<HDC, traits::DeleteMemoryDc>>;
using UniqueMenu = UniqueHandle<HMENU, traits::NullIsInvalid<HMENU, traits::DestroyMenuHandle>>;
using UniqueGlobal = UniqueHandle<HGLOBAL, traits::NullIsInvalid<HGLOBAL, traits::FreeGlobal>>;
using UniqueModule = UniqueHandle<HMODULE, traits::NullIsInvalid<HMODULE, traits::UnloadModule>>;
using UniqueWindow = UniqueHandle<HWND, traits::NullIsInvalid<HWND, traits::DestroyWindowHandle>>;

// Keeps a GDI object selected into a device context for one scope and puts the old one back.
class ScopedSelectObject
{
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
    ~ScopedSelectObject()
    {
        if (m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

} // namespace pellicor
