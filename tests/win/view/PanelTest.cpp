// The client's panel in the view: the band when the client does not take the place, the poll that
// attaches it later, settled resizes, the selection, and the client's own messages.
#include "tests/win/view/ViewFixture.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

using namespace std::chrono_literals;

RECT RectInParent(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring TextOf(HWND dialog, int id)
{
    wchar_t text[256] = {};
    ::GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

TEST_F(ViewTest, ARefusedPanelShowsTheBandUntilAPollIsAccepted)
{
    Refuse();
    Navigate(kInsideFolder);
    const auto refusedAt = std::chrono::steady_clock::now();
    const HWND dialog = PromptDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin));
    EXPECT_EQ(0u, CountOf(kCommandNotifySeletionChanged));

    // The band across the top of the view host, the file list below it.
    EXPECT_TRUE(IsShown(dialog));
    const RECT band = RectInParent(dialog);
    EXPECT_EQ(0, band.left);
    EXPECT_EQ(0, band.top);
    EXPECT_EQ(kWindowWidth, band.right);
    EXPECT_EQ(kBandHeight, band.bottom);
    const RECT items = RectInParent(window.ItemsView());
    EXPECT_EQ(kBandHeight, items.top);
    EXPECT_EQ(kWindowHeight, items.bottom);
    EXPECT_EQ(L"Not login", TextOf(dialog, 1007));
    EXPECT_EQ(L"Login Now", TextOf(dialog, kPromptLinkId));

    Select({L"C:\\Drovana\\Docs\\a.txt"});
    EXPECT_EQ(0u, CountOf(kCommandNotifySeletionChanged)) << "no selection is reported without a panel";

    // The client signs in; the next poll (4 s after the refusal, then every 2.5 s) attaches.
    Accept();
    ASSERT_TRUE(PumpUntil([&] { return CountOf(kCommandNotifySeletionChanged) == 1; }, 7000ms));
    EXPECT_GE(std::chrono::steady_clock::now() - refusedAt, 3900ms);
    const auto attach = ArgumentsOf(kCommandNotifyCreatePluginWin);
    ASSERT_EQ(2u, attach.size());
    EXPECT_EQ(attach[0], attach[1]) << "the poll names the same windows and folder";
    EXPECT_EQ((RequestArguments{{HandleText(window.ViewWindow()), L"C:\\Drovana\\Docs\\a.txt"}}),
              ArgumentsOf(kCommandNotifySeletionChanged));
    EXPECT_FALSE(IsShown(dialog)) << "the band hides once the panel is accepted";
    EXPECT_EQ(kBandHeight, RectInParent(window.ItemsView()).top) << "the list stays where the band left it";

    PumpMessages(2700ms);
    EXPECT_EQ(2u, CountOf(kCommandNotifyCreatePluginWin)) << "the poll has stopped";
}

TEST_F(ViewTest, ABurstOfResizesIsReportedOnceAfterItSettles)
{
    AttachAccepted();
    // Right after the attachment the client lays its panel out itself: no report.
    ::SetWindowPos(window.ViewHost(), nullptr, 0, 0, 700, 400, SWP_NOZORDER | SWP_NOMOVE);
    PumpMessages(300ms);
    EXPECT_EQ(0u, CountOf(kCommandNotifyWindowResize));

    PumpMessages(200ms);
    for (int i = 0; i < 5; ++i)
    {
        ::SetWindowPos(window.ViewHost(), nullptr, 0, 0, 600 + 10 * i, 400, SWP_NOZORDER | SWP_NOMOVE);
        PumpMessages(50ms);
    }
    EXPECT_EQ(0u, CountOf(kCommandNotifyWindowResize)) << "nothing while the resizing goes on";
    PumpMessages(300ms);
    EXPECT_EQ((RequestArguments{{HandleText(window.ViewWindow()), HandleText(window.ItemsView())}}),
              ArgumentsOf(kCommandNotifyWindowResize));
}

TEST_F(ViewTest, ResizingTheBandLaysItOutAgainAndSendsNothing)
{
    Refuse();
    Navigate(kInsideFolder);
    server.ClearRequests();
    ::SetWindowPos(window.ViewHost(), nullptr, 0, 0, 640, 300, SWP_NOZORDER | SWP_NOMOVE);
    PumpMessages(250ms);
    EXPECT_EQ(0u, server.RequestCount());
    EXPECT_EQ(640, RectInParent(PromptDialog()).right);
    EXPECT_EQ(300, RectInParent(window.ItemsView()).bottom);
    EXPECT_EQ(640, RectInParent(window.ItemsView()).right);
}

TEST_F(ViewTest, ASelectionIsReportedWhenItChanges)
{
    AttachAccepted();
    const std::wstring a = L"C:\\Drovana\\Docs\\a.txt";
    const std::wstring b = L"C:\\Drovana\\Docs\\b.txt";
    Select({a, b});
    Select({a, b});
    Select({b, a});
    Select({});
    const std::wstring view = HandleText(window.ViewWindow());
    EXPECT_EQ((RequestArguments{{view, a, b}, {view, b, a}, {view, kInsideFolder}}),
              ArgumentsOf(kCommandNotifySeletionChanged));

    // A new attachment always reports the selection, even an unchanged one.
    Navigate(kInsideFolder);
    EXPECT_EQ(4u, CountOf(kCommandNotifySeletionChanged));
}

