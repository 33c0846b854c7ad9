#pragma once
// A minimal owning COM pointer: one reference, released on reset and destruction.
#include <unknwn.h>
#include <utility>

namespace pellicor
{

template <typename T> class ComPtr
{
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) noexcept : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    // For out-parameters that hand over a reference (QueryInterface, CoCreateInstance, get_X).
    T** put() noexcept
    {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // Adopts a reference the caller already owns.
    void attach(T* p) noexcept
    {
        reset();
        m_p = p;
    }
    T* detach() noexcept { return std::exchange(m_p, nullptr); }

    void reset() noexcept
    {
        if (T* old = std::exchange(m_p, nullptr))
            old->Release();
    }

    template <typename U> HRESULT As(ComPtr<U>& out) const noexcept
    {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(__uuidof(U), out.put_void());
    }

private:
    T* m_p = nullptr;
};

} // namespace pellicor
