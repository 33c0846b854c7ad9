#include "launcher/core/LogLine.h"
#include "tests/host/StrictUtf8.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <random>
#include <string>

namespace pellicor::test
{
namespace
{

std::string Narrow(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string message = drovana::FormatNarrowMessage(format, args);
    va_end(args);
    return message;
}

const std::wstring kGrinning = {wchar_t(0xD83D), wchar_t(0xDE00)}; // U+1F600, 4 bytes in UTF-8
const std::string kGrinningUtf8 = "\xF0\x9F\x98\x80";

TEST(LogLine, DateAndTimeWithoutLeadingZerosAndCrLf)
{
    EXPECT_EQ(drovana::FormatLogLine({2014, 2, 3, 7, 5, 9}, "launcher cmdline: /Install"),
              "2014-2-3, 7:5:9: launcher cmdline: /Install\r\n");
    EXPECT_EQ(drovana::FormatLogLine({2026, 12, 31, 23, 59, 0}, ""), "2026-12-31, 23:59:0: \r\n");
    // A line feed inside the message is written as a text-mode file writes it.
    EXPECT_EQ(drovana::FormatLogLine({2014, 2, 3, 0, 0, 0}, "a\nb"), "2014-2-3, 0:0:0: a\r\nb\r\n");
}

TEST(LogLine, MessageIsCutTo1023Bytes)
{
    const std::string stamp = "2014-2-3, 7:5:9: ";
    const std::string longMessage(5000, 'x');
    EXPECT_EQ(drovana::FormatLogLine({2014, 2, 3, 7, 5, 9}, longMessage),
              stamp + std::string(1023, 'x') + "\r\n");

    EXPECT_EQ(Narrow("launcher cmdline: %s", longMessage.c_str()),
              "launcher cmdline: " + std::string(1023 - 18, 'x'));
    EXPECT_EQ(Narrow("%s", std::string(1023, 'y').c_str()), std::string(1023, 'y'));
    EXPECT_EQ(Narrow("%s", std::string(1024, 'y').c_str()), std::string(1023, 'y'));
    EXPECT_EQ(Narrow("GetProcessTokenByName fail: %d", 5), "GetProcessTokenByName fail: 5");
    // Narrow messages are bytes in the ANSI code page: they are cut by bytes and never re-encoded.
    EXPECT_EQ(Narrow("%s", "\xD6\xD0\xCE\xC4"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(Narrow(nullptr), "");
}

TEST(Utf16ToUtf8Bounded, ConvertsEveryCharacterWidth)
{
    const std::wstring text = L"a\u00E9\u4E2D" + kGrinning;
    EXPECT_EQ(drovana::Utf16ToUtf8Bounded(text, 1023), "a\xC3\xA9\xE4\xB8\xAD" + kGrinningUtf8);
    EXPECT_EQ(drovana::Utf16ToUtf8Bounded(L"", 1023), "");
}

TEST(Utf16ToUtf8Bounded, CutsBeforeTheFirstCharacterThatDoesNotFit)
{
    // 1022 ASCII bytes leave one byte: a 3-byte character is left out whole.
    std::wstring text(1022, L'a');
    EXPECT_EQ(drovana::Utf16ToUtf8Bounded(text + L"\u4E2D", 1023), std::string(1022, 'a'));

    // A surrogate pair is one 4-byte character: it fits exactly, or not at all.
    text.assign(1019, L'a');
    EXPECT_EQ(drovana::Utf16ToUtf8Bounded(text + kGrinning, 1023), std::string(1019, 'a') + kGrinningUtf8);
    text.assign(1020, L'a');
    EXPECT_EQ(drovana::Utf16ToUtf8Bounded(text + kGrinning + L"b", 1023), std::string(1020, 'a'));

    // Chinese text as the formatter leaves it: 1023 units are far more than 1023 bytes.
    const std::wstring chinese(1023, L'\u5353');
    const std::string cut = drovana::Utf16ToUtf8Bounded(chinese, 1023);
    EXPECT_EQ(cut.size(), 1023u);
    EXPECT_TRUE(IsStrictUtf8(cut));
    const std::string cut2 = drovana::Utf16ToUtf8Bounded(L"x" + chinese, 1023);
    EXPECT_EQ(cut2.size(), 1021u);
    EXPECT_TRUE(IsStrictUtf8(cut2));
}

TEST(Utf16ToUtf8Bounded, UnpairedSurrogatesBecomeReplacementCharacters)
{
    EXPECT_EQ(drovana::Utf16ToUtf8Bounded(std::wstring{wchar_t(0xDE00), L'a'}, 100), "\xEF\xBF\xBD"
                                                                                     "a");
    EXPECT_EQ(drovana::Utf16ToUtf8Bounded(std::wstring{wchar_t(0xD83D), L'a'}, 100), "\xEF\xBF\xBD"
                                                                                     "a");
    EXPECT_EQ(
        drovana::Utf16ToUtf8Bounded(std::wstring{wchar_t(0xD83D), wchar_t(0xD83D), wchar_t(0xDE00)}, 100),
        "\xEF\xBF\xBD" + kGrinningUtf8);
    // The formatter cut a pair in half: the dangling first half is dropped, not replaced.
    EXPECT_EQ(drovana::Utf16ToUtf8Bounded(std::wstring{L'a', wchar_t(0xD83D)}, 100), "a");
}

TEST(Utf16ToUtf8Bounded, AnyInputGivesAWholePrefixWithinTheLimit)
{
    std::mt19937 random(20140203);
    // Every UTF-8 width and its edges, and surrogates of both halves.
    const std::wstring pool = L"a~\x7F\x80\x7FF\x800\x4E2D\xFFFF\xD800\xDBFF\xDC00\xDFFF";
    for (int round = 0; round < 2000; ++round)
    {
        std::wstring text(random() % 40, L'\0');
        for (auto& unit : text)
            unit = pool[random() % pool.size()];
        const std::string whole = drovana::Utf16ToUtf8Bounded(text, 1000);
        const std::size_t limit = random() % 60;
        const std::string cut = drovana::Utf16ToUtf8Bounded(text, limit);
        ASSERT_LE(cut.size(), limit);
        ASSERT_TRUE(IsStrictUtf8(whole));
        ASSERT_EQ(whole.compare(0, cut.size(), cut), 0) << "the cut text is a prefix of the whole";
        // Nothing that would still fit was left out: the next character is at most 4 bytes.
        if (cut.size() < whole.size())
        {
            ASSERT_GT(cut.size() + 4, limit);
        }
    }
}

TEST(LogLine, RotationStartsAtTenMebibytes)
{
    EXPECT_FALSE(drovana::LogNeedsRotation(10485759));
    EXPECT_TRUE(drovana::LogNeedsRotation(10485760));
    EXPECT_TRUE(drovana::LogNeedsRotation(10485761));
}

} // namespace
} // namespace pellicor::test
