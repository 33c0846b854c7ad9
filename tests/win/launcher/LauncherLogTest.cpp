// The launcher's log as support staff find it: dated lines in %APPDATA%\Pellicor\FileSync.log, CR LF
// line ends, messages cut to 1023 bytes, and one archive generation once the log reaches 10 MiB.
#include "tests/win/launcher/LauncherHarness.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstdio>

namespace pellicor::test::launcher
{
namespace
{

constexpr std::size_t kRotationBytes = 10485760;

using LauncherLog = LauncherTest;

ULONGLONG Seconds(const SYSTEMTIME& time)
{
    FILETIME file = {};
    ::SystemTimeToFileTime(&time, &file);
    return ((ULONGLONG(file.dwHighDateTime) << 32) | file.dwLowDateTime) / 10000000ULL;
}

TEST_F(LauncherLog, OneDatedLineInLocalTimePerMessage)
{
    // The folder is made by the first message when it is missing (only when nobody else keeps files there).
    const bool folderRemoved = ::RemoveDirectoryW(LogFolder().c_str()) != FALSE;

    SYSTEMTIME before = {};
    ::GetLocalTime(&before);
    EXPECT_EQ(folder.Run(L"/Bogus"), 0u);
    SYSTEMTIME after = {};
    ::GetLocalTime(&after);

    if (folderRemoved)
    {
        EXPECT_TRUE(::PathIsDirectoryW(LogFolder().c_str()));
    }
    EXPECT_FALSE(::PathIsDirectoryW((LogFolder() + L"\\FileSync").c_str())) << "FileSync is a file-name stem";

    // The shape, without leading zeros, is checked by LogMessages.
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"launcher cmdline: /Bogus"});
    SYSTEMTIME written = {};
    ASSERT_EQ(std::sscanf(ReadFileBytes(LogFile()).value_or("").c_str(),
                          "%hu-%hu-%hu, %hu:%hu:%hu: ", &written.wYear, &written.wMonth, &written.wDay,
                          &written.wHour, &written.wMinute, &written.wSecond),
              6);
    EXPECT_LE(Seconds(before), Seconds(written)) << "the stamp is local time taken during the run";
    EXPECT_LE(Seconds(written), Seconds(after));

    // Later messages are appended, each on a line of its own.
    EXPECT_EQ(folder.Run(L"/Bogus again"), 0u);
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{"launcher cmdline: /Bogus", "launcher cmdline: /Bogus again"}));
}

TEST_F(LauncherLog, LongMessagesAreCutTo1023Bytes)
{
    const std::wstring arguments = L"/Bogus " + std::wstring(5000, L'x');
    EXPECT_EQ(folder.Run(arguments), 0u);
    const auto messages = LogMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], ("launcher cmdline: " + ToUtf8(arguments)).substr(0, 1023));
}

TEST_F(LauncherLog, WideMessagesAreUtf8CutAtACharacterBoundary)
{
    // é is one byte in the ANSI code page and two in UTF-8: the same word is logged both ways.
    char ansi[4] = {};
    BOOL lossy = FALSE;
    if (::WideCharToMultiByte(CP_ACP, 0, L"\u00E9", 1, ansi, sizeof(ansi), nullptr, &lossy) != 1 || lossy)
        GTEST_SKIP() << "the ANSI code page has no single-byte é";

    const std::wstring sid = L"S" + std::wstring(600, L'\u00E9');
    EXPECT_EQ(folder.Run(L"/CreateVirtualDisk " + sid), 0u);
    const auto messages = LogMessages();
    ASSERT_EQ(messages.size(), 2u);

    const std::string commandLine = "launcher cmdline: /CreateVirtualDisk S" + std::string(600, ansi[0]);
    EXPECT_EQ(messages[0], commandLine.substr(0, 1023))
        << "narrow text is written byte for byte, cut by bytes";

    // 30 bytes of "RegOpenKeyEx open HKEY_USERS\S" leave room for 496 whole two-byte characters.
    std::string expected = "RegOpenKeyEx open HKEY_USERS\\S";
    for (int i = 0; i < 496; ++i)
        expected += "\xC3\xA9";
    EXPECT_EQ(messages[1].size(), 1022u);
    EXPECT_EQ(messages[1], expected);
}

TEST_F(LauncherLog, TheLineThatReachesTenMebibytesGoesToTheArchive)
{
    ::CreateDirectoryW(LogFolder().c_str(), nullptr);
    WriteFileBytes(ArchiveFile(), "an older archive\r\n");

    // Below the threshold after the write: the line is appended and nothing moves.
    std::string content = "first line of the old log\r\n";
    content.resize(kRotationBytes - 200, '.');
    WriteFileBytes(LogFile(), content);
    EXPECT_EQ(folder.Run(L"/Bogus one"), 0u);
    auto log = ReadFileBytes(LogFile());
    ASSERT_TRUE(log);
    ASSERT_GT(log->size(), content.size());
    EXPECT_EQ(log->substr(0, content.size()), content);
    EXPECT_EQ(ReadFileBytes(ArchiveFile()), "an older archive\r\n");

    // This line brings the file to the threshold: it stays in the old file, which replaces the archive.
    content = *log;
    content.resize(kRotationBytes - 10, '.');
    WriteFileBytes(LogFile(), content);
    EXPECT_EQ(folder.Run(L"/Bogus two"), 0u);
    const auto archive = ReadFileBytes(ArchiveFile());
    ASSERT_TRUE(archive);
    ASSERT_GE(archive->size(), kRotationBytes);
    EXPECT_EQ(archive->substr(0, content.size()), content);
    EXPECT_NE(archive->find("launcher cmdline: /Bogus two\r\n", content.size()), std::string::npos);
    EXPECT_FALSE(ReadFileBytes(LogFile())) << "the next line starts a new log";

    EXPECT_EQ(folder.Run(L"/Bogus three"), 0u);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"launcher cmdline: /Bogus three"});
    EXPECT_EQ(ReadFileBytes(ArchiveFile())->size(), archive->size());
}

} // namespace
} // namespace pellicor::test::launcher
