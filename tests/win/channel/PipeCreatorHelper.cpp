// pipe_creator_helper.exe <process id>: creates one instance of the client's pipe, hands its server
// end to the given process and exits, its exit code the handle's value in that process. What is left
// is a pipe that names, as its server, a process that has gone.
#include "common/UniqueHandle.h"
#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/WireCodec.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>

int main(int argc, char** argv)
{
    using namespace pellicor;
    if (argc != 2)
        return 0;
    const auto target = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10));
    const UniqueKernelHandle receiver(::OpenProcess(PROCESS_DUP_HANDLE, FALSE, target));
    const UniqueFile pipe(::CreateNamedPipeW(kPipeName, PIPE_ACCESS_DUPLEX,
                                             PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                                             static_cast<DWORD>(kPipeBufferSize), static_cast<DWORD>(kPipeBufferSize), 0,
                                             nullptr));
    HANDLE handed = nullptr;
    if (!receiver || !pipe ||
        !::DuplicateHandle(::GetCurrentProcess(), pipe.get(), receiver.get(), &handed, 0, FALSE,
                           DUPLICATE_SAME_ACCESS))
        return 0;
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(handed));
}
