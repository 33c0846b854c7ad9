#pragma once
// One subscription to an event source's connection point, kept so that it can be ended. While a
// source holds the object as its sink, the object holds the browser: withdrawing the site must end
// every subscription, or the two keep each other alive.
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

    // Ends the previous subscription, then subscribes `sink` to `source`'s connection point for
    // `events`. A source without connection points is no error (there is nothing to hear); only a
    // refused Advise is.
    HRESULT Advise(IUnknown& source, REFIID events, IDispatch* sink);
    void Unadvise() noexcept;

private:
    ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

} // namespace pellicor
