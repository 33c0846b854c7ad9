// IsMemberOf with the client present (served by the floor server), absent, stalled (the stand-in),
// and from several threads at once; and the marks around one steady-state call by which
// scripts/bench counts its system calls.
#include "tools/bench/BareTransaction.h"
#include "tools/bench/BenchSections.h"

#include "shellext/channel/ClientCommands.h"
#include "tools/bench/BenchReplies.h"
#include "tools/standin/StandInServer.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace pellicor::bench
{

namespace
{

using standin::Response;
using standin::StandInServer;

constexpr int kThreadRepeats = 5;

const wchar_t kPath[] = L"C:\\Users\\someone\\Drovana\\Projects\\2024\\report final.docx";

bool StartServer(StandInServer& server, unsigned spares)
{
    server.SetSpareInstances(spares);
    std::wstring error;
    if (server.Start(&error))
        return true;
    Progress("cannot start the stand-in: %s", Narrow(error).c_str());
    return false;
}

template <typename Call> double Timed(Call&& call, bool& succeeded)
{
    const Stopwatch watch;
    succeeded = call();
    return watch.ElapsedMicroseconds();
}

void MeasurePresent(const BenchLibrary& library, const BenchOptions& options, Report& report)
{
    const FloorServer server(4);
    if (!server.IsRunning())
        return;
    const ComPtr<IShellIconOverlayIdentifier> overlay =
        library.Create<IShellIconOverlayIdentifier>(IID_IShellIconOverlayIdentifier);
    if (!overlay)
        return;
    const std::vector<std::uint8_t> bytes = RequestBytes(kCommandPathState, {kPath});

    const auto ours = [&] { return overlay->IsMemberOf(kPath, FILE_ATTRIBUTE_NORMAL) == S_OK; };
    const auto floor = [&] { return BareTransaction(bytes); };
    const auto floorWithWait = [&] { return BareTransactionWithWait(bytes); };
    const auto waitAlone = [] { return ::WaitNamedPipeW(kPipeName, kPipeWaitMilliseconds) != FALSE; };

    Progress("IsMemberOf with the client present: %d calls, and as many bare transactions", options.calls);
    std::vector<double> oursSamples, floorSamples, waitSamples, waitAloneSamples;
    int oursMisses = 0, floorMisses = 0, waitMisses = 0, waitAloneMisses = 0;
    bool ok = false;
    for (int i = 0; i < 100; ++i) // warm-up: first connections, page faults, what the check learns once
    {
        ours();
        floor();
    }
    const int perRound = std::max(1, options.calls / options.rounds);
    for (int round = 0; round < options.rounds; ++round)
    {
        for (int i = 0; i < perRound; ++i)
        {
            oursSamples.push_back(Timed(ours, ok));
            oursMisses += ok ? 0 : 1;
        }
        for (int i = 0; i < perRound; ++i)
        {
            floorSamples.push_back(Timed(floor, ok));
            floorMisses += ok ? 0 : 1;
        }
        for (int i = 0; i < perRound; ++i)
        {
            waitSamples.push_back(Timed(floorWithWait, ok));
            waitMisses += ok ? 0 : 1;
        }
        for (int i = 0; i < perRound; ++i)
        {
            waitAloneSamples.push_back(Timed(waitAlone, ok));
            waitAloneMisses += ok ? 0 : 1;
        }
    }

    // The floor is the channel's bare transaction: its 1 ms wait for a free instance is a call every
    // request makes by design, so what is left above it is the library's own work (the server check,
    // the deadline, the codec). Without the wait, and the wait alone, are shown beside it.
    const Summary oursSummary = Summarize(oursSamples);
    const Summary floorSummary = Summarize(waitSamples);
    const std::string sameBytes = " of the same " + std::to_string(bytes.size()) + " bytes";
    const std::string floorName = "bare transaction: the 1 ms wait, connect, write, read, close" + sameBytes +
                                  " (misses: " + std::to_string(waitMisses) + ")";
    report.Add({"IsMemberOf, client present", "us", oursSummary, floorName, floorSummary,
                "answers other than S_OK: " + std::to_string(oursMisses)});
    report.Add({"  bare transaction without the wait", "us", Summarize(floorSamples), "", {},
                "connect, write, read, close" + sameBytes + "; misses: " + std::to_string(floorMisses)});
    report.Add({"  WaitNamedPipeW alone (1 ms), client present",
                "us",
                Summarize(waitAloneSamples),
                "",
                {},
                "misses: " + std::to_string(waitAloneMisses)});

    report.Target("overlay_present_vs_floor", oursSummary.median / floorSummary.median, kPipeOverheadLimit);
}

void MeasureAbsent(const BenchLibrary& library, const BenchOptions& options, Report& report)
{
    const ComPtr<IShellIconOverlayIdentifier> overlay =
        library.Create<IShellIconOverlayIdentifier>(IID_IShellIconOverlayIdentifier);
    if (!overlay)
        return;
    Progress("IsMemberOf with the client absent: %d calls", options.calls);
    std::vector<double> oursSamples, floorSamples;
    int hits = 0;
    bool ok = false;
    const int perRound = std::max(1, options.calls / options.rounds);
    for (int round = 0; round < options.rounds; ++round)
    {
        for (int i = 0; i < perRound; ++i)
        {
            oursSamples.push_back(
                Timed([&] { return overlay->IsMemberOf(kPath, FILE_ATTRIBUTE_NORMAL) == S_OK; }, ok));
            hits += ok ? 1 : 0;
        }
        for (int i = 0; i < perRound; ++i)
            floorSamples.push_back(
                Timed([] { return ::WaitNamedPipeW(kPipeName, kPipeWaitMilliseconds) != FALSE; }, ok));
    }
    const Summary oursSummary = Summarize(oursSamples);
    report.Add({"IsMemberOf, client absent", "us", oursSummary,
                "WaitNamedPipeW alone (1 ms) on the absent pipe", Summarize(floorSamples),
                "answers S_OK (must be 0): " + std::to_string(hits)});
    report.Target("overlay_absent_p99_ms", oursSummary.p99 / 1000.0, kAbsentP99LimitMs, Report::Bound::Under);
}

// One call against a client that has stopped, in each of the two ways a client stops: what it costs
// is the transaction's deadline.
void MeasureStalled(const BenchLibrary& library, const BenchOptions& options, Report& report)
{
    const ComPtr<IShellIconOverlayIdentifier> overlay =
        library.Create<IShellIconOverlayIdentifier>(IID_IShellIconOverlayIdentifier);
    if (!overlay)
        return;
    const int calls = std::max(3, options.rounds / 4);
    for (const bool neverReads : {false, true})
    {
        StandInServer server;
        server.SetNeverReads(neverReads);
        if (!StartServer(server, 2))
            return;
        server.SetResponse(kCommandPathState, Response::NoAnswer());
        const char* way = neverReads ? "never reads" : "reads, never answers";
        Progress("IsMemberOf with a stalled client that %s: %d calls of about %u ms", way, calls,
                 kTransactionDeadlineMilliseconds);
        std::vector<double> samples;
        int hits = 0;
        bool ok = false;
        for (int i = 0; i < calls; ++i)
        {
            samples.push_back(
                Timed([&] { return overlay->IsMemberOf(kPath, FILE_ATTRIBUTE_NORMAL) == S_OK; }, ok) /
                1000.0);
            hits += ok ? 1 : 0;
        }
        report.Add({std::string("IsMemberOf, client stalled: ") + way,
                    "ms",
                    Summarize(samples),
                    "",
                    {},
                    "the deadline: " + std::to_string(kTransactionDeadlineMilliseconds) +
                        " ms; answers S_OK (must be 0): " + std::to_string(hits)});
    }
}

struct ThreadRun
{
    double wallMicroseconds = 0;
    std::vector<double> samples;
    int misses = 0;
};

// calls spread over threads, each with its own object, all released at one instant.
template <typename MakeCall> ThreadRun RunThreads(int threads, int calls, MakeCall&& makeCall)
{
    ThreadRun run;
    std::vector<std::vector<double>> samples(static_cast<std::size_t>(threads));
    std::atomic<int> misses{0};
    // Every thread waits at the gate with its object made; the clock starts when the gate opens.
    std::atomic<int> ready{0};
    UniqueKernelHandle gate(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
    {
        workers.emplace_back(
            [&, t, call = makeCall()]
            {
                const int mine = calls / threads;
                samples[t].reserve(static_cast<std::size_t>(mine));
                ready.fetch_add(1);
                ::WaitForSingleObject(gate.get(), INFINITE);
                bool ok = false;
                for (int i = 0; i < mine; ++i)
                {
                    samples[t].push_back(Timed(call, ok));
                    if (!ok)
                        misses.fetch_add(1);
                }
            });
    }
    while (ready.load() != threads)
        ::Sleep(1);
    const Stopwatch wall;
    ::SetEvent(gate.get());
    for (std::thread& worker : workers)
        worker.join();
    run.wallMicroseconds = wall.ElapsedMicroseconds();
    for (const auto& s : samples)
        run.samples.insert(run.samples.end(), s.begin(), s.end());
    run.misses = misses.load();
    return run;
}

void MeasureThreads(const BenchLibrary& library, const BenchOptions& options, Report& report)
{
    // Enough listening instances that the server's capacity, not a missing instance, sets the pace.
    const FloorServer server(16);
    if (!server.IsRunning())
        return;
    const std::vector<std::uint8_t> bytes = RequestBytes(kCommandPathState, {kPath});
    const auto makeOurs = [&]
    {
        ComPtr<IShellIconOverlayIdentifier> overlay =
            library.Create<IShellIconOverlayIdentifier>(IID_IShellIconOverlayIdentifier);
        return [overlay] { return overlay && overlay->IsMemberOf(kPath, FILE_ATTRIBUTE_NORMAL) == S_OK; };
    };
    const auto makeFloor = [&] { return [&bytes] { return BareTransactionWithWait(bytes); }; };

    double singleThroughput = 0;
    for (int threads : {1, 2, 4, 8})
    {
        const int calls = options.calls - options.calls % threads;
        Progress("IsMemberOf from %d thread(s): %d calls, and as many bare transactions, %d times", threads,
                 calls, kThreadRepeats);
        // Alternations of both sides; the median wall time of each side counts.
        std::vector<ThreadRun> oursRuns, floorRuns;
        for (int repeat = 0; repeat < kThreadRepeats; ++repeat)
        {
            oursRuns.push_back(RunThreads(threads, calls, makeOurs));
            floorRuns.push_back(RunThreads(threads, calls, makeFloor));
        }
        const auto byWall = [](const ThreadRun& a, const ThreadRun& b)
        { return a.wallMicroseconds < b.wallMicroseconds; };
        std::sort(oursRuns.begin(), oursRuns.end(), byWall);
        std::sort(floorRuns.begin(), floorRuns.end(), byWall);
        const ThreadRun& ours = oursRuns[kThreadRepeats / 2];
        const ThreadRun& floor = floorRuns[kThreadRepeats / 2];

        const double oursThroughput = calls / (ours.wallMicroseconds / 1e6);
        const double floorThroughput = calls / (floor.wallMicroseconds / 1e6);
        if (threads == 1)
            singleThroughput = oursThroughput;
        report.Add({"IsMemberOf, " + std::to_string(threads) + " thread(s) at once", "us",
                    Summarize(ours.samples), "bare transactions from as many threads",
                    Summarize(floor.samples),
                    "calls/s: " + Figure(oursThroughput) + " (floor " + Figure(floorThroughput) + "), " +
                        Figure(oursThroughput / singleThroughput) + " x one thread; misses " +
                        std::to_string(ours.misses) + " (floor " + std::to_string(floor.misses) + ")"});
        report.Target("overlay_threads_" + std::to_string(threads) + "_vs_floor",
                      floorThroughput / oursThroughput, kPipeOverheadLimit);
    }
}

// A named event made and closed at once: its name shows in the wineserver's trace, on this thread.
void Mark(const wchar_t* name)
{
    const UniqueKernelHandle mark(::CreateEventW(nullptr, TRUE, FALSE, name));
}

} // namespace

void MarkSteadyStateCalls(const BenchLibrary& library)
{
    const FloorServer server(4);
    const ComPtr<IShellIconOverlayIdentifier> overlay =
        library.Create<IShellIconOverlayIdentifier>(IID_IShellIconOverlayIdentifier);
    if (!server.IsRunning() || !overlay)
        return;
    const std::vector<std::uint8_t> bytes = RequestBytes(kCommandPathState, {kPath});
    const auto ours = [&] { return overlay->IsMemberOf(kPath, FILE_ATTRIBUTE_NORMAL) == S_OK; };
    const auto floor = [&] { return BareTransaction(bytes); };
    const auto floorWithWait = [&] { return BareTransactionWithWait(bytes); };
    for (int i = 0; i < 20; ++i) // what the check learns once is learned before the marks
    {
        ours();
        floor();
        floorWithWait();
    }
    int answered = 0;
    Mark(L"pellicor-bench-mark-ours");
    answered += ours() ? 1 : 0;
    Mark(L"pellicor-bench-mark-ours-end");
    Mark(L"pellicor-bench-mark-bare");
    answered += floor() ? 1 : 0;
    Mark(L"pellicor-bench-mark-bare-end");
    Mark(L"pellicor-bench-mark-wait");
    answered += floorWithWait() ? 1 : 0;
    Mark(L"pellicor-bench-mark-wait-end");
    std::printf("marked calls answered: %d of 3\n", answered);
}

void RunOverlayBenchmarks(const BenchLibrary& library, const BenchOptions& options, Report& report)
{
    MeasurePresent(library, options, report);
    MeasureAbsent(library, options, report);
    MeasureStalled(library, options, report);
    MeasureThreads(library, options, report);
}

} // namespace pellicor::bench
