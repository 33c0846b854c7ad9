// Eight threads asking about overlays while the stand-in answers every way a client can go wrong,
// and is restarted underneath. A wrong overlay is never acceptable; a missing one is, while the
// client is away or busy. Afterwards nothing of ours may be left: no object, no handle.
#include "tests/win/stress/StressSupport.h"

#include "common/ComPtr.h"
#include "common/UniqueHandle.h"
#include "shellext/channel/PeerCodec.h"
#include "tests/win/support/LibraryUnderTest.h"
#include "tests/win/support/ShellClassIds.h"
#include "tests/win/support/StandInFixture.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace pellicor::test
{
namespace
{

using standin::RecordedRequest;
using standin::Response;

const int kCallsPerThread = CallsPerWorker(200);
constexpr DWORD kRestartEveryMs = 1000;

// How the stand-in answers a path; the path names its answer, so each call knows what to expect.
enum class Answer
{
    Synced,
    Syncing,
    LowerCase,   // "synced"
    StatusUpper, // status "OK"
    NoValue,
    EmbeddedNul, // "Synced" NUL "x": the text before the NUL counts
    FullRead,    // exactly 4096 bytes, first value "Synced"
    Malformed,
    Truncated,
    Oversized,
    Close,
    Count
};
constexpr int kAnswers = static_cast<int>(Answer::Count);

// A well-formed "ok" reply of exactly the 4096 bytes the library reads at once.
Response FullReadResponse()
{
    // 8 bytes of status, 16 of "Synced", then one value filling the rest.
    const std::size_t rest = (4096 - 8 - 16 - 4) / 2;
    return Response::Ok({L"Synced", std::wstring(rest, L'v')});
}

Response Respond(Answer answer)
{
    switch (answer)
    {
    case Answer::Synced:
        return Response::Ok({L"Synced"});
    case Answer::Syncing:
        return Response::Ok({L"Syncing"});
    case Answer::LowerCase:
        return Response::Ok({L"synced"});
    case Answer::StatusUpper:
        return Response::WithStatus(L"OK", {L"Synced"});
    case Answer::NoValue:
        return Response::Ok();
    case Answer::EmbeddedNul:
        return Response::Ok({std::wstring(L"Synced\0x", 8)});
    case Answer::FullRead:
        return FullReadResponse();
    case Answer::Malformed:
        return Response::Malformed();
    case Answer::Truncated:
        return Response::Truncated({L"Synced"});
    case Answer::Oversized:
        return Response::Oversized();
    case Answer::Close:
    case Answer::Count:
        break;
    }
    return Response::Close();
}

// Whether an object of the kind must see the path as a member when the client answers.
bool IsMember(Answer answer, const CLSID& kind)
{
    const bool synced = ::IsEqualCLSID(kind, kClsidSynced) != FALSE;
    switch (answer)
    {
    case Answer::Synced:
    case Answer::EmbeddedNul:
    case Answer::FullRead:
        return synced;
    case Answer::Syncing:
        return ::IsEqualCLSID(kind, kClsidSyncing) != FALSE;
    default:
        return false;
    }
}

const wchar_t kPathPrefix[] = L"C:\\Stress\\";

std::wstring PathFor(Answer answer, int thread, int call)
{
    return kPathPrefix + std::wstring(1, static_cast<wchar_t>(L'A' + static_cast<int>(answer))) + L"\\t" +
           std::to_wstring(thread) + L"\\item " + std::to_wstring(call) + L".txt";
}

Response Decide(const RecordedRequest& recorded)
{
    const std::size_t at = std::char_traits<wchar_t>::length(kPathPrefix);
    if (!recorded.wellFormed || recorded.request.arguments.size() != 1 ||
        recorded.request.arguments[0].size() <= at)
        return Response::Close();
    const int index = recorded.request.arguments[0][at] - L'A';
    if (index < 0 || index >= kAnswers)
        return Response::Close();
    return Respond(static_cast<Answer>(index));
}

struct Tally
{
    std::atomic<long> calls{0};
    std::atomic<long> wrongMembers{0};  // S_OK where the answer makes no member: never allowed
    std::atomic<long> missedMembers{0}; // S_FALSE where it does: the client was away or busy
    std::atomic<long> members{0};
    std::atomic<long> otherResults{0};
};

void Ask(const LibraryUnderTest& library, const CLSID& kind, int thread, const Deadline& deadline,
         Tally& tally)
{
    ComPtr<IShellIconOverlayIdentifier> overlay;
    if (FAILED(library.CreateObject(kind, IID_IShellIconOverlayIdentifier, overlay.put_void())))
    {
        tally.otherResults.fetch_add(1);
        return;
    }
    for (int call = 0; call < kCallsPerThread && !deadline.Passed(); ++call)
    {
        const auto answer = static_cast<Answer>((call + thread) % kAnswers);
        const HRESULT result =
            overlay->IsMemberOf(PathFor(answer, thread, call).c_str(), FILE_ATTRIBUTE_NORMAL);
        tally.calls.fetch_add(1);
        if (result == S_OK)
        {
            tally.members.fetch_add(1);
            if (!IsMember(answer, kind))
                tally.wrongMembers.fetch_add(1);
        }
        else if (result == S_FALSE)
        {
            if (IsMember(answer, kind))
                tally.missedMembers.fetch_add(1);
        }
        else
            tally.otherResults.fetch_add(1);
        if (call % 997 == 0 && overlay->IsMemberOf(nullptr, 0) != E_INVALIDARG)
            tally.otherResults.fetch_add(1);
    }
}

TEST(OverlayStress, EightThreadsThroughEveryFaultAndRestartsLeaveNothingBehind)
{
    LibraryUnderTest library;
    Tally tally, warmUp;
    const StandInRestarts restarts = RunStressAgainstStandIn(
        "overlay stress", library, Decide, kRestartEveryMs,
        [&](int t, const Deadline& deadline, bool main)
        { Ask(library, main && t % 2 ? kClsidSyncing : kClsidSynced, t, deadline, main ? tally : warmUp); });

    std::printf(
        "overlay stress: %ld calls, %ld members, %ld members missed while the client was away or busy, "
        "%d restarts (%d failed)\n",
        tally.calls.load(), tally.members.load(), tally.missedMembers.load(), restarts.done, restarts.failed);
    EXPECT_EQ(tally.wrongMembers.load(), 0);
    EXPECT_EQ(tally.otherResults.load(), 0);
    EXPECT_GT(tally.members.load(), 0) << "the stand-in's valid answers never got through";
}

} // namespace
} // namespace pellicor::test
