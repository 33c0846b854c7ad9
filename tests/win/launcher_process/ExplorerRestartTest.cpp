// Ending Explorer and starting the client when no Explorer can be opened. The session's real
// Explorer (Wine's desktop process) is shielded instead of ended, and a copy of the stand-in named
// Explorer.EXE plays a second Explorer that may be ended.
#include "launcher/ProcessToken.h"
#include "launcher/Shutdown.h"

#include "tests/win/launcher_process/ChildProcess.h"
#include "tests/win/launcher_process/FakeTaskScheduler.h"
#include "tests/win/launcher_process/TestLogSink.h"
#include "tests/win/support/DesktopShell.h"
#include "tests/win/support/RegistryScope.h"
#include "tests/win/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

using namespace pellicor::test;
using namespace pellicor::test::process;
using pellicor::UniqueKernelHandle;
using Lines = std::vector<std::string>;

class ExplorerRestart : public StandInClientTest
{
protected:
    void SetUp() override
    {
        StandInClientTest::SetUp();
        m_shell = ProcessShield::ShellProcessId();
        ASSERT_NE(m_shell, 0u);
        TakeLogLines();
    }

    // A copy of the stand-in under another name that stays until it is ended.
    UniqueKernelHandle StartCopy(const wchar_t* name)
    {
        const std::wstring path = m_folder.Path(name);
        ::CopyFileW(BinPath(L"ClientStandIn.exe").c_str(), path.c_str(), TRUE); // once per name
        return StartProcess(path, std::wstring(name) + L" --quiet --pipe \\\\.\\pipe\\pellicor-launcher-" +
                                      std::to_wstring(++m_copies) + L" --exit-after 120");
    }

    DWORD m_shell = 0;
    int m_copies = 0;
};

TEST_F(ExplorerRestart, EveryExplorerThatOpensIsEndedWithOneLineEach)
{
    ProcessShield shield(m_shell, kShellQueryOnly);
    ASSERT_TRUE(shield.active());
    UniqueKernelHandle second = StartCopy(L"Explorer.EXE"); // letter case differs from "explorer.exe"
    ASSERT_TRUE(second);
    ::Sleep(300);

    const bool result = drovana::RestartExplorer();
    Lines lines = TakeLogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(result, lines.back() == "found explorer and restart: true"); // the last attempt decides
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (Lines{"found explorer and restart: false", "found explorer and restart: true"}));
    EXPECT_EQ(ExitCodeAfterExit(second.get()), 0u);
    UniqueKernelHandle shell(::OpenProcess(SYNCHRONIZE, FALSE, m_shell));
    EXPECT_EQ(::WaitForSingleObject(shell.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(ExplorerRestart, KillSkipsAProcessItCannotOpen)
{
    UniqueKernelHandle open = StartCopy(L"drovana.exe");
    UniqueKernelHandle guarded = StartCopy(L"drovana.exe");
    ASSERT_TRUE(open && guarded);
    {
        ProcessShield shield(::GetProcessId(guarded.get()), SYNCHRONIZE);
        ASSERT_TRUE(shield.active());
        EXPECT_TRUE(drovana::KillProcessByName(L"drovana.exe"));
        EXPECT_EQ(ExitCodeAfterExit(open.get()), 1u);
        EXPECT_EQ(::WaitForSingleObject(guarded.get(), 300), static_cast<DWORD>(WAIT_TIMEOUT));
    }
    EXPECT_TRUE(drovana::KillProcessByName(L"drovana.exe"));
    EXPECT_EQ(ExitCodeAfterExit(guarded.get()), 1u);
}

TEST_F(ExplorerRestart, NoExplorerToOpenMeansNothingIsStarted)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kFakeSchedulerKey);

    ProcessShield shield(m_shell, 0);
    ASSERT_TRUE(shield.active());
    HANDLE token = reinterpret_cast<HANDLE>(1);
    EXPECT_TRUE(drovana::GetProcessTokenByName(L"explorer.exe", &token));
    EXPECT_EQ(token, nullptr);

    // No way is tried: not the process ways, and no scheduler task either.
    ProcessRun start = Helper(L"start \"" + m_client + L"\" \"\" --fake-scheduler");
    EXPECT_NE(start.output.find("result: 0"), std::string::npos) << start.output;
    EXPECT_EQ(EchoedLogLines(start.output), Lines{"token still zero after GetProcessTokenByName fail"});
    EXPECT_FALSE(FileExists(m_record));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kFakeSchedulerTasksKey));
}

} // namespace
