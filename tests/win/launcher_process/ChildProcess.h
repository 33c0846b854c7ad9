#pragma once
// Running the programs these tests drive (the helper, the launcher, the client stand-in) and reading
// what they leave behind.
#include "common/UniqueHandle.h"
#include "tests/win/support/Processes.h"
#include "tests/win/support/TempFolder.h"
#include "tests/win/support/Utf8.h"

#include <string>
#include <vector>

namespace pellicor::test::process
{

// The "log: " lines that a helper echoed, without the prefix.
std::vector<std::string> EchoedLogLines(const std::string& output);

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

// Waits until a top-level window with this class and title exists; false after timeoutMs.
bool WaitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD timeoutMs = 20000);

} // namespace pellicor::test::process
