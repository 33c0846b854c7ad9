#pragma once
// The benchmark's sections. Each measures our calls and their floor in the same run, interleaved
// in rounds so that a change of machine load hits both alike, and adds rows and targets.
#include "tools/bench/BenchLibrary.h"
#include "tools/bench/BenchStats.h"

namespace pellicor::bench
{

struct BenchOptions
{
    int calls = 2000;     // per measurement (per thread count for the threaded one)
    int rounds = 20;      // the calls are split into this many alternating rounds
    bool overlays = true; // IsMemberOf present, absent, threads
    bool menu = true;     // QueryContextMenu + InvokeCommand
    bool guard = true;    // CopyCallback
};

// Progress lines go to stderr; the table and the verdicts to stdout.
void Progress(const char* format, ...);

void RunOverlayBenchmarks(const BenchLibrary& library, const BenchOptions& options, Report& report);
void RunMenuBenchmarks(const BenchLibrary& library, const BenchOptions& options, Report& report);
void RunGuardBenchmarks(const BenchLibrary& library, const BenchOptions& options, Report& report);

// One steady-state IsMemberOf, one bare transaction and one bare transaction after the 1 ms wait,
// each between two marks that scripts/bench finds in the wineserver's trace to count what each
// costs in round trips.
void MarkSteadyStateCalls(const BenchLibrary& library);

// Ratio limits of the targets.
// Our pipe calls against bare transactions to the floor server: the 1 ms wait and the server check
// (three round trips to the wineserver in steady state) on top of a transaction of about five.
constexpr double kPipeOverheadLimit = 1.5;
constexpr double kAbsentP99LimitMs = 1.0;   // IsMemberOf with no client
constexpr double kGuardOverheadLimit = 1.5; // CopyCallback against its reads done directly

} // namespace pellicor::bench
