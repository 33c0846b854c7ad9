// The library's side of the pipe against the stand-in over the real "\\.\pipe\pellicor".
#include "shellext/channel/PipeClient.h"
#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/PeerCodec.h"
#include "shellext/channel/ServerIdentityCheck.h"
#include "shellext/channel/WireCodec.h"
#include "shellext/server/OverlayKind.h"
#include "tests/win/support/Processes.h"
#include "tests/win/support/StandInFixture.h"
#include "tests/win/support/TestPaths.h"
#include "tests/win/support/Watchdog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

namespace pellicor::test
{
namespace
{

using standin::RecordedRequest;
using standin::Response;
using Args = std::vector<std::wstring>;
using namespace std::chrono_literals;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A stalled call must end by the deadline; the margin only absorbs a loaded machine.
constexpr milliseconds kStallMargin{1500};
constexpr milliseconds kTickSlack{50}; // the system tick the deadline is counted in
constexpr milliseconds kStallWatchdog{10000};

HWND Window(std::uintptr_t value)
{
    return reinterpret_cast<HWND>(value);
}

// Every command operation, run with fixed arguments; true when it reported success.
struct Operation
{
    const wchar_t* command;
    Args arguments; // as the client must receive them
    std::function<bool(const PipeClient&)> run;
};

std::vector<Operation> AllOperations()
{
    const Args paths{L"C:\\Sync\\a b.txt", L"C:\\Sync\\Folder"};
    return {
        {L"PathState",
         {L"C:\\Sync\\a b.txt"},
         [](const PipeClient& p) { return p.QueryPathState(Synced, L"C:\\Sync\\a b.txt"); }},
        {L"MenuItems", paths,
         [paths](const PipeClient& p)
         {
             Args values;
             return p.QueryMenuItems(paths, values);
         }},
        {L"MenuCmd",
         {L"3", L"0000000000001A2B", paths[0], paths[1]},
         [paths](const PipeClient& p) { return p.SendMenuCommand(paths, 3, Window(0x1A2B)); }},
        {L"NotifyCreatePluginWin",
         {L"00000000000A0001", L"00000000000A0002", L"00000000000A0003", L"C:\\Sync\\Folder"},
         [](const PipeClient& p) {
             return p.NotifyCreatePluginWin(Window(0xA0001), Window(0xA0002), Window(0xA0003),
                                            L"C:\\Sync\\Folder");
         }},
        {L"NotifyWindowResize",
         {L"00000000000A0001", L"00000000000A0002"},
         [](const PipeClient& p) { return p.NotifyWindowResize(Window(0xA0001), Window(0xA0002)); }},
        {L"NotifySeletionChanged",
         {L"00000000000A0001", paths[0], paths[1]},
         [paths](const PipeClient& p) { return p.NotifySeletionChanged(Window(0xA0001), paths); }},
        {L"NotifyWinDowClose",
         {L"0000000000000000"},
         [](const PipeClient& p) { return p.NotifyWinDowClose(nullptr); }},
    };
}

using PipeClientTest = StandInFixture;

TEST_F(PipeClientTest, EveryCommandCarriesItsArgumentsInOrder)
{
    server.SetDefaultHandler([](const RecordedRequest&) { return Response::Ok({L"Synced"}); });
    const PipeClient pipe;
    for (const Operation& op : AllOperations())
    {
        server.ClearRequests();
        EXPECT_TRUE(op.run(pipe)) << ToUtf8(op.command);
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u) << ToUtf8(op.command);
        ASSERT_TRUE(requests[0].wellFormed);
        EXPECT_EQ(requests[0].request.command, op.command);
        EXPECT_EQ(requests[0].request.arguments, op.arguments) << ToUtf8(op.command);
    }
}

TEST_F(PipeClientTest, RequestBytesOnTheWireAreExact)
{
    PipeClient().QueryPathState(Synced, L"C:\\a");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    std::vector<std::uint8_t> expected;
    AppendField(expected, L"PathState");
    AppendField(expected, L"C:\\a");
    ASSERT_EQ(expected.size(), 34u);
    EXPECT_EQ(requests[0].raw, expected);
}

TEST_F(PipeClientTest, OnlyTheStatusOkMeansSuccess)
{
    const PipeClient pipe;
    for (const wchar_t* status : {L"OK", L"ok ", L"", L"Ok", L"failed"})
    {
        server.SetDefaultHandler([status](const RecordedRequest&)
                                 { return Response::WithStatus(status, {L"Synced"}); });
        for (const Operation& op : AllOperations())
            EXPECT_FALSE(op.run(pipe)) << ToUtf8(op.command) << " with status '" << ToUtf8(status) << "'";
    }
    server.SetDefaultHandler([](const RecordedRequest&) { return Response::Ok({L"Synced"}); });
    for (const Operation& op : AllOperations())
        EXPECT_TRUE(op.run(pipe)) << ToUtf8(op.command);
}

TEST_F(PipeClientTest, MenuItemsHandsBackEveryValueOrNone)
{
    const PipeClient pipe;
    Args values{L"stale"};
    server.SetResponse(L"MenuItems", Response::Ok({L"0", L"Drovana", L"2", L"Share"}));
    ASSERT_TRUE(pipe.QueryMenuItems({L"C:\\Sync\\a"}, values));
    EXPECT_EQ(values, (Args{L"0", L"Drovana", L"2", L"Share"}));

    server.SetResponse(L"MenuItems", Response::WithStatus(L"busy", {L"0", L"Drovana"}));
    EXPECT_FALSE(pipe.QueryMenuItems({L"C:\\Sync\\a"}, values));
    EXPECT_TRUE(values.empty());
}

TEST_F(PipeClientTest, EmbeddedNulsAndAFullBufferDecode)
{
    // Status "ok" with a NUL tail, "Synced" with a NUL tail, then values up to exactly 4096 bytes.
    const std::wstring status{L'o', L'k', L'\0', L'x'};
    const std::wstring first{L'S', L'y', L'n', L'c', L'e', L'd', L'\0', L'?'};
    const std::wstring filler(1000, L'q');
    const std::size_t used = (4 + 8) + (4 + 16) + 2 * (4 + 2000) + 4;
    const std::wstring padding((kPipeBufferSize - used) / 2, L'p');
    const std::vector<std::uint8_t> full = EncodeReply({status, {first, filler, filler, padding}});
    ASSERT_EQ(full.size(), kPipeBufferSize);
    server.SetResponse(L"PathState", Response::Bytes(full));

    ClientReply reply;
    ASSERT_TRUE(PipeClient().Transact({L"PathState", {L"C:\\a"}}, reply));
    EXPECT_EQ(reply.status, L"ok");
    EXPECT_EQ(reply.values, (Args{L"Synced", filler, filler, padding}));
    EXPECT_TRUE(PipeClient().QueryPathState(Synced, L"C:\\a"));

    // Two bytes more are more than one read takes: the transaction fails.
    server.SetResponse(L"PathState", Response::Ok({std::wstring(1000, L'x'), std::wstring(1000, L'y'),
                                                   std::wstring(39, L'z')}));
    EXPECT_FALSE(PipeClient().Transact({L"PathState", {L"C:\\a"}}, reply));
}

TEST_F(PipeClientTest, BrokenRepliesFailTheTransaction)
{
    const struct
    {
        const char* what;
        Response response;
    } cases[] = {
        {"malformed", Response::Malformed()},
        {"truncated", Response::Truncated({L"Synced"})},
        {"oversized", Response::Oversized()},
        {"closed without reply", Response::Close()},
        {"empty message", Response::Bytes({})},
        {"field of 1024 units", Response::Ok({std::wstring(1024, L'x')})},
    };
    for (const auto& c : cases)
    {
        server.SetResponse(L"PathState", c.response);
        ClientReply reply{L"untouched", {}};
        EXPECT_FALSE(PipeClient().Transact({L"PathState", {L"C:\\a"}}, reply)) << c.what;
        EXPECT_EQ(reply.status, L"untouched") << c.what;
        EXPECT_FALSE(PipeClient().QueryPathState(Synced, L"C:\\a")) << c.what;
    }
}

// A client that answers is waited for; one that has stopped costs the deadline and no more, whether
// it stopped before reading the request or after, and leaves nothing behind for the next call.
TEST_F(PipeClientTest, AnAnswerIsWaitedForUntilTheDeadlineOnly)
{
    const auto deadline = milliseconds(kTransactionDeadlineMilliseconds);
    server.SetResponse(L"PathState", Response::Ok({L"Synced"}).After(300));
    EXPECT_TRUE(PipeClient().QueryPathState(Synced, L"C:\\a"));

    const struct
    {
        const char* what;
        Response response;
        bool neverReads;
        std::size_t recorded; // requests the stand-in read
    } stalls[] = {
        {"answers after the deadline", Response::Ok({L"Synced"}).After(4000), false, 1},
        {"reads and never answers", Response::NoAnswer(), false, 1},
        {"accepts and never reads", Response::Ok({L"Synced"}), true, 0},
    };
    for (const auto& stall : stalls)
    {
        RestartStandIn(stall.neverReads);
        server.SetResponse(L"PathState", stall.response);
        const auto start = steady_clock::now();
        bool answered = true;
        {
            const Watchdog watchdog(kStallWatchdog, [this] { server.Stop(); });
            answered = PipeClient().QueryPathState(Synced, L"C:\\a");
            EXPECT_FALSE(watchdog.Fired()) << stall.what;
        }
        const auto elapsed = steady_clock::now() - start;
        EXPECT_FALSE(answered) << stall.what;
        EXPECT_GE(elapsed, deadline - kTickSlack) << stall.what << ": the client was waited for";
        EXPECT_LE(elapsed, deadline + kStallMargin) << stall.what;
        EXPECT_EQ(server.RequestCount(), stall.recorded) << stall.what;

        RestartStandIn(false);
        server.SetResponse(L"PathState", Response::Ok({L"Synced"}));
        EXPECT_TRUE(PipeClient().QueryPathState(Synced, L"C:\\a"))
            << "a healthy client after one that " << stall.what;
    }
}

// Only our own user's client in our session, at our level or above, is told anything: the caller's
// identity replaced, the real glue learns the stand-in's and refuses it before writing a byte. (Under
// Wine every process runs at High integrity as the one user, so "the server is lower" is shown by a
// caller above High.)
TEST_F(PipeClientTest, AServerOfAnotherUserSessionOrLowerLevelIsToldNothing)
{
    static std::optional<ProcessIdentity> pretended;
    const std::optional<ProcessIdentity> me = CallerIdentity();
    ASSERT_TRUE(me && me->user.IsKnown()) << "the caller's own identity is learned";
    EXPECT_FALSE(me->appContainer || me->restricted);

    ProcessIdentity otherSession = *me;
    otherSession.session += 1;
    ProcessIdentity otherUser = *me;
    otherUser.user.bytes[otherUser.user.length - 1] ^= 0x01; // the last byte of the last sub-authority
    ProcessIdentity above = *me;
    above.integrity = me->integrity + 0x1000;
    ProcessIdentity below = *me;
    below.integrity = kIntegrityLow;
    server.SetDefaultHandler([](const RecordedRequest&) { return Response::Ok({L"Synced"}); });
    g_callerIdentityForTests = [] { return pretended; };
    for (const auto& [what, identity] : {std::pair{"another session", std::optional(otherSession)},
                                         std::pair{"another user", std::optional(otherUser)},
                                         std::pair{"a caller above the server", std::optional(above)},
                                         std::pair{"an unknown caller", std::optional<ProcessIdentity>()}})
    {
        pretended = identity;
        for (const Operation& op : AllOperations())
            EXPECT_FALSE(op.run(PipeClient())) << ToUtf8(op.command) << " with " << what;
    }
    // The refused calls came one after another: let the stand-in catch up with a free instance, as
    // the library waits only 1 ms for one.
    for (const auto& [what, identity] : {std::pair{"the stand-in's own identity", me},
                                         std::pair{"a caller below the server", std::optional(below)}})
    {
        ASSERT_TRUE(::WaitNamedPipeW(kPipeName, 5000));
        pretended = identity;
        EXPECT_TRUE(PipeClient().QueryPathState(Synced, L"C:\\a")) << what;
    }
    g_callerIdentityForTests = nullptr;
    ASSERT_TRUE(server.WaitForRequests(2, 5s));
    ::Sleep(200); // a request written by a refused call would arrive within this
    EXPECT_EQ(server.RequestCount(), 2u) << "the refused calls sent nothing";
    EXPECT_TRUE(PipeClient().QueryPathState(Synced, L"C:\\a"));
}

// Serves one request on `pipe` with "ok" "Synced"; gives up when the caller hangs up unwritten.
void ServeOnce(HANDLE pipe)
{
    if (!::ConnectNamedPipe(pipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED)
        return;
    std::uint8_t request[kPipeBufferSize];
    DWORD bytes = 0;
    if (::ReadFile(pipe, request, sizeof request, &bytes, nullptr))
    {
        const std::vector<std::uint8_t> reply = EncodeReply({L"ok", {L"Synced"}});
        ::WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), &bytes, nullptr);
        ::ReadFile(pipe, request, sizeof request, &bytes, nullptr); // until the caller closes
    }
    ::DisconnectNamedPipe(pipe);
}

