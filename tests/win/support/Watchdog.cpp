#include "tests/win/support/Watchdog.h"

#include <windows.h>

#include <cstdio>

namespace pellicor::test
{

namespace
{

// After a rescue, how long the guarded scope may still take before the process is ended.
constexpr std::chrono::seconds kRescueGrace{20};

} // namespace

Watchdog::Watchdog(std::chrono::milliseconds limit, std::function<void()> rescue)
    : m_rescue(std::move(rescue)), m_thread([this, limit] { Watch(limit); })
{
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_scopeEnded = true;
    }
    m_ended.notify_all();
    m_thread.join();
}

void Watchdog::Watch(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    if (m_ended.wait_for(lock, limit, [this] { return m_scopeEnded; }))
        return;
    m_fired = true;
    std::fprintf(stderr, "watchdog: still running after %lld ms; rescuing\n",
                 static_cast<long long>(limit.count()));
    std::fflush(stderr);
    if (m_rescue)
    {
        lock.unlock();
        m_rescue();
        lock.lock();
    }
    if (m_ended.wait_for(lock, kRescueGrace, [this] { return m_scopeEnded; }))
        return;
    std::fprintf(stderr, "watchdog: the guarded code is still stuck; ending the test program\n");
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
}

} // namespace pellicor::test
