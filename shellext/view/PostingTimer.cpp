#include "shellext/view/PostingTimer.h"

#include <atomic>

namespace pellicor
{

namespace
{
// Tags are unique in the process, so a message from any earlier start never matches a later one.
std::atomic<WPARAM> g_nextTag{1};
} // namespace

bool PostingTimer::Start(HWND target, UINT message, DWORD dueMs, DWORD periodMs) noexcept
{
    Stop();
    m_post = Post{target, message, g_nextTag.fetch_add(1)};
    HANDLE timer = nullptr;
    if (!::CreateTimerQueueTimer(&timer, nullptr, Fire, &m_post, dueMs, periodMs, WT_EXECUTEDEFAULT))
        return false;
    m_timer = timer;
    return true;
}

void PostingTimer::Stop() noexcept
{
    if (HANDLE timer = m_timer)
    {
        m_timer = nullptr;
        // INVALID_HANDLE_VALUE: return only once no callback runs any more. The callback only posts,
        // so the wait is bounded; this is never called from the callback itself.
        ::DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);
    }
}

void CALLBACK PostingTimer::Fire(PVOID context, BOOLEAN) noexcept
{
    const auto* post = static_cast<const Post*>(context);
    if (post->target) // a null window would post to this worker thread, where nobody reads
        ::PostMessageW(post->target, post->message, post->tag, 0);
}

} // namespace pellicor
