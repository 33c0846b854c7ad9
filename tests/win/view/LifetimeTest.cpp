// Nothing of the library outlives its object: calls from a thread that does not own the window's
// views, a withdrawn site, and a client whose panel window no longer answers. The fixture's TearDown
// checks after every test that the last release leaves nothing behind.
#include "tests/win/view/ViewFixture.h"

#include "tests/win/support/Watchdog.h"

#include <gtest/gtest.h>

#include <thread>

namespace pellicor::test
{
namespace
{

using namespace std::chrono_literals;

template <typename Call> auto OnAnotherThread(Call call)
{
    decltype(call()) result{};
    std::thread([&] { result = call(); }).join();
    return result;
}

TEST_F(ViewTest, AnotherThreadNeitherTearsDownByHalfNorUnloadsTheLibraryUnderTheWindow)
{
    Refuse();
    Navigate(kInsideFolder);
    const HWND dialog = PromptDialog();
    ASSERT_NE(nullptr, dialog);

    EXPECT_EQ(RPC_E_WRONG_THREAD, OnAnotherThread([&] { return FireDocumentComplete(*browser.get(), kOutsideFolder); }));
    EXPECT_EQ(RPC_E_WRONG_THREAD, OnAnotherThread([&] { return object.SetSite(nullptr); }));
    EXPECT_TRUE(IsShown(dialog)) << "the band is left as it was";

    // The last reference goes on another thread: the window's own thread takes the view down.
    browser->Events().DropSinks();
    folderView->Events().DropSinks();
    ComPtr<IObjectWithSite> site = object.Take();
    std::thread([&site] { site.reset(); }).join();
    EXPECT_TRUE(::IsWindow(dialog));
    EXPECT_EQ(S_FALSE, library.CanUnloadNow()) << "the band's procedures are still ours";
    PumpMessages(20ms);
    EXPECT_FALSE(::IsWindow(dialog));
}

TEST_F(ViewTest, WithdrawingTheSiteTakesTheViewDownAndEndsTheSubscriptions)
{
    Refuse();
    Navigate(kInsideFolder);
    ASSERT_NE(nullptr, PromptDialog());
    ASSERT_EQ(1u, browser->Events().SinkCount());
    ASSERT_EQ(1u, folderView->Events().SinkCount());

    EXPECT_EQ(S_OK, object.SetSite(nullptr));
    EXPECT_EQ(std::vector<std::string>{}, LeftBehind(window));
    EXPECT_EQ(0u, browser->Events().SinkCount());
    EXPECT_EQ(0u, folderView->Events().SinkCount());

    // With no subscription left, the host's own reference is the last one.
    object.Take().reset();
    EXPECT_EQ(S_OK, library.CanUnloadNow());
}

// A host that lets go without withdrawing the site first: the sources hold only forwarders, so the
// last release still takes everything down and ends the subscriptions.
TEST_F(ViewTest, ReleasingWithoutWithdrawingTheSiteLeavesNothingBehind)
{
    Refuse();
    Navigate(kInsideFolder);
    ASSERT_NE(nullptr, PromptDialog());
    ASSERT_EQ(1u, browser->Events().SinkCount());

    object.Take().reset();
    EXPECT_EQ(std::vector<std::string>{}, LeftBehind(window));
    EXPECT_EQ(0u, browser->Events().SinkCount());
    EXPECT_EQ(0u, folderView->Events().SinkCount());
    EXPECT_EQ(S_OK, library.CanUnloadNow());
}

TEST_F(ViewTest, AClientPanelThatDoesNotAnswerIsNotPlaced)
{
    AttachAccepted();
    const HWND dialog = PromptDialog();
    UniqueKernelHandle resume(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HWND panel = nullptr;
    UniqueKernelHandle created(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // The client's panel window, on a thread that stops taking messages.
    std::thread client(
        [&]
        {
            UniqueWindow window = CreatePlainWindow();
            panel = window.get();
            ::SetEvent(created.get());
            ::WaitForSingleObject(resume.get(), INFINITE);
        });
    ::WaitForSingleObject(created.get(), INFINITE);
    {
        const Watchdog watchdog(3000ms, [&] { ::SetEvent(resume.get()); });
        ::PostMessageW(dialog, kAttachWindowMessage, 0, reinterpret_cast<LPARAM>(panel));
        EXPECT_TRUE(PumpUntil([&] { return IsShown(dialog); }, 2000ms)) << "the band, as when the client refuses";
        EXPECT_FALSE(watchdog.Fired()) << "the Explorer window hung";
    }
    EXPECT_NE(window.ViewWindow(), ::GetAncestor(panel, GA_PARENT));
    ::SetEvent(resume.get());
    client.join();
}

} // namespace
} // namespace pellicor::test
