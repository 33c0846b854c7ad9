// The stand-in is what every other Windows test talks to: it must stop cleanly whatever its
// clients do, refuse to share its pipe, and report requests exactly as they arrived.
#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/PeerCodec.h"
#include "tests/win/support/StandInFixture.h"
#include "tests/win/support/Watchdog.h"

#include "common/UniqueHandle.h"

#include <gtest/gtest.h>

#include <thread>

namespace pellicor::test
{
namespace
{

using standin::RecordedRequest;
using standin::Response;
using standin::StandInServer;
using namespace std::chrono_literals;

UniqueFile Connect()
{
    if (!::WaitNamedPipeW(kPipeName, 1000))
        return {};
    UniqueFile pipe(
        ::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (pipe)
    {
        DWORD mode = PIPE_READMODE_MESSAGE;
        ::SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr);
    }
    return pipe;
}

bool Send(HANDLE pipe, const std::vector<std::uint8_t>& bytes)
{
    DWORD written = 0;
    return ::WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

using StandInServerTest = StandInFixture;

TEST_F(StandInServerTest, StopsWhileClientsAreConnectedOrWaiting)
{
    // One client connected and silent, one waiting for a slow answer: Stop must not wait for either.
    server.SetResponse(L"PathState", Response::Ok({L"Synced"}).After(60000));
    UniqueFile silent = Connect();
    ASSERT_TRUE(silent);
    UniqueFile waiting = Connect();
    ASSERT_TRUE(waiting);
    std::vector<std::uint8_t> request;
    AppendField(request, L"PathState");
    AppendField(request, L"C:\\a");
    ASSERT_TRUE(Send(waiting.get(), request));
    ASSERT_TRUE(server.WaitForRequests(1, 5s));

    {
        const Watchdog watchdog(10s); // a Stop that waits for its clients would hang here
        server.Stop();
    }
    EXPECT_FALSE(server.IsRunning());
    // Nobody answers any more, and the name is free for the next server.
    EXPECT_FALSE(::WaitNamedPipeW(kPipeName, 1));
    StandInServer next;
    EXPECT_TRUE(next.Start());
}

TEST_F(StandInServerTest, RefusesToShareThePipeWithAnotherServer)
{
    StandInServer second;
    std::wstring error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find(L"another server"), std::wstring::npos) << ToUtf8(error);
}

TEST_F(StandInServerTest, RecordsRawBytesEvenWhenTheyAreNoRequest)
{
    UniqueFile pipe = Connect();
    ASSERT_TRUE(pipe);
    const std::vector<std::uint8_t> junk = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3};
    ASSERT_TRUE(Send(pipe.get(), junk));
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    const auto requests = server.Requests();
    EXPECT_FALSE(requests[0].wellFormed);
    EXPECT_EQ(requests[0].raw, junk);
}

TEST_F(StandInServerTest, KeepsAFreeInstanceWhileServingAndWaitsForCommands)
{
    // Hold several connections open at once; each time another client still finds a free instance.
    server.SetResponse(L"MenuCmd", Response::Ok().After(2000));
    std::vector<UniqueFile> held;
    std::vector<std::uint8_t> request;
    AppendField(request, L"MenuCmd");
    for (int i = 0; i < 5; ++i)
    {
        held.push_back(Connect());
        ASSERT_TRUE(held.back()) << "connection " << i;
        ASSERT_TRUE(Send(held.back().get(), request));
    }
    EXPECT_TRUE(server.WaitForRequests(L"MenuCmd", 5, 5s));
    EXPECT_FALSE(server.WaitForRequests(L"PathState", 1, 50ms));
}

} // namespace
} // namespace pellicor::test
