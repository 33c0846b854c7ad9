// The log is the launcher's only report, and it must never stop the launcher: every failure here is
// silent and the caller's step goes on. The folder is resolved again on each call, nothing is cached.
// The folder is the account's own, which a standard user may control while the launcher runs elevated
// (the installer's account is usually the signed-in user's): no link there is ever followed.
#include "launcher/Log.h"

#include "common/NoThrow.h"
#include "common/UniqueHandle.h"
#include "launcher/UserEnvironment.h"
#include "launcher/UserFolder.h"
#include "launcher/core/LogLine.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>
#include <cstdarg>
#include <cwchar>
#include <memory>
#include <string>

namespace drovana
{

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

// Set while this thread writes a line: what the folder checks report meanwhile reaches the debugger
// only, instead of waiting for the lock this thread holds.
thread_local bool t_writing = false;

class WritingScope
{
public:
    WritingScope() noexcept { t_writing = true; }
    WritingScope(const WritingScope&) = delete;
    WritingScope& operator=(const WritingScope&) = delete;
    ~WritingScope() { t_writing = false; }
};

// Shown in the log instead of a rotation that would have moved the log over a link.
constexpr const char* kArchiveRefused =
    "log not rotated: FileSync.archieve.log is a link, a junction or a folder";

// %APPDATA%\Pellicor, opened folder by folder from the profile down, creating Pellicor when missing.
// The launcher usually runs elevated while the folders are the signed-in user's: see UserFolder.h.
std::unique_ptr<UserFolder> OpenLogFolder()
{
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        return nullptr;
    if (!::PathAppendW(appData, kLogFolderName))
        return nullptr;
    auto folder = std::make_unique<UserFolder>(UserProfileFolder(nullptr), appData, true);
    if (folder->status() != UserPathStatus::Open)
        return nullptr; // a link on the way: the line is lost, as any line the log cannot take
    return folder;
}

LogTime CurrentLogTime()
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return LogTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void AppendLine(HANDLE file, const char* message)
{
    const std::string line = FormatLogLine(CurrentLogTime(), message);
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void WriteLine(const char* message)
{
    if (t_writing)
        return;
    LogLockGuard lock;
    const WritingScope writing;

    const std::unique_ptr<UserFolder> folder = OpenLogFolder();
    if (!folder)
        return;
    const std::wstring logName = std::wstring(kLogStem) + kLogExtension;
    const std::wstring archiveName = std::wstring(kLogStem) + kArchiveExtension;

    // Unshared: while the line is written no other process opens the file; one that tries loses its
    // line. A file with a second name is refused: its data may lie in a file the user could not write.
    UserFile log =
        folder->OpenFile(logName, FILE_APPEND_DATA | DELETE, 0, UserFolder::Create::IfMissing, true);
    if (log.status != UserPathStatus::Open)
        return;
    AppendLine(log.handle.get(), message);

    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(log.handle.get(), &size) ||
        !LogNeedsRotation(static_cast<std::uint64_t>(size.QuadPart)))
        return;
    // The line that reaches the threshold stays in the old file, which becomes the only archive. It is
    // moved through its own handle. A rename replaces a link at the archive's name without following
    // it, but a link there is somebody's doing: it is left alone and said so.
    const bool archiveRefused =
        folder
            ->OpenFile(archiveName, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       UserFolder::Create::No, false)
            .status == UserPathStatus::Refused;
    if (archiveRefused)
        AppendLine(log.handle.get(), kArchiveRefused);
    else
        RenameOpenFile(log.handle.get(), folder->path() + L"\\" + archiveName);
}

void SendToDebugger(const char* message)
{
    ::OutputDebugStringA(message);
    ::OutputDebugStringA("\n");
}
} // namespace

void LogWrite(const char* message)
{
    // Out of memory: the line is lost, the launcher goes on.
    pellicor::NoThrow([message] { WriteLine(message ? message : ""); });
}

void LogFormat(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const std::string message = pellicor::NoThrow([&] { return FormatNarrowMessage(format, args); });
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

    // Cut at a character boundary: a line never ends in half a character.
    const std::string message =
        pellicor::NoThrow([&] { return Utf16ToUtf8Bounded(formatted, kMaxMessageBytes); });
    SendToDebugger(message.c_str());
    LogWrite(message.c_str());
}

} // namespace drovana
