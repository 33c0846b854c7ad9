// Starting the client as the interactive user, one helper process per start: the process-wide COM
// security would otherwise stay with the test program. Every way that creates a process shows the
// helper what it is given (see LauncherProcessHelper.cpp).
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

// The helper's line that starts with prefix, without it; empty when there is none.
std::string LineAfter(const std::string& output, const std::string& prefix)
{
    const std::size_t at = output.find(prefix);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + prefix.size();
    return output.substr(start, output.find_first_of("\r\n", start) - start);
}

// The client is a stand-in that records its command line beside itself: the user's environment, which
// every way passes, does not carry the record variable of the other stand-in. The helper's own
// environment carries PELLICOR_LAUNCHER_ONLY, which the user's does not.
class InteractiveStart : public StandInClientTest
{
protected:
    void SetUp() override
    {
        StandInClientTest::SetUp();
        ASSERT_NE(EnsureDesktopShell(), 0u); // the shell whose token starts the client
        ASSERT_TRUE(::CopyFileW(BinPath(L"LauncherClientStub.exe").c_str(), m_stub.c_str(), FALSE));
        ::SetEnvironmentVariableW(L"PELLICOR_LAUNCHER_ONLY", L"1");
    }
    void TearDown() override
    {
        ::SetEnvironmentVariableW(L"PELLICOR_LAUNCHER_ONLY", nullptr);
        StandInClientTest::TearDown();
    }

    ProcessRun Start(const std::wstring& options)
    {
        return Helper(L"start \"" + m_stub + L"\" \" -upgrade\" " + options);
    }

    // The command line the stub recorded, once it has come or after a while.
    std::wstring WaitForStub() const
    {
        std::string record;
        for (int i = 0; i < 500 && record.empty(); ++i, ::Sleep(20))
            record = ReadFileBytes(m_folder.Path(L"stub\\client-command-line.txt")).value_or(std::string());
        return std::wstring(reinterpret_cast<const wchar_t*>(record.data()), record.size() / sizeof(wchar_t));
    }

    // What the way was given: the token (from "explorer token: " when it must be Explorer's) and the
    // user's environment.
    static void ExpectSeam(const ProcessRun& run, int way, const std::string& token,
                           const std::string& desktop)
    {
        EXPECT_EQ(LineAfter(run.output, "seam way" + std::to_string(way) + ": "),
                  "token " + token + ", unicode 1, profile 1, launcher-only 0, desktop " + desktop)
            << run.output;
    }

    const std::wstring m_stub = m_folder.Folder(L"stub") + L"\\drovana.exe";
};

TEST_F(InteractiveStart, ExplorersTokenStartsTheClientWithTheUsersEnvironment)
{
    ProcessRun run = Start(L"");
    ASSERT_TRUE(run.started);
    EXPECT_NE(run.output.find("result: 1"), std::string::npos) << run.output;
    EXPECT_EQ(EchoedLogLines(run.output), Lines{"CreateProcessAsUser ok!"});
    ExpectSeam(run, 1, LineAfter(run.output, "explorer token: "), "winsta0\\default");
    EXPECT_EQ(WaitForStub(), L" -upgrade");
}

// Way 1 always succeeds under Wine; the helper refuses it as Windows does for an elevated installer
// without the privilege.
TEST_F(InteractiveStart, UserTokenWayGetsExplorersTokenAndTheUsersEnvironment)
{
    ProcessRun run = Start(L"--refuse-way1");
    EXPECT_NE(run.output.find("result: 1"), std::string::npos) << run.output;
    EXPECT_EQ(EchoedLogLines(run.output),
              (Lines{"CreateProcessAsUser false! Error code: 1314.", "CreateProcessWithToken ok!"}));
    ExpectSeam(run, 2, LineAfter(run.output, "explorer token: "), "winsta0\\default");
    EXPECT_EQ(WaitForStub(), L" -upgrade");
}

// Wine's programs run with an elevated token (user account control off, High integrity everywhere)
// that has a filtered twin, as an elevated installer's has.
TEST_F(InteractiveStart, FilteredTokenWayNeverHandsOnTheLaunchersOwnToken)
{
    ProcessRun run = Start(L"--refuse-way1 --refuse-way2");
    EXPECT_NE(run.output.find("result: 1"), std::string::npos) << run.output;
    EXPECT_EQ(EchoedLogLines(run.output), (Lines{"CreateProcessAsUser false! Error code: 1314.",
                                                 "CreateProcessWithToken false! Error code: 5."}));
    const std::string own = LineAfter(run.output, "own token before: ");
    ASSERT_NE(own.find(" elevation 2 elevated 1 "), std::string::npos) << own; // Full
    // The launcher's own token is not changed, relabelled or otherwise.
    EXPECT_EQ(LineAfter(run.output, "own token after: "), own);
    // The way gets a token of the same user, filtered: limited, not elevated, not the own one.
    const std::string given = LineAfter(run.output, "seam way3: token ");
    EXPECT_NE(given.substr(0, 16), own.substr(0, 16)) << given;
    const std::string user = own.substr(own.find(" S-") + 1, own.find(" elevation") - own.find(" S-") - 1);
    EXPECT_NE(given.find(" " + user + " elevation 3 elevated 0 "), std::string::npos)
        << given << " / " << own;
    EXPECT_NE(given.find("unicode 1, profile 1, launcher-only 0, desktop (none)"), std::string::npos)
        << given;
    EXPECT_EQ(WaitForStub(), L" -upgrade");

    // Refused too: its line is logged and the scheduler follows.
    ProcessRun refused = Start(L"--refuse-way1 --refuse-way2 --refuse-way3 --fake-scheduler");
    EXPECT_NE(refused.output.find("result: 1"), std::string::npos) << refused.output;
    EXPECT_EQ(EchoedLogLines(refused.output), (Lines{"CreateProcessAsUser false! Error code: 1314.",
                                                     "CreateProcessWithToken false! Error code: 5.",
                                                     "CreateRestrictedProcess false! Error code: 5."}));
}

TEST_F(InteractiveStart, EachFailedWayIsLoggedAndTheNextTried)
{
    // A program that does not exist fails every process way with "file not found"; the fake scheduler
    // then registers the task, and nothing more is logged.
    const std::wstring missing = m_folder.Path(L"missing.exe");
    ProcessRun withTask = Helper(L"start \"" + missing + L"\" \" -upgrade\" --fake-scheduler");
    EXPECT_NE(withTask.output.find("result: 1"), std::string::npos) << withTask.output;
    EXPECT_EQ(EchoedLogLines(withTask.output), (Lines{"CreateProcessAsUser false! Error code: 2.",
                                                      "CreateProcessWithToken false! Error code: 2.",
                                                      "CreateRestrictedProcess false! Error code: 2."}));

    // Wine's own scheduler cannot create the task, so all the ways fail.
    ProcessRun withoutTask = Helper(L"start \"" + missing + L"\" \" -upgrade\"");
    EXPECT_NE(withoutTask.output.find("result: 0"), std::string::npos) << withoutTask.output;
    const Lines lines = EchoedLogLines(withoutTask.output);
    ASSERT_EQ(lines.size(), 4u) << withoutTask.output;
    EXPECT_EQ(lines[2], "CreateRestrictedProcess false! Error code: 2.");
    EXPECT_EQ(lines[3].rfind("CreateProcessUseSchedulerTask false! Error code: ", 0), 0u) << lines[3];
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
