// BenchFloorServer.exe <instances>: the least a client needs to be, in a process of its own, so that
// the benchmark's floors measure the pipe and not a server's own work. Each instance runs on a
// thread of its own: connect, read one request, write a reply made once at start ("ok" "Synced",
// the menu's items for "MenuItems", "ok" alone for "MenuCmd"), wait for the caller to hang up,
// disconnect. It serves until the benchmark that started it ends it.
#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/PeerCodec.h"
#include "shellext/channel/WireCodec.h"
#include "tools/bench/BenchReplies.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

namespace
{

using namespace pellicor;

struct Answer
{
    std::vector<std::uint8_t> commandField; // the request starts with it
    std::vector<std::uint8_t> reply;
};

std::vector<Answer> MakeAnswers()
{
    std::vector<Answer> answers(2);
    AppendField(answers[0].commandField, kCommandMenuItems);
    answers[0].reply = EncodeReply({kStatusOk, bench::kMenuAnswer});
    AppendField(answers[1].commandField, kCommandMenuCmd);
    answers[1].reply = EncodeReply({kStatusOk, {}});
    return answers;
}

const std::vector<Answer> kAnswers = MakeAnswers();
const std::vector<std::uint8_t> kPathStateReply = EncodeReply({kStatusOk, bench::kPathStateAnswer});

const std::vector<std::uint8_t>& ReplyTo(const std::uint8_t* request, DWORD length)
{
    for (const Answer& answer : kAnswers)
    {
        if (length >= answer.commandField.size() &&
            std::equal(answer.commandField.begin(), answer.commandField.end(), request))
            return answer.reply;
    }
    return kPathStateReply;
}

void Serve(HANDLE pipe)
{
    std::uint8_t request[kPipeBufferSize];
    for (;;)
    {
        if (!::ConnectNamedPipe(pipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED)
            return;
        DWORD bytes = 0;
        if (::ReadFile(pipe, request, sizeof request, &bytes, nullptr))
        {
            const std::vector<std::uint8_t>& reply = ReplyTo(request, bytes);
            ::WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), &bytes, nullptr);
            ::ReadFile(pipe, request, sizeof request, &bytes, nullptr); // returns when the caller hangs up
        }
        ::DisconnectNamedPipe(pipe);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int instances = argc > 1 ? std::max(1, std::atoi(argv[1])) : 4;
    std::vector<std::thread> threads;
    for (int i = 0; i < instances; ++i)
    {
        const HANDLE pipe = ::CreateNamedPipeW(kPipeName, PIPE_ACCESS_DUPLEX,
                                               PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                               PIPE_UNLIMITED_INSTANCES, static_cast<DWORD>(kPipeBufferSize),
                                               static_cast<DWORD>(kPipeBufferSize), 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE)
            return 1;
        threads.emplace_back(Serve, pipe);
    }
    for (std::thread& thread : threads)
        thread.join(); // until the benchmark ends this process
    return 0;
}
