#include "tests/win/support/Processes.h"

namespace pellicor::test
{

namespace
{

UniqueKernelHandle Start(const std::wstring& program, std::wstring& commandLine,
                         const std::wstring& directory, bool inherit, STARTUPINFOW& startup)
{
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, inherit, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup, &info))
        return {};
    ::CloseHandle(info.hThread);
    return UniqueKernelHandle(info.hProcess);
}

} // namespace

UniqueKernelHandle StartProcess(const std::wstring& program, std::wstring commandLine,
                                const std::wstring& directory, bool inherit)
{
    STARTUPINFOW startup{};
    return Start(program, commandLine, directory, inherit, startup);
}

ProcessRun RunProcess(const std::wstring& program, const std::wstring& commandLine, DWORD timeoutMs,
                      const std::wstring& directory)
{
    ProcessRun result;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueKernelHandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0))
        return result;
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line = commandLine;
    const UniqueKernelHandle process = Start(program, line, directory, true, startup);
    if (!process)
        return result;
    writeEnd.reset();
    result.started = true;

    // The pipe is drained while the program runs, so that a talkative program never blocks on a full
    // pipe. Only what is there is read: a process that the program started (Wine's desktop, a client)
    // may hold the pipe open long after the program has gone.
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

} // namespace pellicor::test
