#include "launcher/core/CommandLine.h"
#include "launcher/core/LauncherPaths.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

using Words = std::vector<std::string>;

TEST(SplitCommandLine, OnlyTheSeparatorCutsWords)
{
    EXPECT_EQ(drovana::SplitCommandLine("/Commit S-1-5-21-1-2-3-1001", ' '),
              (Words{"/Commit", "S-1-5-21-1-2-3-1001"}));
    EXPECT_EQ(drovana::SplitCommandLine("/Install a b c", ' '), (Words{"/Install", "a", "b", "c"}));
    // Tabs and other white space belong to the word.
    EXPECT_EQ(drovana::SplitCommandLine("/Commit\tS-1-5", ' '), (Words{"/Commit\tS-1-5"}));
    EXPECT_EQ(drovana::SplitCommandLine("\r\n", ' '), (Words{"\r\n"}));
    // Quotes are ordinary characters: a quoted word holding a space is cut and keeps its quotes.
    EXPECT_EQ(drovana::SplitCommandLine("\"/Commit x\" y", ' '), (Words{"\"/Commit", "x\"", "y"}));
}

TEST(SplitCommandLine, EmptyWordsComeFromAdjacentOrLeadingSeparatorsOnly)
{
    EXPECT_EQ(drovana::SplitCommandLine("", ' '), Words{});
    EXPECT_EQ(drovana::SplitCommandLine(" ", ' '), (Words{""}));
    EXPECT_EQ(drovana::SplitCommandLine("  ", ' '), (Words{"", ""}));
    EXPECT_EQ(drovana::SplitCommandLine(" /Install", ' '), (Words{"", "/Install"}));
    EXPECT_EQ(drovana::SplitCommandLine("/Commit  S-1", ' '), (Words{"/Commit", "", "S-1"}));
    EXPECT_EQ(drovana::SplitCommandLine("/Commit ", ' '), (Words{"/Commit"}));
    EXPECT_EQ(drovana::SplitCommandLine("/Commit   ", ' '), (Words{"/Commit", "", ""}));
    EXPECT_EQ(drovana::SplitCommandLine("a,,b", ','), (Words{"a", "", "b"}));
}

TEST(SplitCommandLine, BytesOutsideAsciiAndZerosPassThrough)
{
    const std::string text("/Commit \xE9\xD6\x00z", 12);
    EXPECT_EQ(drovana::SplitCommandLine(text, ' '), (Words{"/Commit", std::string("\xE9\xD6\x00z", 4)}));
}

TEST(ModeAndArgument, TakesTheFirstTwoWordsOrEmptyStrings)
{
    auto words = drovana::ModeAndArgument("");
    EXPECT_EQ(words.mode, "");
    EXPECT_EQ(words.argument, "");

    words = drovana::ModeAndArgument(" /Install S-1");
    EXPECT_EQ(words.mode, "");
    EXPECT_EQ(words.argument, "/Install");

    words = drovana::ModeAndArgument("/Commit  S-1");
    EXPECT_EQ(words.mode, "/Commit");
    EXPECT_EQ(words.argument, "") << "the SID is the third word";

    words = drovana::ModeAndArgument("/Commit S-1 extra");
    EXPECT_EQ(words.mode, "/Commit");
    EXPECT_EQ(words.argument, "S-1");
}

TEST(LauncherPaths, DirectoryKeepsItsLastBackslash)
{
    EXPECT_EQ(drovana::DirectoryOf(std::wstring_view(L"C:\\Program Files\\Drovana\\DrovanaLauncher_x64.exe")),
              L"C:\\Program Files\\Drovana\\");
    EXPECT_EQ(drovana::DirectoryOf(std::wstring_view(L"launcher.exe")), L"");
    EXPECT_EQ(drovana::DirectoryOf(std::string_view("\\\\srv\\share\\x.exe")), "\\\\srv\\share\\");
    EXPECT_EQ(drovana::ClientPath(L"C:\\Drovana\\"), L"C:\\Drovana\\drovana.exe");
    EXPECT_EQ(drovana::ClientPath(L""), L"drovana.exe");
}

} // namespace
} // namespace pellicor::test
