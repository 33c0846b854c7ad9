// Starting the client as the interactive user, one helper process per start: the lowered token and
// the process-wide COM security would otherwise stay with the test program.
#include "tests/win/launcher_process/ChildProcess.h"
#include "tests/win/launcher_process/FakeTaskScheduler.h"
#include "tests/win/support/DesktopShell.h"
#include "tests/win/support/RegistryScope.h"
#include "tests/win/support/TestPaths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <taskschd.h>

#include <string>
#include <utility>
#include <vector>

namespace
{

using namespace pellicor::test;
using namespace pellicor::test::process;
using Lines = std::vector<std::string>;

class InteractiveStart : public StandInClientTest
{
protected:
    void SetUp() override
    {
        StandInClientTest::SetUp();
        ASSERT_NE(EnsureDesktopShell(), 0u); // the shell whose token starts the client
    }
};

TEST_F(InteractiveStart, ExplorersTokenStartsTheClientWithItsCommandLineAsGiven)
{
    ProcessRun run = Helper(L"start \"" + m_client + L"\" \" -upgrade\"");
    ASSERT_TRUE(run.started);
    EXPECT_NE(run.output.find("result: 1"), std::string::npos) << run.output;
    EXPECT_EQ(EchoedLogLines(run.output), Lines{"CreateProcessAsUser ok!"});
    EXPECT_EQ(WaitForCommandLines(m_record), Lines{" -upgrade"});
}

TEST_F(InteractiveStart, LoweredOwnTokenStartsTheClient)
{
    ProcessRun run = Helper(L"restricted \"" + m_client + L"\" \" -launchLocalSyncedFolder\"");
    EXPECT_NE(run.output.find("result: 1"), std::string::npos) << run.output;
    EXPECT_EQ(WaitForCommandLines(m_record), Lines{" -launchLocalSyncedFolder"});
}

// Way 1 always succeeds under Wine; the helper refuses it as Windows does for an elevated installer
// without the privilege, and records what the way with Explorer's token is given.
TEST_F(InteractiveStart, UserTokenWayGetsExplorersTokenAndTheUsersOwnEnvironment)
{
    // A stand-in that records its command line beside itself: the user's environment does not carry
    // the record variable of the other stand-in.
    const std::wstring stub = m_folder.Folder(L"stub") + L"\\drovana.exe";
    ASSERT_TRUE(::CopyFileW(BinPath(L"LauncherClientStub.exe").c_str(), stub.c_str(), FALSE));
    ::SetEnvironmentVariableW(L"PELLICOR_LAUNCHER_ONLY", L"1");
    ProcessRun run = Helper(L"user-token \"" + stub + L"\" \" -upgrade\"");
    ::SetEnvironmentVariableW(L"PELLICOR_LAUNCHER_ONLY", nullptr);

    EXPECT_NE(run.output.find("result: 1"), std::string::npos) << run.output;
    EXPECT_EQ(EchoedLogLines(run.output),
              (Lines{"CreateProcessAsUser false! Error code: 1314.", "CreateProcessWithToken ok!"}));
    const std::size_t explorer = run.output.find("explorer token: ");
    ASSERT_NE(explorer, std::string::npos) << run.output;
    const std::string tokenId = run.output.substr(explorer + 16, 16);
    EXPECT_NE(run.output.find("seam: token " + tokenId +
                              ", unicode 1, profile 1, launcher-only 0, desktop "
                              "winsta0\\default"),
              std::string::npos)
        << run.output;
    std::string record;
    for (int i = 0; i < 500 && record.empty(); ++i, ::Sleep(20))
        record = ReadFileBytes(m_folder.Path(L"stub\\client-command-line.txt")).value_or(std::string());
    EXPECT_EQ(record, std::string(reinterpret_cast<const char*>(L" -upgrade"), 9 * sizeof(wchar_t)));

    // Refused too: its error code is logged and the lowered own token starts the client.
    ProcessRun refused = Helper(L"user-token \"" + m_client + L"\" \" -upgrade\" --refuse");
    EXPECT_NE(refused.output.find("result: 1"), std::string::npos) << refused.output;
    EXPECT_EQ(EchoedLogLines(refused.output), (Lines{"CreateProcessAsUser false! Error code: 1314.",
                                                     "CreateProcessWithToken false! Error code: 5."}));
    EXPECT_EQ(WaitForCommandLines(m_record), Lines{" -upgrade"});
}

TEST_F(InteractiveStart, EachFailedWayIsLoggedAndTheNextTried)
{
    // A program that does not exist fails both process ways with "file not found"; the fake scheduler
    // then registers the task, and nothing more is logged.
    const std::wstring missing = m_folder.Path(L"missing.exe");
    ProcessRun withTask = Helper(L"start \"" + missing + L"\" \" -upgrade\" --fake-scheduler");
    EXPECT_NE(withTask.output.find("result: 1"), std::string::npos) << withTask.output;
    EXPECT_EQ(EchoedLogLines(withTask.output), (Lines{"CreateProcessAsUser false! Error code: 2.",
                                                      "CreateProcessWithToken false! Error code: 2.",
                                                      "CreateRestrictedProcess false! Error code: 2."}));

    // Wine's own scheduler cannot create the task, so all three ways fail.
    ProcessRun withoutTask = Helper(L"start \"" + missing + L"\" \" -upgrade\"");
    EXPECT_NE(withoutTask.output.find("result: 0"), std::string::npos) << withoutTask.output;
    const Lines lines = EchoedLogLines(withoutTask.output);
    ASSERT_EQ(lines.size(), 4u) << withoutTask.output;
    EXPECT_EQ(lines[0], "CreateProcessAsUser false! Error code: 2.");
    EXPECT_EQ(lines[1], "CreateProcessWithToken false! Error code: 2.");
    EXPECT_EQ(lines[2], "CreateRestrictedProcess false! Error code: 2.");
    EXPECT_EQ(lines[3].rfind("CreateProcessUseSchedulerTask false! Error code: ", 0), 0u) << lines[3];
    EXPECT_TRUE(ReadStandInRecord(m_record).commandLines.empty());
}

TEST_F(InteractiveStart, SchedulerTaskIsRegisteredAndReplacedOnTheNextRun)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kFakeSchedulerKey);
    const std::wstring taskKey = std::wstring(kFakeSchedulerTasksKey) + L"\\Drovana First Start Task";

    ProcessRun first = Helper(L"scheduler \"" + m_client + L"\" \" -upgrade\"");
    EXPECT_NE(first.output.find("result: 1"), std::string::npos) << first.output;
    ASSERT_TRUE(RegKeyExists(HKEY_CURRENT_USER, taskKey));
    const std::pair<const wchar_t*, std::wstring> texts[] = {
        {L"Description", L"Drovana assist task, will run once at install time, no need to disable it"},
        {L"PrincipalId", L"Drovana-Principal"},
        {L"TriggerId", L"drovana-Trigger"},
        {L"Delay", L"PT2S"},
        {L"Path", m_client},
        {L"Arguments", L" -upgrade"},
        {L"Sddl", L""},
    };
    for (const auto& [name, text] : texts)
        EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, taskKey, name), text) << pellicor::ToUtf8(name);
    const std::pair<const wchar_t*, DWORD> numbers[] = {
        {L"LogonType", TASK_LOGON_INTERACTIVE_TOKEN},
        {L"RunLevel", TASK_RUNLEVEL_LUA},
        {L"StartWhenAvailable", 1},
        {L"TriggerType", TASK_TRIGGER_REGISTRATION},
        {L"ActionType", TASK_ACTION_EXEC},
        {L"WorkingDirectorySet", 0},
        {L"RegisterFlags", TASK_CREATE_OR_UPDATE},
        {L"RegisterLogonType", TASK_LOGON_INTERACTIVE_TOKEN},
        {L"UserAndPasswordEmpty", 1},
        {L"SddlType", VT_BSTR},
    };
    for (const auto& [name, number] : numbers)
        EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, taskKey, name), number) << pellicor::ToUtf8(name);
    EXPECT_FALSE(ReadRegNumber(HKEY_CURRENT_USER, kFakeSchedulerKey, L"Deletions")) << "nothing to delete";

    // The next run removes the earlier task and registers the new one under the same name.
    const std::wstring other = m_folder.Path(L"other\\drovana.exe");
    ProcessRun second = Helper(L"scheduler \"" + other + L"\" \"\"");
    EXPECT_NE(second.output.find("result: 1"), std::string::npos) << second.output;
    EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, kFakeSchedulerKey, L"Deletions"), 1u);
    EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, kFakeSchedulerKey, L"Registrations"), 2u);
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, taskKey, L"Path"), other);
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, taskKey, L"Arguments"), L"");
}

} // namespace
