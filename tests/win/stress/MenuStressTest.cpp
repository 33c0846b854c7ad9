// Eight threads right-clicking and picking commands while the stand-in answers menus every way a
// client can go wrong, and is restarted underneath. The shell's menu must only ever get our three
// entries or nothing, picks must be answered as the shell expects, and afterwards nothing of ours
// may be left: no object, no handle, no copy of the selection.
#include "tests/win/stress/StressSupport.h"

#include "tests/win/menu/MenuFixture.h"
#include "tests/win/support/DropFilesDataObject.h"
#include "tests/win/support/ShellClassIds.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace pellicor::test
{
namespace
{

using standin::RecordedRequest;
using standin::Response;

const int kClicksPerThread = CallsPerWorker(50);
constexpr int kClicksPerHandler = 4; // Explorer makes a handler per right click; some get reused
constexpr DWORD kRestartEveryMs = 1500;
constexpr UINT kMostIdentifiers = 6; // item ids stop at 5

std::vector<std::wstring> ManyItems()
{
    std::vector<std::wstring> values;
    for (int i = 0; i < 120; ++i)
    {
        values.push_back(std::to_wstring(1 + i % 5));
        values.push_back(L"Item " + std::to_wstring(i));
    }
    return values;
}

// The menu answers, chosen by the letter after the prefix of the first selected path.
const std::vector<Response>& MenuAnswers()
{
    static const std::vector<Response> answers = {
        Response::Ok({L"2", L"Share link", L"5", L"Open in the browser"}),
        Response::Ok({L"1", L"Sync now", L"2", L"ignored"}),
        Response::Ok({L"2", L"Text", L"3"}), // an id without its text
        Response::Ok({L"70000", L"far", L"-3", L"negative", L"abc", L"no number", L"4", L"kept"}),
        Response::Ok({L"2"}),
        Response::Ok({L"0", L"", L"3", L""}),
        Response::Ok(ManyItems()),
        Response::WithStatus(L"OK", {L"2", L"Share link"}),
        Response::Malformed(),
        Response::Truncated({L"2", L"Share link"}),
        Response::Oversized(),
        Response::Close(),
    };
    return answers;
}

const std::vector<Response>& CommandAnswers()
{
    static const std::vector<Response> answers = {Response::Ok(), Response::WithStatus(L"busy"),
                                                  Response::Malformed(), Response::Close()};
    return answers;
}

const wchar_t kPathPrefix[] = L"C:\\Menus\\";

Response Decide(const RecordedRequest& recorded)
{
    const auto& arguments = recorded.request.arguments;
    const bool isMenu = recorded.request.command == L"MenuItems";
    // "MenuCmd" carries the command number and the view window before the paths.
    const std::size_t pathIndex = isMenu ? 0 : 2;
    const int index = recorded.wellFormed && arguments.size() > pathIndex
                          ? AnswerIn(arguments[pathIndex], kPathPrefix)
                          : -1;
    if (index < 0)
        return Response::Close();
    const auto& answers = isMenu ? MenuAnswers() : CommandAnswers();
    return answers[static_cast<std::size_t>(index) % answers.size()];
}

struct Tally
{
    std::atomic<long> clicks{0};
    std::atomic<long> menusShown{0};
    std::atomic<long> picks{0};
    std::atomic<long> wrongMenus{0};   // anything but nothing, or separator, item, separator
    std::atomic<long> wrongResults{0}; // a code the shell does not expect
};

void Click(const LibraryUnderTest& library, int thread, const Deadline& deadline,
           const std::shared_ptr<DropFilesCounters>& counters, Tally& tally)
{
    ComPtr<IShellExtInit> init;
    ComPtr<IContextMenu3> menu;
    for (int click = 0; click < kClicksPerThread && !deadline.Passed(); ++click)
    {
        if (click % kClicksPerHandler == 0)
        {
            menu = {};
            init = {};
            if (FAILED(library.CreateObject(kClsidSynced, IID_IShellExtInit, init.put_void())) ||
                FAILED(init.As(menu)))
            {
                tally.wrongResults.fetch_add(1);
                return;
            }
        }
        tally.clicks.fetch_add(1);
        const int answer =
            (click + thread) % static_cast<int>(MenuAnswers().size() * CommandAnswers().size());
        std::vector<std::wstring> selection;
        for (int i = 0; i <= click % 3; ++i)
            selection.push_back(
                PathWithAnswer(kPathPrefix, answer,
                               L"\\t" + std::to_wstring(thread) + L"\\file " + std::to_wstring(i) + L".txt"));
        const ComPtr<IDataObject> data = CreateDropFilesDataObject(selection, counters);
        if (init->Initialize(nullptr, data.get(), nullptr) != S_OK)
        {
            tally.wrongResults.fetch_add(1);
            continue;
        }

        const UniqueMenu shellMenu = ShellMenu();
        const HRESULT query = menu->QueryContextMenu(shellMenu.get(), 1, kFirstId, kLastId, CMF_NORMAL);
        const UINT identifiers = HRESULT_CODE(query);
        const int entries = ::GetMenuItemCount(shellMenu.get());
        if (FAILED(query) || identifiers > kMostIdentifiers)
            tally.wrongResults.fetch_add(1);
        if (identifiers == 0 ? entries != 2 : entries != 5)
            tally.wrongMenus.fetch_add(1);
        if (identifiers != 0)
        {
            tally.menusShown.fetch_add(1);
            if ((::GetMenuState(shellMenu.get(), 1, MF_BYPOSITION) & MF_SEPARATOR) == 0 ||
                (::GetMenuState(shellMenu.get(), 3, MF_BYPOSITION) & MF_SEPARATOR) == 0)
                tally.wrongMenus.fetch_add(1);
        }

        // Every offset the shell could pass: only 1 to 5 reach the client, and they always succeed.
        const UINT offset = static_cast<UINT>(click % 7);
        const HRESULT picked = InvokeOffset(*menu.get(), offset);
        tally.picks.fetch_add(1);
        if (picked != (offset >= 1 && offset <= 5 ? S_OK : E_INVALIDARG))
            tally.wrongResults.fetch_add(1);
    }
}

TEST(MenuStress, EightThreadsThroughEveryFaultAndRestartsLeaveNothingBehind)
{
    ClientSettingsKey settings; // the caption's language is read from here
    LibraryUnderTest library;
    const auto counters = std::make_shared<DropFilesCounters>();
    Tally tally, warmUp;
    const StandInRestarts restarts =
        RunStressAgainstStandIn("menu stress", library, Decide, kRestartEveryMs,
                                [&](int t, const Deadline& deadline, bool main)
                                { Click(library, t, deadline, counters, main ? tally : warmUp); });

    std::printf("menu stress: %ld right clicks, %ld menus shown, %ld picks, %d restarts (%d failed)\n",
                tally.clicks.load(), tally.menusShown.load(), tally.picks.load(), restarts.done,
                restarts.failed);
    EXPECT_EQ(tally.wrongMenus.load(), 0);
    EXPECT_EQ(tally.wrongResults.load(), 0);
    EXPECT_GT(tally.menusShown.load(), 0) << "the stand-in's valid menus never got through";
    EXPECT_EQ(counters->releases, counters->dataRequests) << "copies of the selection were not released";
}

} // namespace
} // namespace pellicor::test
