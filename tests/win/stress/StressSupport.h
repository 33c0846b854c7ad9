#pragma once
// What every stress run needs: the process's resource counts before and after, a bound on how
// long a run may take on a loaded machine, and warning boxes closed as soon as they open.
#include "common/UniqueHandle.h"
#include "tools/standin/StandInServer.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <thread>
#include <string>
#include <vector>

namespace pellicor::test
{

// Kernel handles of this process, and GDI and USER objects where the system counts them.
struct ResourceCounts
{
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
};
ResourceCounts CurrentResourceCounts();

// The process's handle values, and a description (type and name) of those opened since a snapshot,
// for the message of a failed count.
std::vector<USHORT> HandleSnapshot();
std::string DescribeHandlesOpenedSince(const std::vector<USHORT>& snapshot);
void PrintResourceCounts(const char* run, const ResourceCounts& before, const ResourceCounts& after);

// How long the main round of each stress program goes on: PELLICOR_STRESS_SECONDS when it is set
// (1 to 3600), otherwise 15 s, which is what scripts/test runs. Soak runs by hand set minutes.
std::chrono::seconds StressBudget();
// A worker's share of calls for the budget, perSecond for each of its seconds: more than the machine
// reaches, so that the budget ends a run and the share only bounds it on a much faster machine.
int CallsPerWorker(int perSecond);

// Each worker stops at whichever comes first: its share of calls, or the deadline. The figures
// that a run reaches are printed, never asserted: the machine is shared.
class Deadline
{
public:
    explicit Deadline(std::chrono::seconds budget) : m_end(std::chrono::steady_clock::now() + budget) {}
    bool Passed() const { return std::chrono::steady_clock::now() >= m_end; }

private:
    std::chrono::steady_clock::time_point m_end;
};

// While alive on a thread, every message box that the thread opens is answered with OK at once:
// its creation is seen through a CBT hook and the answer posted to it, so the box runs its real
// modal loop and closes without anyone watching the screen. Counts the boxes it closed.
class BoxCloser
{
public:
    BoxCloser();
    ~BoxCloser();
    BoxCloser(const BoxCloser&) = delete;
    BoxCloser& operator=(const BoxCloser&) = delete;

    std::size_t Closed() const;

private:
    HHOOK m_hook = nullptr;
};

// The client stand-in on the real pipe, stopped and started again every so often while a run goes
// on (never, for a restart interval of 0). Everything it holds, threads, instances, events and
// locks, is gone after Finish, so that a run's resource counts see only the library's.
class RestartingStandIn
{
public:
    RestartingStandIn(standin::Handler handler, unsigned spareInstances, DWORD restartEveryMs);
    ~RestartingStandIn();
    RestartingStandIn(const RestartingStandIn&) = delete;
    RestartingStandIn& operator=(const RestartingStandIn&) = delete;

    bool Started() const { return m_started; }
    void Finish();
    int Restarts() const { return m_restarts.load(); }
    int FailedStarts() const { return m_failedStarts.load(); }

private:
    std::unique_ptr<standin::StandInServer> m_server;
    UniqueKernelHandle m_done;
    std::thread m_restarter;
    bool m_started = false;
    std::atomic<int> m_restarts{0};
    std::atomic<int> m_failedStarts{0};
};

} // namespace pellicor::test
