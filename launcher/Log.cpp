// The log is the launcher's only report, and it must never stop the launcher: every failure here is
// silent and the caller's step goes on. The folder is resolved again on each call, nothing is cached.
#include "launcher/Log.h"

#include "common/UniqueHandle.h"
#include "launcher/core/LogLine.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>
#include <cstdarg>
#include <cwchar>
#include <string>

namespace drovana
{

using pellicor::UniqueFile;

namespace
{
constexpr const wchar_t* kLogFolderName = L"Pellicor";
constexpr const wchar_t* kLogStem = L"FileSync"; // a file-name stem, not a folder
constexpr const wchar_t* kLogExtension = L".log";
constexpr const wchar_t* kArchiveExtension = L".archieve.log";

// One flag for the whole process: lines stay whole and ordered, and no line slips in between the
// size check and the move to the archive.
std::atomic<int> g_logLock{0};

class LogLockGuard
{
public:
    LogLockGuard() noexcept
    {
        int expected = 0;
        while (!g_logLock.compare_exchange_weak(expected, 1, std::memory_order_acquire))
        {
            expected = 0;
            ::Sleep(0);
        }
    }
    LogLockGuard(const LogLockGuard&) = delete;
    LogLockGuard& operator=(const LogLockGuard&) = delete;
    ~LogLockGuard() { g_logLock.store(0, std::memory_order_release); }
};

struct LogFiles
{
    std::wstring log;
    std::wstring archive;
};

// %APPDATA%\Pellicor\FileSync.log and its archive, creating the folder when it is missing.
bool ResolveLogFiles(LogFiles& files)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        return false;
    if (!::PathAppendW(path, kLogFolderName))
        return false;
    if (!::PathIsDirectoryW(path))
        ::CreateDirectoryW(path, nullptr);
    if (!::PathAppendW(path, kLogStem))
        return false;
    files.log = std::wstring(path) + kLogExtension;
    files.archive = std::wstring(path) + kArchiveExtension;
    return true;
}

LogTime CurrentLogTime()
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return LogTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void WriteLine(const LogFiles& files, const char* message)
{
    LogLockGuard lock;

    // Unshared: while the line is written no other process opens the file; one that tries loses its line.
    UniqueFile file(::CreateFileW(files.log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;

    const std::string line = FormatLogLine(CurrentLogTime(), message);
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);

    LARGE_INTEGER size = {};
    const bool sized = ::GetFileSizeEx(file.get(), &size) != FALSE;
    file.reset();

    // The line that reaches the threshold stays in the old file, which becomes the only archive.
    if (sized && LogNeedsRotation(static_cast<std::uint64_t>(size.QuadPart)))
        ::MoveFileExW(files.log.c_str(), files.archive.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void SendToDebugger(const char* message)
{
    ::OutputDebugStringA(message);
    ::OutputDebugStringA("\n");
}
} // namespace

void LogWrite(const char* message)
{
    try
    {
        LogFiles files;
        if (ResolveLogFiles(files))
            WriteLine(files, message ? message : "");
    }
    catch (...)
    {
        // Out of memory: the line is lost, the launcher goes on.
    }
}

void LogFormat(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::string message;
    try
    {
        message = FormatNarrowMessage(format, args);
    }
    catch (...)
    {
    }
    va_end(args);
    SendToDebugger(message.c_str());
    LogWrite(message.c_str());
}

void LogFormatWide(const wchar_t* format, ...)
{
    wchar_t formatted[kWideMessageUnits] = {};
    if (format)
    {
        std::va_list args;
        va_start(args, format);
        // The C runtime's own wide formatter: %s takes a UTF-16 string. A cut result is terminated here.
        _vsnwprintf(formatted, kWideMessageUnits - 1, format, args);
        va_end(args);
        formatted[kWideMessageUnits - 1] = L'\0';
    }

    std::string message;
    try
    {
        // Cut at a character boundary: a line never ends in half a character.
        message = Utf16ToUtf8Bounded(formatted, kMaxMessageBytes);
    }
    catch (...)
    {
    }
    SendToDebugger(message.c_str());
    LogWrite(message.c_str());
}

} // namespace drovana
