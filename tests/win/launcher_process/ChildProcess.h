#pragma once
// Running the programs these tests drive (the helper, the launcher, the client stand-in) and reading
// what they leave behind.
#include "common/UniqueHandle.h"
#include "tests/win/launcher_process/FakeTaskScheduler.h"
#include "tests/win/support/Processes.h"
#include "tests/win/support/TempFolder.h"
#include "common/TextConversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellicor::test::process
{

// Runs launcher_process_helper.exe with these arguments (see LauncherProcessHelper.cpp).
ProcessRun Helper(const std::wstring& arguments);
// The "log: " lines that a helper echoed, without the prefix.
std::vector<std::string> EchoedLogLines(const std::string& output);

// The exit code of a process that must end within timeoutMs; STILL_ACTIVE if it does not.
DWORD ExitCodeAfterExit(HANDLE process, DWORD timeoutMs = 20000);

// The client stand-in copied as drovana.exe into a folder of its own, and the file it records into.
struct StandInClient
{
    bool Copy() const; // copies the stand-in; false when that failed

    TempFolder folder;
    std::wstring path = folder.Path(L"drovana.exe");
    std::wstring record = folder.Path(L"record.txt");
};

// What the client stand-in wrote to its record file: the command line it received and one line per
// WM_CLOSE that its main window handled.
struct StandInRecord
{
    std::vector<std::string> commandLines;
    int closeMessages = 0;
};
StandInRecord ReadStandInRecord(const std::wstring& path);
constexpr const wchar_t* kStandInRecordVariable = L"PELLICOR_STANDIN_RECORD";
// The command lines recorded, once the first has come or after a while.
std::vector<std::string> WaitForCommandLines(const std::wstring& record);

// A test with the stand-in client in place, recording wherever it is started from: the variable is
// inherited by the helper and by whatever it starts. The fake scheduler's records go at the end.
class StandInClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_standIn.Copy());
        ::SetEnvironmentVariableW(kStandInRecordVariable, m_record.c_str());
    }
    void TearDown() override
    {
        ::SetEnvironmentVariableW(kStandInRecordVariable, nullptr);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kFakeSchedulerKey);
    }

    StandInClient m_standIn;
    const TempFolder& m_folder = m_standIn.folder;
    const std::wstring& m_client = m_standIn.path;
    const std::wstring& m_record = m_standIn.record;
};

} // namespace pellicor::test::process
