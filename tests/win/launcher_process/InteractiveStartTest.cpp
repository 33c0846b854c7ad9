// Starting the client as the interactive user, one helper process per start: the lowered token and
// the process-wide COM security would otherwise stay with the test program.
#include "tests/win/launcher_process/ChildProcess.h"
#include "tests/win/launcher_process/FakeTaskScheduler.h"
#include "tests/win/support/TestPaths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <taskschd.h>

#include <string>
#include <vector>

namespace
{

using namespace pellicor::test;
using namespace pellicor::test::process;
using Lines = std::vector<std::string>;

class InteractiveStart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_standIn.Copy());
        // Inherited by the helper and by whatever it starts.
        ::SetEnvironmentVariableW(kStandInRecordVariable, m_record.c_str());
        ASSERT_NE(Helper(L"desktop").output.find("result: 1"), std::string::npos);
    }

    void TearDown() override
    {
        ::SetEnvironmentVariableW(kStandInRecordVariable, nullptr);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kFakeSchedulerKey);
    }

    static ProcessRun Helper(const std::wstring& arguments)
    {
        return RunProcess(BinPath(L"launcher_process_helper.exe"),
                          L"launcher_process_helper.exe " + arguments);
    }

    // The command lines the stand-in recorded, after waiting for the first one to arrive.
    std::vector<std::string> RecordedCommandLines()
    {
        for (int i = 0; i < 500 && ReadStandInRecord(m_record).commandLines.empty(); ++i)
            ::Sleep(20);
        return ReadStandInRecord(m_record).commandLines;
    }

    StandInClient m_standIn;
    const TempFolder& m_folder = m_standIn.folder;
    const std::wstring& m_client = m_standIn.path;
    const std::wstring& m_record = m_standIn.record;
};

TEST_F(InteractiveStart, ExplorersTokenStartsTheClientWithItsCommandLineAsGiven)
{
    ProcessRun run = Helper(L"start \"" + m_client + L"\" \" -upgrade\"");
    ASSERT_TRUE(run.started);
    EXPECT_NE(run.output.find("result: 1"), std::string::npos) << run.output;
    EXPECT_EQ(EchoedLogLines(run.output), Lines{"CreateProcessAsUser ok!"});
    EXPECT_EQ(RecordedCommandLines(), Lines{" -upgrade"});
}

TEST_F(InteractiveStart, LoweredOwnTokenStartsTheClient)
{
    ProcessRun run = Helper(L"restricted \"" + m_client + L"\" \" -launchLocalSyncedFolder\"");
    EXPECT_NE(run.output.find("result: 1"), std::string::npos) << run.output;
    EXPECT_EQ(RecordedCommandLines(), Lines{" -launchLocalSyncedFolder"});
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
    EXPECT_EQ(RecordedCommandLines(), Lines{" -upgrade"});
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

std::wstring ReadText(HKEY key, const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD size = sizeof(value);
    if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

DWORD ReadNumber(HKEY key, const wchar_t* subkey, const wchar_t* name)
{
    DWORD value = 0xFFFFFFFF;
    DWORD size = sizeof(value);
    ::RegGetValueW(key, subkey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

TEST_F(InteractiveStart, SchedulerTaskIsRegisteredAndReplacedOnTheNextRun)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kFakeSchedulerKey);
    const std::wstring taskKey = std::wstring(kFakeSchedulerTasksKey) + L"\\Drovana First Start Task";

    ProcessRun first = Helper(L"scheduler \"" + m_client + L"\" \" -upgrade\"");
    EXPECT_NE(first.output.find("result: 1"), std::string::npos) << first.output;
    {
        pellicor::UniqueKey task;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, taskKey.c_str(), 0, KEY_READ, task.put()),
                  ERROR_SUCCESS);
        EXPECT_EQ(ReadText(task.get(), L"Description"),
                  L"Drovana assist task, will run once at install time, no need to disable it");
        EXPECT_EQ(ReadText(task.get(), L"PrincipalId"), L"Drovana-Principal");
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"LogonType"),
                  static_cast<DWORD>(TASK_LOGON_INTERACTIVE_TOKEN));
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"RunLevel"), static_cast<DWORD>(TASK_RUNLEVEL_LUA));
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"StartWhenAvailable"), 1u);
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"TriggerType"),
                  static_cast<DWORD>(TASK_TRIGGER_REGISTRATION));
        EXPECT_EQ(ReadText(task.get(), L"TriggerId"), L"drovana-Trigger");
        EXPECT_EQ(ReadText(task.get(), L"Delay"), L"PT2S");
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"ActionType"), static_cast<DWORD>(TASK_ACTION_EXEC));
        EXPECT_EQ(ReadText(task.get(), L"Path"), m_client);
        EXPECT_EQ(ReadText(task.get(), L"Arguments"), L" -upgrade");
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"WorkingDirectorySet"), 0u);
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"RegisterFlags"),
                  static_cast<DWORD>(TASK_CREATE_OR_UPDATE));
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"RegisterLogonType"),
                  static_cast<DWORD>(TASK_LOGON_INTERACTIVE_TOKEN));
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"UserAndPasswordEmpty"), 1u);
        EXPECT_EQ(ReadNumber(task.get(), nullptr, L"SddlType"), static_cast<DWORD>(VT_BSTR));
        EXPECT_EQ(ReadText(task.get(), L"Sddl"), L"");
    }
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, kFakeSchedulerKey, L"Deletions"),
              0xFFFFFFFFu); // nothing to delete

    // The next run removes the earlier task and registers the new one under the same name.
    const std::wstring other = m_folder.Path(L"other\\drovana.exe");
    ProcessRun second = Helper(L"scheduler \"" + other + L"\" \"\"");
    EXPECT_NE(second.output.find("result: 1"), std::string::npos) << second.output;
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, kFakeSchedulerKey, L"Deletions"), 1u);
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, kFakeSchedulerKey, L"Registrations"), 2u);
    pellicor::UniqueKey task;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, taskKey.c_str(), 0, KEY_READ, task.put()), ERROR_SUCCESS);
    EXPECT_EQ(ReadText(task.get(), L"Path"), other);
    EXPECT_EQ(ReadText(task.get(), L"Arguments"), L"");
}

} // namespace
