// The site object in an Explorer window: which hosts it accepts, which DocumentComplete reports it
// acts on, which folders count as the sync folder, and when the client hears that a window's panel
// goes away.
#include "tests/win/view/ViewFixture.h"

#include "tests/win/support/ShellClassIds.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <functional>

namespace pellicor::test
{
namespace
{

using namespace std::chrono_literals;

class SiteHostTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(library.IsLoaded()); }

    struct Attached
    {
        HRESULT result;
        std::size_t advises; // subscriptions to the browser's events
    };
    // A fresh object sited in a browser set up by configure, then let go as Explorer lets go.
    Attached Attach(const std::function<void(FakeBrowser&)>& configure)
    {
        SiteObject object(library);
        auto browser = FakeBrowser::Create();
        configure(*browser.get());
        const HRESULT result = object.SetSite(static_cast<IWebBrowser2*>(browser.get()));
        const std::size_t advises = browser->Events().AdviseCount();
        browser->Events().DropSinks();
        object.Release();
        return {result, advises};
    }

    LibraryUnderTest library;
};

TEST_F(SiteHostTest, AttachesToExplorerOnlyAndSubscribesToItsEvents)
{
    {
        SiteObject object(library);
        EXPECT_EQ(E_FAIL, object.SetSite(CreatePlainUnknown().get())) << "a site that is no browser";
        EXPECT_EQ(S_OK, object.SetSite(nullptr));
    }
    const Attached ie = Attach([](FakeBrowser& browser)
                               { browser.fullName = L"C:\\Program Files\\Internet Explorer\\iexplore.exe"; });
    EXPECT_EQ(E_FAIL, ie.result);
    EXPECT_EQ(0u, ie.advises) << "nothing is subscribed outside Explorer";
    const Attached explorer =
        Attach([](FakeBrowser& browser) { browser.fullName = L"C:\\WINDOWS\\EXPLORER.EXE"; });
    EXPECT_EQ(S_OK, explorer.result);
    EXPECT_EQ(1u, explorer.advises);
    EXPECT_EQ(
        E_FAIL,
        Attach([](FakeBrowser& browser) { browser.Events().adviseResult = CONNECT_E_ADVISELIMIT; }).result)
        << "a refused subscription";
    EXPECT_EQ(S_OK, Attach([](FakeBrowser& browser) { browser.offerEvents = false; }).result)
        << "no events to subscribe to";
}

TEST_F(ViewTest, EverySecondDocumentCompleteIsProcessedFromVistaOn)
{
    EXPECT_EQ(S_OK, FireDocumentComplete(*browser.get(), kInsideFolder));
    PumpMessages(20ms);
    EXPECT_EQ(0u, server.RequestCount()) << "the first report of a navigation is ignored";
    EXPECT_EQ(nullptr, PromptDialog());

    EXPECT_EQ(S_OK, FireDocumentComplete(*browser.get(), kInsideFolder));
    const HWND firstDialog = PromptDialog();
    ASSERT_NE(nullptr, firstDialog);
    const auto attach = ArgumentsOf(kCommandNotifyCreatePluginWin);
    ASSERT_EQ(1u, attach.size());
    EXPECT_EQ((std::vector<std::wstring>{HandleText(window.ViewWindow()), HandleText(window.ItemsView()),
                                         HandleText(firstDialog), kInsideFolder}),
              attach[0]);
    EXPECT_EQ((RequestArguments{{HandleText(window.ViewWindow()), kInsideFolder}}),
              ArgumentsOf(kCommandNotifySeletionChanged))
        << "an accepted panel is told the selection, the folder itself when nothing is selected";
    EXPECT_EQ(1u, folderView->Events().AdviseCount()) << "the folder view's events are subscribed to";
    EXPECT_FALSE(::GetWindowLongPtrW(firstDialog, GWL_STYLE) & WS_VISIBLE) << "the band stays hidden";

    // Another folder of the sync folder: a new dialog and a new attachment, with no close between.
    server.ClearRequests();
    EXPECT_EQ(S_OK, FireDocumentComplete(*browser.get(), L"C:\\Drovana\\Photos"));
    EXPECT_EQ(0u, server.RequestCount());
    EXPECT_EQ(S_OK, FireDocumentComplete(*browser.get(), L"C:\\Drovana\\Photos"));
    EXPECT_FALSE(::IsWindow(firstDialog)) << "the earlier dialog is destroyed";
    const auto again = ArgumentsOf(kCommandNotifyCreatePluginWin);
    ASSERT_EQ(1u, again.size());
    EXPECT_EQ(HandleText(PromptDialog()), again[0][2]);
    EXPECT_EQ(L"C:\\Drovana\\Photos", again[0][3]);
    EXPECT_EQ(1u, CountOf(kCommandNotifySeletionChanged));
    EXPECT_EQ(0u, CountOf(kCommandNotifyWinDowClose));
    EXPECT_EQ(2u, folderView->Events().AdviseCount()) << "each navigation brings a view to subscribe to";
}

