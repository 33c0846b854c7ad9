#pragma once
// Starting the programs that tests drive: the launcher, the client stand-ins, helpers, Unix tools.
#include "common/UniqueHandle.h"

#include <string>

namespace pellicor::test
{

// Starts program with the whole command line (the program's own name first), in directory (the
// caller's when empty), inheriting the caller's handles if inherit; its process handle, or an empty
// one when it did not start.
UniqueKernelHandle StartProcess(const std::wstring& program, std::wstring commandLine,
                                const std::wstring& directory = {}, bool inherit = false);

// A program run with its standard output and error collected.
struct ProcessRun
{
    bool started = false;
    DWORD exitCode = 0;
    std::string output; // the bytes it wrote to stdout and stderr
};

// Runs program as StartProcess does and waits at most timeoutMs for it to end (it is ended then).
ProcessRun RunProcess(const std::wstring& program, const std::wstring& commandLine, DWORD timeoutMs = 60000,
                      const std::wstring& directory = {});

} // namespace pellicor::test
