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
// CloseFn is the system's own release function; what it returns is of no use on the way out.
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

} // namespace traits

// Processes, threads, tokens and events use null for "none"; files, pipes and Tool Help snapshots
// use INVALID_HANDLE_VALUE and take UniqueFile.
using UniqueKernelHandle = UniqueHandle<HANDLE, traits::NullIsInvalid<HANDLE, ::CloseHandle>>;
using UniqueFile = UniqueHandle<HANDLE, traits::File>; // CreateFileW, pipes, CreateToolhelp32Snapshot
using UniqueFind = UniqueHandle<HANDLE, traits::Find>; // FindFirstFileW
using UniqueKey = UniqueHandle<HKEY, traits::NullIsInvalid<HKEY, ::RegCloseKey>>;
using UniqueBitmap = UniqueHandle<HBITMAP, traits::NullIsInvalid<HBITMAP, ::DeleteObject>>;
using UniqueFont = UniqueHandle<HFONT, traits::NullIsInvalid<HFONT, ::DeleteObject>>;
using UniqueMemoryDc = UniqueHandle<HDC, traits::NullIsInvalid<HDC, ::DeleteDC>>;
using UniqueIcon = UniqueHandle<HICON, traits::NullIsInvalid<HICON, ::DestroyIcon>>;
using UniqueMenu = UniqueHandle<HMENU, traits::NullIsInvalid<HMENU, ::DestroyMenu>>;
using UniqueGlobal = UniqueHandle<HGLOBAL, traits::NullIsInvalid<HGLOBAL, ::GlobalFree>>;
using UniqueModule = UniqueHandle<HMODULE, traits::NullIsInvalid<HMODULE, ::FreeLibrary>>;
using UniqueWindow = UniqueHandle<HWND, traits::NullIsInvalid<HWND, ::DestroyWindow>>;
// Memory the system allocated for the caller with LocalAlloc (ConvertSidToStringSidW, CommandLineToArgvW).
template <typename T> using UniqueLocal = UniqueHandle<T*, traits::NullIsInvalid<T*, ::LocalFree>>;

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

// A window's device context from GetDC, released for one scope.
class ScopedWindowDc
{
public:
    explicit ScopedWindowDc(HWND window) noexcept : m_window(window), m_dc(::GetDC(window)) {}
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    ~ScopedWindowDc()
    {
        if (m_dc)
            ::ReleaseDC(m_window, m_dc);
    }
    HDC get() const noexcept { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// Keeps a movable global memory block locked for one scope; get() is null when it could not be locked.
class ScopedGlobalLock
{
public:
    explicit ScopedGlobalLock(HGLOBAL memory) noexcept : m_memory(memory), m_data(::GlobalLock(memory)) {}
    ScopedGlobalLock(const ScopedGlobalLock&) = delete;
    ScopedGlobalLock& operator=(const ScopedGlobalLock&) = delete;
    ~ScopedGlobalLock()
    {
        if (m_data)
            ::GlobalUnlock(m_memory);
    }
    void* get() const noexcept { return m_data; }
    explicit operator bool() const noexcept { return m_data != nullptr; }

private:
    HGLOBAL m_memory;
    void* m_data;
};

} // namespace pellicor
