#include "tests/win/launcher_process/ChildProcess.h"

#include "launcher/ProcessToken.h"
#include "tests/win/launcher_process/TestLogSink.h"
#include "tests/win/support/TestPaths.h"

#include <tlhelp32.h>

#include <memory>
#include <sstream>

namespace pellicor::test::process
{

std::vector<std::string> EchoedLogLines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    std::string line;
    const std::string prefix = kLogEchoPrefix;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line.substr(prefix.size()));
    }
    return lines;
}

bool StandInClient::Copy() const
{
    return ::CopyFileW(BinPath(L"ClientStandIn.exe").c_str(), path.c_str(), FALSE) != FALSE;
}

StandInRecord ReadStandInRecord(const std::wstring& path)
{
    StandInRecord record;
    std::istringstream in(ReadFileBytes(path).value_or(std::string()));
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("cmdline: ", 0) == 0)
            record.commandLines.push_back(line.substr(9));
        else if (line.rfind("WM_CLOSE ", 0) == 0)
            ++record.closeMessages;
    }
    return record;
}

bool WaitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD timeoutMs)
{
    const ULONGLONG start = ::GetTickCount64();
    while (!::FindWindowW(windowClass, title))
    {
        if (::GetTickCount64() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
    return true;
}

} // namespace pellicor::test::process
