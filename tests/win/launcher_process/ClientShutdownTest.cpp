// Closing the client and the document editor: WM_CLOSE first, termination only after the last try.
// The client is the stand-in, copied as drovana.exe, with a main window that closes on the first,
// the n-th or no WM_CLOSE and records every one it gets.
#include "launcher/Shutdown.h"

#include "tests/win/launcher/StandInWindow.h"
#include "tests/win/launcher_process/ChildProcess.h"
#include "tests/win/launcher_process/TestLogSink.h"

#include <gtest/gtest.h>

namespace
{

using namespace pellicor::test;
using namespace pellicor::test::process;
using pellicor::UniqueKernelHandle;

class ClientShutdown : public StandInClientTest
{
protected:
    void SetUp() override
    {
        StandInClientTest::SetUp();
        TakeLogLines();
    }

    // The stand-in on a pipe of its own, so that it never answers another test's shell extension.
    UniqueKernelHandle StartClient(const std::wstring& switches)
    {
        return StartProcess(m_client,
                            L"drovana.exe --quiet --pipe \\\\.\\pipe\\pellicor-launcher-process " + switches);
    }
};

TEST_F(ClientShutdown, NoWindowMeansNothingIsSentAndNothingKilled)
{
    // A drovana.exe without its main window (still starting, or another tool of that name) is left alone.
    UniqueKernelHandle client = StartClient(L"");
    ASSERT_TRUE(client);
    ASSERT_EQ(::WaitForSingleObject(client.get(), 500), static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_TRUE(drovana::CloseClient());
    EXPECT_TRUE(drovana::CloseEditor());
    EXPECT_EQ(::WaitForSingleObject(client.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // Names compare without regard to case; the killed process ends with exit code 1.
    EXPECT_FALSE(drovana::KillProcessByName(nullptr));
    EXPECT_TRUE(drovana::KillProcessByName(L"DROVANA.EXE"));
    EXPECT_EQ(ExitCodeAfterExit(client.get()), 1u);
    EXPECT_TRUE(TakeLogLines().empty());
}

TEST_F(ClientShutdown, ClientThatClosesOnTheThirdMessageGetsExactlyThree)
{
    UniqueKernelHandle client = StartClient(L"--main-window 3");
    ASSERT_TRUE(client);
    ASSERT_TRUE(WaitForWindow(kClientClass, kClientTitle));

    EXPECT_TRUE(drovana::CloseClient());
    EXPECT_EQ(ExitCodeAfterExit(client.get()), 0u); // closed by itself, not killed
    EXPECT_EQ(ReadStandInRecord(m_record).closeMessages, 3);
}

// A window that never closes gets every attempt, then its process is killed. A window with the
// client's title but another class is not the client and gets nothing.
TEST_F(ClientShutdown, ClientThatIgnoresCloseGetsThirtyAndIsKilled)
{
    StandInWindow lookalike(L"PellicorTestLookalike", kClientTitle, false);
    UniqueKernelHandle client = StartClient(L"--main-window never");
    ASSERT_TRUE(client);
    ASSERT_TRUE(WaitForWindow(kClientClass, kClientTitle));

    EXPECT_TRUE(drovana::CloseClient());
    EXPECT_EQ(ExitCodeAfterExit(client.get()), 1u);
    EXPECT_EQ(ReadStandInRecord(m_record).closeMessages, 30);
    EXPECT_EQ(lookalike.closes(), 0);
    EXPECT_TRUE(lookalike.open());
    EXPECT_TRUE(TakeLogLines().empty());
}

// The editor's main window is a dialog; these live on the test's thread.
TEST_F(ClientShutdown, EditorDialogIsClosedOrTriedFortyTimes)
{
    StandInWindow polite(kEditorClass, kEditorTitle);
    ASSERT_EQ(::FindWindowW(kEditorClass, kEditorTitle), polite.get());
    EXPECT_TRUE(drovana::CloseEditor());
    EXPECT_EQ(polite.closes(), 1);
    EXPECT_FALSE(polite.open());

    StandInWindow stubborn(kEditorClass, kEditorTitle, false);
    drovana::CloseEditor(); // no Quickpen.exe to kill here
    EXPECT_EQ(stubborn.closes(), 40);
}

} // namespace