TEST_F(ViewTest, ALocationThatIsNoStringKeepsThePreviousFolder)
{
    EXPECT_EQ(S_OK, FireDocumentCompleteWithNumber(*browser.get()));
    EXPECT_EQ(S_OK, FireDocumentCompleteWithNumber(*browser.get()));
    EXPECT_EQ(0u, server.RequestCount()) << "no folder known yet: nothing is inside the sync folder";

    AttachAccepted();
    EXPECT_EQ(S_OK, FireDocumentCompleteWithoutLocation(*browser.get()));
    EXPECT_EQ(S_OK, FireDocumentCompleteWithoutLocation(*browser.get()));
    EXPECT_EQ(S_OK, FireDocumentCompleteWithNumber(*browser.get()));
    EXPECT_EQ(S_OK, FireDocumentCompleteWithNumber(*browser.get()));
    const auto attach = ArgumentsOf(kCommandNotifyCreatePluginWin);
    ASSERT_EQ(2u, attach.size()) << "the previous folder is tested again, and is still inside";
    EXPECT_EQ(kInsideFolder, attach[0][3]);
    EXPECT_EQ(kInsideFolder, attach[1][3]);
}

TEST_F(ViewTest, TheSyncFolderIsComparedWithoutCaseAndTrailingBackslashes)
{
    settings.SetString(L"syncPath", L"C:\\DROVANA\\\\\\");
    Navigate(L"C:\\DrovanaOld");
    EXPECT_EQ(0u, server.RequestCount()) << "a sibling with a longer name is outside";
    Navigate(L"c:\\drovana");
    EXPECT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin)) << "the sync folder itself is inside";
    Navigate(L"c:\\DROVANA\\Docs");
    EXPECT_EQ(2u, CountOf(kCommandNotifyCreatePluginWin));

    settings.SetString(L"username", L"");
    server.ClearRequests();
    Navigate(kInsideFolder);
    EXPECT_EQ((RequestArguments{{HandleText(window.ViewWindow())}}), ArgumentsOf(kCommandNotifyWinDowClose))
        << "signed out: nothing is inside the sync folder, and the attached panel is closed";
    EXPECT_EQ(0u, CountOf(kCommandNotifyCreatePluginWin));
}

TEST_F(ViewTest, TheClientHearsWhenThePanelGoesAway)
{
    Navigate(kOutsideFolder);
    EXPECT_EQ(S_OK, browser->Events().Fire(DISPID_ONQUIT));
    EXPECT_EQ(0u, server.RequestCount()) << "no panel, nothing to close";

    AttachAccepted();
    Navigate(kOutsideFolder);
    EXPECT_EQ((RequestArguments{{HandleText(window.ViewWindow())}}), ArgumentsOf(kCommandNotifyWinDowClose));
    Navigate(kOutsideFolder);
    EXPECT_EQ(1u, CountOf(kCommandNotifyWinDowClose)) << "closed once";

    Navigate(kInsideFolder);
    server.ClearRequests();
    EXPECT_EQ(S_OK, browser->Events().Fire(DISPID_ONQUIT));
    EXPECT_EQ((RequestArguments{{HandleText(window.ViewWindow())}}), ArgumentsOf(kCommandNotifyWinDowClose));
}

} // namespace
} // namespace pellicor::test
