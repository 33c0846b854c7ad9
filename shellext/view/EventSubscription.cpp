#include "shellext/view/EventSubscription.h"

#include <utility>

namespace pellicor
{

HRESULT EventSubscription::Advise(IUnknown& source, REFIID events, IDispatch* sink)
{
    Unadvise();
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(source.QueryInterface(IID_PPV_ARGS(container.put()))) || !container)
        return S_OK;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(events, point.put())) || !point)
        return S_OK;
    DWORD cookie = 0;
    if (FAILED(point->Advise(sink, &cookie)))
        return E_FAIL;
    m_point = std::move(point);
    m_cookie = cookie;
    return S_OK;
}

void EventSubscription::Unadvise() noexcept
{
    // Taken out first: the source lets go of the sink, which may be the last hold on our owner.
    const ComPtr<IConnectionPoint> point = std::move(m_point);
    if (point)
        point->Unadvise(std::exchange(m_cookie, 0));
}

} // namespace pellicor
