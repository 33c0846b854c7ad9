// Explorer never stalls on the client. Against a client that has stopped, either after reading the
// request or before, every call the shell makes returns by the transaction's deadline with its neutral
// answer, and a healthy client is answered right after: nothing is left stuck.
#include "shellext/channel/ClientCommands.h"
#include "tests/win/support/ShellClassIds.h"
#include "tests/win/support/Watchdog.h"
#include "tests/win/view/ViewFixture.h"
#include "shellhost/kit/DropFilesDataObject.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace pellicor::test
{
namespace
{

using namespace std::chrono_literals;
using standin::RecordedRequest;
using standin::Response;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr milliseconds kDeadline{kTransactionDeadlineMilliseconds};
// Only absorbs a loaded machine: two cores, and other Wine sessions may run beside this one.
constexpr milliseconds kMargin{1500};
constexpr milliseconds kWatchdog{10000};
const std::wstring kFile = L"C:\\Drovana\\Docs\\a.txt";

enum class Stall
{
    ReadsAndNeverAnswers,
    AcceptsAndNeverReads,
};

class StalledClientTest : public ViewTest, public ::testing::WithParamInterface<Stall>
{
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        ASSERT_EQ(S_OK,
                  library.CreateObject(kClsidSynced, IID_IShellIconOverlayIdentifier, overlay.put_void()));
        ComPtr<IShellExtInit> init;
        ASSERT_EQ(S_OK, library.CreateObject(kClsidSynced, IID_IShellExtInit, init.put_void()));
        ASSERT_EQ(S_OK,
                  init->Initialize(nullptr, shellkit::CreateDropFilesDataObject({kFile}).get(), nullptr));
        ASSERT_EQ(S_OK, init->QueryInterface(IID_PPV_ARGS(menu.put())));
    }
    // The view fixture checks that nothing of the library is left once its site object is gone.
    void TearDown() override
    {
        overlay.reset();
        menu.reset();
        ViewTest::TearDown();
    }

    void StallClient()
    {
        RestartStandIn(GetParam() == Stall::AcceptsAndNeverReads);
        server.SetDefaultHandler([](const RecordedRequest&) { return Response::NoAnswer(); });
    }

    void HealClient()
    {
        RestartStandIn(false);
        server.SetResponse(kCommandPathState, Response::Ok({L"Synced"}));
        server.SetResponse(kCommandMenuItems, Response::Ok({L"2", L"Share"}));
    }

    // One shell call against the stalled client: it must come back by the deadline and the margin,
    // plus `pumping` for calls that run the window's messages for a while.
    template <typename Call> void ExpectBounded(const char* what, Call&& call, milliseconds pumping = 0ms)
    {
        const auto start = steady_clock::now();
        {
            const Watchdog watchdog(kWatchdog, [this] { server.Stop(); });
            call();
            EXPECT_FALSE(watchdog.Fired()) << what << " hung";
        }
        const auto elapsed = steady_clock::now() - start;
        EXPECT_LE(elapsed, pumping + kDeadline + kMargin) << what;
        EXPECT_GE(elapsed, kDeadline - 50ms) << what << " did not meet the stalled client";
    }

    // The identifiers QueryContextMenu reports and the entries it put into the menu.
    std::pair<int, int> QueryMenu()
    {
        const UniqueMenu popup(::CreatePopupMenu());
        const HRESULT result = menu->QueryContextMenu(popup.get(), 0, 1, 0x7FFF, CMF_NORMAL);
        return {FAILED(result) ? -1 : HRESULT_CODE(result), ::GetMenuItemCount(popup.get())};
    }

    HRESULT Invoke()
    {
        CMINVOKECOMMANDINFO invoke{};
        invoke.cbSize = sizeof invoke;
        invoke.lpVerb = MAKEINTRESOURCEA(2);
        return menu->InvokeCommand(&invoke);
    }

    ComPtr<IShellIconOverlayIdentifier> overlay;
    ComPtr<IContextMenu> menu;
};

TEST_P(StalledClientTest, EveryShellCallGivesItsNeutralAnswerByTheDeadline)
{
    AttachAccepted();
    StallClient();
    ExpectBounded("IsMemberOf", [&] { EXPECT_EQ(S_FALSE, overlay->IsMemberOf(kFile.c_str(), 0)); });
    ExpectBounded("QueryContextMenu", [&] { EXPECT_EQ(std::pair(0, 0), QueryMenu()); });
    ExpectBounded("InvokeCommand", [&] { EXPECT_EQ(S_OK, Invoke()); });
    ExpectBounded("a selection change",
                  [&]
                  {
                      folderView->selection = {kFile};
                      EXPECT_EQ(S_OK, folderView->Events().Fire(DISPID_SELECTIONCHANGED));
                  });
    ExpectBounded(
        "a settled resize",
        [&]
        {
            ::SetWindowPos(window.ViewHost(), nullptr, 0, 0, 640, 300, SWP_NOZORDER | SWP_NOMOVE);
            PumpMessages(400ms);
        },
        400ms);
    ExpectBounded("the window closing", [&] { EXPECT_EQ(S_OK, browser->Events().Fire(DISPID_ONQUIT)); });
    ExpectBounded("leaving the sync folder", [&] { Navigate(kOutsideFolder); });
    ExpectBounded("entering the sync folder", [&] { Navigate(kInsideFolder); });
    EXPECT_NE(nullptr, PromptDialog()) << "a client that does not answer gets the sign-in band";

    HealClient();
    EXPECT_EQ(S_OK, overlay->IsMemberOf(kFile.c_str(), 0));
    EXPECT_EQ(std::pair(3, 3), QueryMenu()) << "separator, submenu, separator";
    EXPECT_EQ(S_OK, Invoke());
    Navigate(kInsideFolder);
    EXPECT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin));
    EXPECT_EQ(1u, CountOf(kCommandNotifySeletionChanged));
    EXPECT_EQ(1u, CountOf(kCommandMenuCmd));
}

INSTANTIATE_TEST_SUITE_P(BothWays, StalledClientTest,
                         ::testing::Values(Stall::ReadsAndNeverAnswers, Stall::AcceptsAndNeverReads),
                         [](const ::testing::TestParamInfo<Stall>& info) {
                             return info.param == Stall::ReadsAndNeverAnswers ? "ReadsAndNeverAnswers"
                                                                              : "AcceptsAndNeverReads";
                         });

} // namespace
} // namespace pellicor::test
