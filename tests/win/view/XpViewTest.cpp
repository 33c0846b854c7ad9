// The view integration on Windows XP, for real: this program starts itself again with Wine told to
// report Windows XP to it (the compatibility version of this one program, never the prefix's).
#include "tests/win/view/ViewFixture.h"

#include "tests/win/support/DropFilesDataObject.h"
#include "tests/win/support/ShellClassIds.h"
#include "tests/win/support/XpRun.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

namespace pellicor::test
{
namespace
{

using namespace std::chrono_literals;

constexpr const wchar_t* kRetryProperty = L"_DRV_PROP_EXTEND_USERDATA_";

TEST_F(XpViewTest, EveryDocumentCompleteIsProcessed)
{
    EXPECT_EQ(S_OK, FireDocumentComplete(*browser.get(), kInsideFolder)) << "one report is enough";
    const HWND dialog = PromptDialog();
    ASSERT_NE(nullptr, dialog) << "the dialog is a child of the CtrlNotifySink";
    const auto attach = ArgumentsOf(kCommandNotifyCreatePluginWin);
    ASSERT_EQ(1u, attach.size());
    EXPECT_EQ((std::vector<std::wstring>{HandleText(window.TopLevel()), HandleText(window.ItemsView()),
                                         HandleText(dialog), kInsideFolder}),
              attach[0]);
}

TEST_F(XpViewTest, TheOldViewIsLookedForAgainUntilANewOneIsThere)
{
    AttachAccepted();
    const HWND oldHost = window.ViewHost();
    Navigate(L"C:\\Drovana\\Photos");
    EXPECT_EQ(0u, server.RequestCount()) << "the previous folder's view is still in place";
    EXPECT_NE(nullptr, ::GetPropW(window.TopLevel(), kRetryProperty));

    PumpMessages(1000ms);
    EXPECT_EQ(0u, server.RequestCount());
    window.ReplaceFolderView();
    ASSERT_TRUE(PumpUntil([&] { return CountOf(kCommandNotifyCreatePluginWin) == 1; }, 1000ms));
    const auto attach = ArgumentsOf(kCommandNotifyCreatePluginWin);
    EXPECT_NE(oldHost, window.ViewHost());
    EXPECT_EQ(HandleText(window.ItemsView()), attach[0][1]);
    EXPECT_EQ(L"C:\\Drovana\\Photos", attach[0][3]);
    PumpMessages(900ms);
    EXPECT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin)) << "the retries have ended";
}

TEST_F(XpViewTest, TheNinthFindingOfTheOldViewIsAccepted)
{
    AttachAccepted();
    const auto start = std::chrono::steady_clock::now();
    Navigate(L"C:\\Drovana\\Photos");
    ASSERT_TRUE(PumpUntil([&] { return CountOf(kCommandNotifyCreatePluginWin) == 1; }, 5000ms));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 3000ms) << "eight retries, 400 ms apart";
    EXPECT_LE(elapsed, 4500ms);
    EXPECT_EQ(HandleText(window.ItemsView()), ArgumentsOf(kCommandNotifyCreatePluginWin)[0][1]);
}

TEST_F(XpViewTest, NoRetryOutlivesItsObjectOrItsFolder)
{
    AttachAccepted();
    Navigate(L"C:\\Drovana\\Photos");
    Navigate(kOutsideFolder);
    EXPECT_EQ(1u, CountOf(kCommandNotifyWinDowClose));
    window.ReplaceFolderView();
    PumpMessages(900ms);
    EXPECT_EQ(0u, CountOf(kCommandNotifyCreatePluginWin)) << "leaving the sync folder stops the retry";

    Navigate(kInsideFolder);
    EXPECT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin));
    Navigate(kInsideFolder);
    LetGo();
    EXPECT_EQ(nullptr, ::GetPropW(window.TopLevel(), kRetryProperty))
        << "the window no longer names the object";
    window.ReplaceFolderView();
    PumpMessages(900ms);
    EXPECT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin)) << "no retry runs for an object that is gone";
}