// The pipe names its creator's process id for as long as the pipe lives, also after the creator has
// exited. Windows frees that id once nobody holds the exited process, and may give it to another:
// the pipe is then refused. Wine keeps an exited process open to its id, so there the creator's own
// token, still our user's, is judged and the pipe answered.
TEST_F(PipeClientTest, APipeWhoseCreatorHasExitedIsJudgedByTheCreatorOrRefused)
{
    server.Stop();
    UniqueKernelHandle creator =
        StartProcess(BinPath(L"pipe_creator_helper.exe"),
                     L"pipe_creator_helper.exe " + std::to_wstring(::GetCurrentProcessId()));
    ASSERT_TRUE(creator);
    ASSERT_EQ(::WaitForSingleObject(creator.get(), 10000), WAIT_OBJECT_0);
    DWORD handed = 0;
    ASSERT_TRUE(::GetExitCodeProcess(creator.get(), &handed) && handed != 0);
    const UniqueFile pipe(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handed)));
    const DWORD creatorId = ::GetProcessId(creator.get());
    creator.reset();

    const UniqueKernelHandle byId(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, creatorId));
    DWORD exitCode = STILL_ACTIVE;
    ASSERT_TRUE(!byId || ::GetExitCodeProcess(byId.get(), &exitCode));
    ASSERT_TRUE(!byId || exitCode != STILL_ACTIVE) << "the creator's id went to another process";
    bool answered = !byId;
    {
        std::thread serving(ServeOnce, pipe.get());
        const Watchdog watchdog(kStallWatchdog, [&pipe] { ::DisconnectNamedPipe(pipe.get()); });
        answered = PipeClient().QueryPathState(Synced, L"C:\\a");
        serving.join();
        EXPECT_FALSE(watchdog.Fired());
    }
    EXPECT_EQ(answered, static_cast<bool>(byId)) << (byId ? "the exited creator is still known by its id"
                                                          : "the exited creator's id is free");
}

