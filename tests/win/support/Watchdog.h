#pragma once
// Guards test code that may hang, such as a call into the library while the client stalls. If the
// guarded scope has not ended within its limit, `rescue` runs on the watchdog's own thread to unblock
// it (stopping the stand-in breaks every stalled connection) and Fired() turns true for the test to
// fail on. If even the rescue leaves the scope stuck, the process ends with a failure: a regression
// must fail the run, never stall ctest until its time-out.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace pellicor::test
{

class Watchdog
{
public:
    explicit Watchdog(std::chrono::milliseconds limit, std::function<void()> rescue = {});
    ~Watchdog(); // the guarded scope has ended
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    bool Fired() const { return m_fired.load(); }

private:
    void Watch(std::chrono::milliseconds limit);

    std::function<void()> m_rescue;
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_scopeEnded = false;
    std::atomic<bool> m_fired{false};
    std::thread m_thread;
};

} // namespace pellicor::test
