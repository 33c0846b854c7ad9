#pragma once
// One subscription to an event source's connection point, kept so that it can be ended. The source
// holds a small forwarding sink, never the object itself: the object holds the browser, and a
// browser holding the object back would keep both alive when a host releases the object without
// withdrawing the site first. The forwarder's link to the object is cut before it is let go.
#include "common/ComPtr.h"

#include <windows.h>
#include <ocidl.h>

namespace pellicor
{

class EventSubscription
{
public:
    EventSubscription() noexcept = default;
    EventSubscription(const EventSubscription&) = delete;
    EventSubscription& operator=(const EventSubscription&) = delete;
    ~EventSubscription() { Unadvise(); }

    // Ends the previous subscription, then subscribes a forwarder of `target` (not held) to `source`'s
    // connection point for `events`. A source without connection points is no error (there is
    // nothing to hear); only a refused Advise is.
    HRESULT Advise(IUnknown& source, REFIID events, IDispatch* target);
    void Unadvise() noexcept;

private:
    class Forwarder;
    ComPtr<IConnectionPoint> m_point;
    ComPtr<IDispatch> m_sink;         // the forwarder, held
    Forwarder* m_forwarder = nullptr; // the same, to cut its link
    DWORD m_cookie = 0;
};

} // namespace pellicor