// With every instance of the pipe taken, each call gives the neutral answer after the 1 ms wait: far
// under what a longer wait would cost Explorer on every overlay.
TEST_F(PipeClientTest, EveryInstanceBusyCostsOnlyTheShortWait)
{
    server.Stop();
    const UniqueFile instance(::CreateNamedPipeW(kPipeName, PIPE_ACCESS_DUPLEX,
                                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                                                 static_cast<DWORD>(kPipeBufferSize),
                                                 static_cast<DWORD>(kPipeBufferSize), 0, nullptr));
    ASSERT_TRUE(instance);
    UniqueFile occupant(::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    ASSERT_TRUE(occupant);
    std::vector<milliseconds::rep> elapsed;
    {
        const Watchdog watchdog(kStallWatchdog, [&occupant] { occupant.reset(); });
        for (int i = 0; i < 20; ++i)
        {
            const auto start = steady_clock::now();
            EXPECT_FALSE(PipeClient().QueryPathState(Synced, L"C:\\a"));
            elapsed.push_back(std::chrono::duration_cast<milliseconds>(steady_clock::now() - start).count());
        }
        EXPECT_FALSE(watchdog.Fired());
    }
    std::nth_element(elapsed.begin(), elapsed.begin() + 10, elapsed.end());
    EXPECT_LT(elapsed[10], 50) << "median of twenty calls, ms";
}

TEST_F(PipeClientTest, RequestsThatDoNotFitAreNeverSent)
{
    server.SetDefaultHandler([](const RecordedRequest&) { return Response::Ok({L"Synced"}); });
    // 4 + 18 + 4 + 2 x 2035 = 4096 bytes: the largest path that fits.
    EXPECT_TRUE(PipeClient().QueryPathState(Synced, std::wstring(2035, L'p').c_str()));
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0].raw.size(), kPipeBufferSize);

    EXPECT_FALSE(PipeClient().QueryPathState(Synced, std::wstring(2036, L'p').c_str()));
    Args values;
    EXPECT_FALSE(PipeClient().QueryMenuItems(Args(300, std::wstring(10, L'm')), values));
    EXPECT_FALSE(PipeClient().SendMenuCommand(Args(300, std::wstring(10, L'm')), 1, nullptr));
    EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(PipeClientTest, NothingIsSentForANullPath)
{
    EXPECT_FALSE(PipeClient().QueryPathState(Synced, nullptr));
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(PipeClientTest, AnAbsentClientFailsEveryOperation)
{
    server.Stop();
    const PipeClient pipe;
    for (const Operation& op : AllOperations())
        EXPECT_FALSE(op.run(pipe)) << ToUtf8(op.command);
    ClientReply reply;
    EXPECT_FALSE(pipe.Transact({L"PathState", {L"C:\\a"}}, reply));
}

TEST_F(PipeClientTest, ParallelCallersShareNothing)
{
    // Each request answered with the path it asked about: a mixed-up buffer would show as a mismatch.
    server.Stop();
    server.SetSpareInstances(4);
    ASSERT_TRUE(server.Start());
    server.SetHandler(L"MenuItems",
                      [](const RecordedRequest& r) { return Response::Ok(r.request.arguments); });
    std::atomic<int> answered{0};
    std::atomic<int> mismatched{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                const PipeClient pipe;
                for (int i = 0; i < 25; ++i)
                {
                    const Args paths{L"C:\\Sync\\t" + std::to_wstring(t) + L"\\" + std::to_wstring(i)};
                    Args values;
                    if (pipe.QueryMenuItems(paths, values))
                    {
                        ++answered;
                        if (values != paths)
                            ++mismatched;
                    }
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatched.load(), 0);
    EXPECT_GT(answered.load(), 0);
    // A call either reached the client and was answered, or found no free instance and sent nothing.
    EXPECT_EQ(static_cast<std::size_t>(answered.load()), server.RequestCount());
}

} // namespace
} // namespace pellicor::test
