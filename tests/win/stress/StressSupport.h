#pragma once
// What every stress run needs: the run itself (a warm-up round, then the main round between two
// resource counts of the process), a bound on how long a round may take on a loaded machine,
// workers on threads of their own, and warning boxes closed as soon as they open.
#include "tests/win/support/LibraryUnderTest.h"
#include "tools/standin/StandInServer.h"

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <type_traits>
#include <string>
#include <vector>

namespace pellicor::test
{

// Every stress program runs this many workers at once.
constexpr int kThreads = 8;

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

// Runs work(t) for t = 0 .. threads - 1, each on a thread of its own, and waits for all of them.
void OnThreads(int threads, const std::function<void(int)>& work);

// A stress run: round(deadline, false) for a second, so that what the system sets up on first use
// is not counted as ours, then round(deadline, true) for StressBudget(). Afterwards the library must
// unload, and the process must hold the handles (give or take spareHandles), GDI and USER objects
// it held before the main round.
void RunStress(const char* name, const LibraryUnderTest& library,
               const std::function<void(const Deadline& deadline, bool main)>& round, DWORD spareHandles = 0);

// While alive on a thread, every message box that the thread opens is answered with OK at once:
// its creation is seen through a CBT hook and the answer posted to it, so the box runs its real
// modal loop and closes without anyone watching the screen. Counts the boxes it closed.
class BoxCloser
{
public:
    BoxCloser();
    ~BoxCloser();

    std::size_t Closed() const;

private:
    std::unique_ptr<std::remove_pointer_t<HHOOK>, decltype(&::UnhookWindowsHookEx)> m_hook;
};

// The stand-in's answer travels in the selected path itself: prefix, then the answer's letter
// ('A' for answer 0), then the rest of the path. AnswerIn gives -1 for a path that names none.
std::wstring PathWithAnswer(const wchar_t* prefix, int answer, const std::wstring& rest);
int AnswerIn(const std::wstring& path, const wchar_t* prefix);

// A stress run (RunStress) against the restarting stand-in, which answers with decide: each round
// runs work(t, deadline, main) on kThreads threads, the stand-in restarted every restartEveryMs in
// the main round only. The main round's restarts, for the report line.
struct StandInRestarts
{
    int done = 0;
    int failed = 0;
};
StandInRestarts RunStressAgainstStandIn(
    const char* name, const LibraryUnderTest& library, const standin::Handler& decide, DWORD restartEveryMs,
    const std::function<void(int t, const Deadline& deadline, bool main)>& work);

} // namespace pellicor::test