// A retry waits on the window the object was sited in; a new site, or none, ends it there.
TEST_F(XpViewTest, ANewSiteOrNoneEndsTheRetryOnTheFirstWindow)
{
    AttachAccepted();
    Navigate(L"C:\\Drovana\\Photos");
    ASSERT_NE(nullptr, ::GetPropW(window.TopLevel(), kRetryProperty));

    XpExplorerWindow second;
    auto secondBrowser = FakeBrowser::Create();
    secondBrowser->window = second.TopLevel();
    ASSERT_EQ(S_OK, object.SetSite(static_cast<IWebBrowser2*>(secondBrowser.get())));
    EXPECT_EQ(std::vector<std::string>{}, LeftBehind(window));
    window.ReplaceFolderView();
    PumpMessages(900ms);
    EXPECT_EQ(0u, server.RequestCount()) << "nothing is attached in the first window any more";

    EXPECT_EQ(S_OK, FireDocumentComplete(*secondBrowser.get(), kInsideFolder));
    EXPECT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin));
    EXPECT_EQ(S_OK, FireDocumentComplete(*secondBrowser.get(), L"C:\\Drovana\\Photos"));
    ASSERT_NE(nullptr, ::GetPropW(second.TopLevel(), kRetryProperty));
    EXPECT_EQ(S_OK, object.SetSite(nullptr));
    EXPECT_EQ(std::vector<std::string>{}, LeftBehind(second));
}

// A context-menu object finds the window in the foreground as its view window; letting it go leaves
// the site object's retry on that window alone.
TEST_F(XpViewTest, AMenuObjectLeavesTheRetryAlone)
{
    AttachAccepted();
    Navigate(L"C:\\Drovana\\Photos");
    ::SetForegroundWindow(window.TopLevel());
    ASSERT_EQ(window.TopLevel(), ::GetForegroundWindow());
    {
        ComPtr<IShellExtInit> menu;
        ASSERT_EQ(S_OK, library.CreateObject(kClsidSynced, IID_IShellExtInit, menu.put_void()));
        ASSERT_EQ(S_OK, menu->Initialize(nullptr, CreateDropFilesDataObject({kInsideFolder}).get(), nullptr));
        ComPtr<IContextMenu> command;
        ASSERT_EQ(S_OK, menu.As(command));
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(3);
        EXPECT_EQ(S_OK, command->InvokeCommand(&info));
    }
    window.ReplaceFolderView();
    EXPECT_TRUE(PumpUntil([&] { return CountOf(kCommandNotifyCreatePluginWin) == 1; }, 1000ms))
        << "the retry still runs";
}

// Whatever the panel's state, leaving the sync folder ends a retry still waiting for the previous
// folder's view, and a retry attaches only while the window still shows the sync folder.
TEST_F(XpViewTest, ARetryNeverAttachesOutsideTheSyncFolder)
{
    const auto retryThenLeave = [&](const char* state)
    {
        Navigate(L"C:\\Drovana\\Photos");
        ASSERT_NE(nullptr, ::GetPropW(window.TopLevel(), kRetryProperty)) << state << ": a retry is waiting";
        Navigate(kOutsideFolder);
        server.ClearRequests();
        window.ReplaceFolderView();
        PumpMessages(900ms);
        EXPECT_EQ(0u, CountOf(kCommandNotifyCreatePluginWin)) << state;
        EXPECT_EQ(nullptr, PromptDialog()) << state;
    };
    AttachAccepted();
    Navigate(kOutsideFolder);
    retryThenLeave("no panel");

    Refuse();
    Navigate(kInsideFolder);
    ASSERT_NE(nullptr, PromptDialog());
    retryThenLeave("sign-in band");

    // The client signs out while a retry waits: nothing is inside the sync folder any more.
    Accept();
    Navigate(kInsideFolder);
    Navigate(L"C:\\Drovana\\Photos");
    settings.SetString(L"username", L"");
    server.ClearRequests();
    window.ReplaceFolderView();
    PumpMessages(900ms);
    EXPECT_EQ(0u, CountOf(kCommandNotifyCreatePluginWin)) << "signed out";
}

TEST_F(XpActiveXViewTest, AnActiveXViewIsTheItemsView)
{
    Navigate(kInsideFolder);
    const auto attach = ArgumentsOf(kCommandNotifyCreatePluginWin);
    ASSERT_EQ(1u, attach.size());
    EXPECT_EQ(HandleText(window.ItemsView()), attach[0][1]) << "the AtlAxWin window";
    EXPECT_NE(nullptr, PromptDialog()) << "the dialog is a child of the AtlAxWin window's parent";
}

} // namespace
} // namespace pellicor::test

int main()
{
    return pellicor::test::RunGoogleTestsAsXp();
}
