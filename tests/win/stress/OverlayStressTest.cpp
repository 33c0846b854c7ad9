// Eight threads asking about overlays while the stand-in answers every way a client can go wrong,
// and is restarted underneath. A wrong overlay is never acceptable; a missing one is, while the
// client is away or busy. Afterwards nothing of ours may be left: no object, no handle.
#include "tests/win/stress/StressSupport.h"

#include "common/ComPtr.h"
#include "tests/win/support/ShellClassIds.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace pellicor::test
{
namespace
{

using standin::RecordedRequest;
using standin::Response;

const int kCallsPerThread = CallsPerWorker(200);
constexpr DWORD kRestartEveryMs = 1000;

// A well-formed "ok" reply of exactly the 4096 bytes the library reads at once.
Response FullReadResponse()
{
    // 8 bytes of status, 16 of "Synced", then one value filling the rest.
    const std::size_t rest = (4096 - 8 - 16 - 4) / 2;
    return Response::Ok({L"Synced", std::wstring(rest, L'v')});
}

// How the stand-in answers a path, and the one kind of object that must see the path as a member
// (none: null). The path names its answer, so each call knows what to expect.
struct Answer
{
    Response response;
    const CLSID* member;
};

const std::vector<Answer>& Answers()
{
    static const std::vector<Answer> answers = {
        {Response::Ok({L"Synced"}), &kClsidSynced},
        {Response::Ok({L"Syncing"}), &kClsidSyncing},
        {Response::Ok({L"synced"}), nullptr},
        {Response::WithStatus(L"OK", {L"Synced"}), nullptr},
        {Response::Ok(), nullptr},
        {Response::Ok({std::wstring(L"Synced\0x", 8)}), &kClsidSynced}, // the text before the NUL counts
        {FullReadResponse(), &kClsidSynced},
        {Response::Malformed(), nullptr},
        {Response::Truncated({L"Synced"}), nullptr},
        {Response::Oversized(), nullptr},
        {Response::Close(), nullptr},
    };
    return answers;
}

const wchar_t kPathPrefix[] = L"C:\\Stress\\";

Response Decide(const RecordedRequest& recorded)
{
    const int index = recorded.wellFormed && recorded.request.arguments.size() == 1
                          ? AnswerIn(recorded.request.arguments[0], kPathPrefix)
                          : -1;
    if (index < 0 || static_cast<std::size_t>(index) >= Answers().size())
        return Response::Close();
    return Answers()[static_cast<std::size_t>(index)].response;
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
        const int answer = (call + thread) % static_cast<int>(Answers().size());
        const CLSID* member = Answers()[static_cast<std::size_t>(answer)].member;
        const bool isMember = member && ::IsEqualCLSID(*member, kind);
        const std::wstring path =
            PathWithAnswer(kPathPrefix, answer,
                           L"\\t" + std::to_wstring(thread) + L"\\item " + std::to_wstring(call) + L".txt");
        const HRESULT result = overlay->IsMemberOf(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        tally.calls.fetch_add(1);
        if (result == S_OK)
        {
            tally.members.fetch_add(1);
            if (!isMember)
                tally.wrongMembers.fetch_add(1);
        }
        else if (result == S_FALSE)
        {
            if (isMember)
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
