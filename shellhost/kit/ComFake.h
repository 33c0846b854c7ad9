#pragma once
// The COM plumbing of the objects that play Explorer's side: QueryInterface from the list of
// interfaces an object implements, an atomic reference count, and the IDispatch answers of a dual
// interface that is only ever called through its vtable. A fake writes only the methods it serves.
#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <type_traits>

namespace pellicor::shellkit
{

// The interface a base class of a fake answers for: the class itself, or the `Interface` it names
// when it is a layer of default methods over one.
template <typename Base, typename = void> struct InterfaceOf
{
    using type = Base;
};
template <typename Base> struct InterfaceOf<Base, std::void_t<typename Base::Interface>>
{
    using type = typename Base::Interface;
};

// Answers IUnknown through the first base (one identity), each base's interface by its IID, and
// IDispatch through the first dual one. Made with new and a reference of 0; deleted at the last
// Release.
template <typename... Bases> class ComFake : public Bases...
{
public:
    ComFake(const ComFake&) = delete;
    ComFake& operator=(const ComFake&) = delete;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        ((*ppv = *ppv ? *ppv : Match<Bases>(riid)), ...);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }

protected:
    ComFake() = default;
    virtual ~ComFake() = default;

private:
    template <typename Base> void* Match(REFIID riid)
    {
        using Interface = typename InterfaceOf<Base>::type;
        if (::IsEqualIID(riid, __uuidof(Interface)) || ::IsEqualIID(riid, IID_IUnknown) ||
            (std::is_base_of_v<IDispatch, Interface> && ::IsEqualIID(riid, IID_IDispatch)))
            return static_cast<Interface*>(static_cast<Base*>(this));
        return nullptr;
    }

    std::atomic<ULONG> m_refs{0};
};

// A dual interface's IDispatch for callers that use the vtable only: no type information, names or
// late-bound calls.
template <typename Dual> class DispatchStubs : public Dual
{
public:
    using Interface = Dual;

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
};

} // namespace pellicor::shellkit

// Default stubs for the properties of a dual interface that a fake does not serve, for lists of
// X(Name, Type): get_Name, and put_Name for a property that can be set, answer E_NOTIMPL.
// clang-format off
#define PELLICOR_STUB_GETTER(Name, Type) IFACEMETHODIMP get_##Name(Type*) override { return E_NOTIMPL; }
#define PELLICOR_STUB_PROPERTY(Name, Type)                                                                   \
    PELLICOR_STUB_GETTER(Name, Type)                                                                         \
    IFACEMETHODIMP put_##Name(Type) override { return E_NOTIMPL; }
// clang-format on
