#include "shellext/view/EventSubscription.h"

#include "shellext/server/ModuleReference.h"

#include <atomic>
#include <new>
#include <utility>

namespace pellicor
{

// The sink a source holds: answers as `events` and IDispatch, passes Invoke on to the object while
// the subscription lasts, and nothing after.
class EventSubscription::Forwarder final : public IDispatch, private ModuleReference
{
public:
    Forwarder(REFIID events, IDispatch* target) noexcept : m_events(events), m_target(target) {}
    void Cut() noexcept { m_target = nullptr; }

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != m_events)
            return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
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
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT* argument) override
    {
        IDispatch* const target = m_target;
        return target ? target->Invoke(id, riid, locale, flags, params, result, exception, argument) : S_OK;
    }

private:
    ~Forwarder() = default;

    std::atomic<ULONG> m_refCount{1};
    const IID m_events;
    IDispatch* m_target;
};

HRESULT EventSubscription::Advise(IUnknown& source, REFIID events, IDispatch* target)
{
    Unadvise();
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(source.QueryInterface(IID_PPV_ARGS(container.put()))) || !container)
        return S_OK;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(events, point.put())) || !point)
        return S_OK;
    auto* const forwarder = new (std::nothrow) Forwarder(events, target);
    if (!forwarder)
        return E_OUTOFMEMORY;
    ComPtr<IDispatch> sink;
    sink.attach(forwarder);
    DWORD cookie = 0;
    if (FAILED(point->Advise(sink.get(), &cookie)))
        return E_FAIL;
    m_point = std::move(point);
    m_sink = std::move(sink);
    m_forwarder = forwarder;
    m_cookie = cookie;
    return S_OK;
}

void EventSubscription::Unadvise() noexcept
{
    // Cut first: a source may still call a sink it is letting go of.
    if (auto* const forwarder = std::exchange(m_forwarder, nullptr))
        forwarder->Cut();
    const ComPtr<IConnectionPoint> point = std::move(m_point);
    if (point)
        point->Unadvise(std::exchange(m_cookie, 0));
    m_sink.reset();
}

} // namespace pellicor
