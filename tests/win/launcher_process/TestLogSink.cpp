#include "tests/win/launcher_process/TestLogSink.h"

#include "launcher/Log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

namespace
{
std::mutex g_lock;
std::vector<std::string> g_lines;

void Keep(const std::string& line)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_lines.push_back(line);
    std::printf("%s%s\n", pellicor::test::process::kLogEchoPrefix, line.c_str());
    std::fflush(stdout);
}
} // namespace

namespace pellicor::test::process
{

std::vector<std::string> TakeLogLines()
{
    std::lock_guard<std::mutex> hold(g_lock);
    return std::exchange(g_lines, {});
}

} // namespace pellicor::test::process

namespace drovana
{

void LogFormat(const char* format, ...)
{
    char message[1024] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof(message), format, args);
    va_end(args);
    Keep(message);
}

void LogFormatWide(const wchar_t* format, ...)
{
    // The real log's formatter, whose %s takes a UTF-16 string.
    wchar_t message[1024] = {};
    va_list args;
    va_start(args, format);
    _vsnwprintf(message, 1023, format, args);
    va_end(args);
    char utf8[1024] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, message, -1, utf8, sizeof(utf8) - 1, nullptr, nullptr);
    Keep(utf8);
}

void LogWrite(const char* message)
{
    Keep(message ? message : "");
}

} // namespace drovana
