#include "tests/win/launcher_process/ChildProcess.h"

#include "launcher/ProcessToken.h"
#include "tests/win/launcher_process/TestLogSink.h"
#include "tests/win/support/TestPaths.h"

#include <tlhelp32.h>

#include <memory>
#include <sstream>

namespace pellicor::test::process
{

namespace
{
std::unique_ptr<wchar_t[]> Writable(const std::wstring& text)
{
    auto copy = std::make_unique<wchar_t[]>(text.size() + 1);
    text.copy(copy.get(), text.size());
    copy[text.size()] = L'\0';
    return copy;
}
} // namespace

ChildResult RunChild(const std::wstring& application, const std::wstring& commandLine, DWORD timeoutMs)
{
    ChildResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueKernelHandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0))
        return result;
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    auto line = Writable(commandLine);
    if (!::CreateProcessW(application.c_str(), line.get(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &info))
        return result;
    UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    writeEnd.reset();
    result.started = true;

    // The pipe is drained while the child runs, so that a talkative child never blocks on a full pipe.
    // Only what is there is read: a process that the child started (Wine's desktop, a client) may hold
    // the pipe open long after the child has gone.
    auto drain = [&]
    {
        DWORD available = 0;
        char buffer[4096];
        while (::PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0)
        {
            DWORD read = 0;
            if (!::ReadFile(readEnd.get(), buffer, sizeof(buffer) < available ? sizeof(buffer) : available,
                            &read, nullptr) ||
                read == 0)
                break;
            result.output.append(buffer, read);
        }
    };
    const ULONGLONG begin = ::GetTickCount64();
    while (::WaitForSingleObject(process.get(), 10) == WAIT_TIMEOUT)
    {
        drain();
        if (::GetTickCount64() - begin > timeoutMs)
        {
            ::TerminateProcess(process.get(), 0xDEAD);
            ::WaitForSingleObject(process.get(), 5000);
            break;
        }
    }
    drain();
    ::GetExitCodeProcess(process.get(), &result.exitCode);
    return result;
}

UniqueKernelHandle StartChild(const std::wstring& application, const std::wstring& commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    auto line = Writable(commandLine);
    if (!::CreateProcessW(application.c_str(), line.get(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return {};
    ::CloseHandle(info.hThread);
    return UniqueKernelHandle(info.hProcess);
}

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