// A select-all in a huge folder cannot be sent in one request: it is neither walked item by item on
// the window's thread nor sent. The next selection differs from it, so it is sent, even when it is
// the one sent before.
TEST_F(ViewTest, ASelectionTooLargeToSendIsNotWalked)
{
    AttachAccepted();
    const std::wstring a = L"C:\\Drovana\\Docs\\a.txt";
    Select({a});
    ASSERT_EQ(1u, CountOf(kCommandNotifySeletionChanged));

    std::vector<std::wstring> all;
    for (int i = 0; i < 100000; ++i)
        all.push_back(L"C:\\Drovana\\Docs\\file " + std::to_wstring(i) + L".txt");
    *folderView->itemReads = 0;
    Select(std::move(all));
    EXPECT_LT(*folderView->itemReads, 200) << "reading stops where the request stops fitting";
    EXPECT_EQ(1u, CountOf(kCommandNotifySeletionChanged));
    EXPECT_EQ(S_OK, folderView->Events().Fire(DISPID_SELECTIONCHANGED));
    EXPECT_EQ(1u, CountOf(kCommandNotifySeletionChanged));

    Select({a});
    EXPECT_EQ(2u, CountOf(kCommandNotifySeletionChanged));
}

TEST_F(ViewTest, TheClientsMessagesPlaceItsPanelAndShowTheBand)
{
    AttachAccepted();
    const HWND dialog = PromptDialog();
    ASSERT_NE(nullptr, dialog);

    UniqueWindow panel = CreatePlainWindow();
    ::PostMessageW(dialog, kAttachWindowMessage, 0, reinterpret_cast<LPARAM>(panel.get()));
    PumpMessages(20ms);
    EXPECT_EQ(window.ViewWindow(), ::GetAncestor(panel.get(), GA_PARENT))
        << "the client's panel moves into the view window";

    // Nonsense from the client changes nothing and breaks nothing.
    ::SendMessageW(dialog, kAttachWindowMessage, 0, 0);
    ::SendMessageW(dialog, kAttachWindowMessage, 0, 0x12345);
    ::SendMessageW(dialog, kAttachWindowMessage, 0, reinterpret_cast<LPARAM>(window.TopLevel()));
    EXPECT_EQ(::GetDesktopWindow(), ::GetAncestor(window.TopLevel(), GA_PARENT))
        << "no window becomes a child of its own descendant";

    // The user signs out: the band shows, the list moves down, and polling starts over.
    ::PostMessageW(dialog, kSignedOutMessage, 0, 0);
    PumpMessages(20ms);
    EXPECT_TRUE(IsShown(dialog));
    EXPECT_EQ(kBandHeight, RectInParent(dialog).bottom);
    EXPECT_EQ(kBandHeight, RectInParent(window.ItemsView()).top);
    Select({L"C:\\Drovana\\Docs\\a.txt"});
    EXPECT_EQ(0u, CountOf(kCommandNotifySeletionChanged)) << "signed out: no panel to tell";
    EXPECT_TRUE(PumpUntil([&] { return CountOf(kCommandNotifyCreatePluginWin) == 1; }, 5000ms));
    EXPECT_FALSE(IsShown(dialog));
}

TEST_F(ViewTest, LeavingTheSyncFolderUnderTheBandStopsThePoll)
{
    Refuse();
    Navigate(kInsideFolder);
    const HWND dialog = PromptDialog();
    ASSERT_TRUE(IsShown(dialog));
    Accept();
    Navigate(kOutsideFolder);
    EXPECT_FALSE(::IsWindow(dialog)) << "the band belongs to the folder that was left";
    PumpMessages(4500ms);
    EXPECT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin))
        << "no panel is attached to a folder outside the sync folder";
    EXPECT_EQ(0u, CountOf(kCommandNotifyWinDowClose)) << "the client never had a panel here";
}

TEST_F(ViewTest, AnObjectLetGoWithTimersRunningLeavesNothingBehind)
{
    Refuse();
    Navigate(kInsideFolder);
    const HWND dialog = PromptDialog();
    ::SetWindowPos(window.ViewHost(), nullptr, 0, 0, 600, 300, SWP_NOZORDER | SWP_NOMOVE);

    LetGo();
    EXPECT_FALSE(::IsWindow(dialog)) << "the band goes with its object";
    server.ClearRequests();
    Accept();
    PumpMessages(4300ms);
    EXPECT_EQ(0u, server.RequestCount()) << "no poll runs for an object that is gone";
    ::SendMessageW(window.ViewHost(), WM_SIZE, 0, MAKELPARAM(500, 300));
    PumpMessages(200ms);
    EXPECT_EQ(0u, server.RequestCount()) << "the view host is no longer ours";
}

} // namespace
} // namespace pellicor::test
