#pragma once
// Running the programs these tests drive (the helper, the launcher, the client stand-in) and reading
// what they leave behind.
#include "common/UniqueHandle.h"

#include <string>
#include <vector>

namespace pellicor::test::process
{

struct ChildResult
{
    bool started = false;
    DWORD exitCode = 0;
    std::string output; // stdout and stderr
};

// Runs application with the whole commandLine, waits at most timeoutMs and collects its output.
ChildResult RunChild(const std::wstring& application, const std::wstring& commandLine,
                     DWORD timeoutMs = 60000);

// Starts application with commandLine and returns its process handle (null on failure).
UniqueKernelHandle StartChild(const std::wstring& application, const std::wstring& commandLine);

// The "log: " lines that a helper echoed, without the prefix.
std::vector<std::string> EchoedLogLines(const std::string& output);

// A folder of its own under %TEMP%, removed with its files at the end of the scope.
class TempFolder
{
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::wstring& path() const { return m_path; } // with a trailing backslash

private:
    std::wstring m_path;
};

// Whether a process with this image name (case-insensitive) runs.
bool ProcessRuns(const wchar_t* imageName);

std::string ReadTextFile(const std::wstring& path);

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
bool FileExists(const std::wstring& path);
std::string Utf8(const std::wstring& text);

} // namespace pellicor::test::process
