#include "tools/bench/BareTransaction.h"

#include "common/UniqueHandle.h"
#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/WireCodec.h"
#include "tools/bench/BenchLibrary.h"
#include "tools/bench/BenchSections.h"

namespace pellicor::bench
{

FloorServer::FloorServer(int instances)
{
    const std::wstring program = ProgramFolder() + L"BenchFloorServer.exe";
    std::wstring commandLine = L"BenchFloorServer.exe " + std::to_wstring(instances);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
    {
        Progress("cannot start %s", Narrow(program).c_str());
        return;
    }
    m_process.reset(started.hProcess);
    ::CloseHandle(started.hThread);
    // Up once its pipe accepts a connection: at most about ten seconds on a loaded machine.
    for (int i = 0; i < 100 && !m_running; ++i)
    {
        m_running = ::WaitNamedPipeW(kPipeName, 100) != FALSE;
        if (!m_running)
            ::Sleep(100); // no pipe of that name yet: the wait fails at once
    }
    if (!m_running)
        Progress("BenchFloorServer.exe did not open the pipe");
}

FloorServer::~FloorServer()
{
    if (!m_process)
        return;
    ::TerminateProcess(m_process.get(), 0);
    ::WaitForSingleObject(m_process.get(), 10000); // its pipe is gone before the next server starts
}

bool BareTransaction(const std::vector<std::uint8_t>& request)
{
    UniqueFile pipe(
        ::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!pipe)
        return false;
    DWORD written = 0;
    const bool wrote = ::WriteFile(pipe.get(), request.data(), static_cast<DWORD>(request.size()), &written,
                                   nullptr) != FALSE;
    std::uint8_t reply[kPipeBufferSize];
    DWORD received = 0;
    const bool read = ::ReadFile(pipe.get(), reply, sizeof reply, &received, nullptr) != FALSE;
    return wrote && read;
}

bool BareTransactionWithWait(const std::vector<std::uint8_t>& request)
{
    if (!::WaitNamedPipeW(kPipeName, kPipeWaitMilliseconds))
        return false;
    return BareTransaction(request);
}

std::vector<std::uint8_t> RequestBytes(const wchar_t* command, const std::vector<std::wstring>& arguments)
{
    std::uint8_t buffer[kPipeBufferSize];
    std::size_t length = 0;
    if (!EncodeRequest({command, arguments}, buffer, length))
        return {};
    return std::vector<std::uint8_t>(buffer, buffer + length);
}

} // namespace pellicor::bench
