// PellicorBench: times the library's shell calls under the conditions Explorer meets, each next to
// its floor measured in the same run on the same machine, and prints a table and one verdict line
// per target. It serves the client's pipe itself (BenchFloorServer.exe beside it, and the stand-in for
// a stalled client), so no client may be running.
//
//   PellicorBench [--quick] [--calls N] [--only overlays|menu|guard]
//   PellicorBench --mark-calls     one steady-state IsMemberOf and its floors between marks, for
//                                  scripts/bench to count their round trips in the wineserver's trace
#include "tools/bench/BenchSections.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pellicor::bench
{

void Progress(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("bench: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    va_end(arguments);
}

} // namespace pellicor::bench

int main(int argc, char** argv)
{
    using namespace pellicor::bench;
    BenchOptions options;
    bool markCalls = false;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--quick") == 0)
        {
            options.calls = 400;
            options.rounds = 8;
        }
        else if (std::strcmp(argv[i], "--mark-calls") == 0)
            markCalls = true;
        else if (std::strcmp(argv[i], "--calls") == 0 && i + 1 < argc)
            options.calls = std::max(options.rounds, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
        {
            const char* only = argv[++i];
            options.overlays = std::strcmp(only, "overlays") == 0;
            options.menu = std::strcmp(only, "menu") == 0;
            options.guard = std::strcmp(only, "guard") == 0;
        }
        else
        {
            std::fprintf(stderr, "usage: PellicorBench [--quick] [--calls N] [--only overlays|menu|guard] | "
                                 "--mark-calls\n");
            return 2;
        }
    }

    const BenchLibrary library;
    if (!library.IsLoaded())
    {
        Progress("cannot load %s", Narrow(library.Path()).c_str());
        return 1;
    }
    if (markCalls)
    {
        Progress("marking one steady-state IsMemberOf, one bare transaction and one after the wait");
        MarkSteadyStateCalls(library);
        return 0;
    }
    Progress("library %s, %d calls per measurement", Narrow(library.Path()).c_str(), options.calls);

    Report report;
    if (options.overlays)
        RunOverlayBenchmarks(library, options, report);
    if (options.menu)
        RunMenuBenchmarks(library, options, report);
    if (options.guard)
        RunGuardBenchmarks(library, options, report);
    report.Print(stdout);
    return 0;
}
