#include "tests/win/launcher_process/ChildProcess.h"

#include "tests/win/launcher_process/TestLogSink.h"
#include "tests/win/support/TestPaths.h"

#include <sstream>

namespace pellicor::test::process
{

namespace
{
// The text's lines that start with prefix, without it and without a CR before the line feed.
std::vector<std::string> LinesAfter(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line.substr(prefix.size()));
    }
    return lines;
}
} // namespace

ProcessRun Helper(const std::wstring& arguments)
{
    return RunProcess(BinPath(L"launcher_process_helper.exe"), L"launcher_process_helper.exe " + arguments);
}

std::vector<std::string> EchoedLogLines(const std::string& output)
{
    return LinesAfter(output, kLogEchoPrefix);
}

DWORD ExitCodeAfterExit(HANDLE process, DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process, &code);
    return code;
}

bool StandInClient::Copy() const
{
    return ::CopyFileW(BinPath(L"ClientStandIn.exe").c_str(), path.c_str(), FALSE) != FALSE;
}

StandInRecord ReadStandInRecord(const std::wstring& path)
{
    const std::string text = ReadFileBytes(path).value_or(std::string());
    return {LinesAfter(text, "cmdline: "), static_cast<int>(LinesAfter(text, "WM_CLOSE ").size())};
}

std::vector<std::string> WaitForCommandLines(const std::wstring& record)
{
    for (int i = 0; i < 1000 && ReadStandInRecord(record).commandLines.empty(); ++i)
        ::Sleep(20);
    return ReadStandInRecord(record).commandLines;
}

} // namespace pellicor::test::process
