// The stand-in's rules decide what engineers and tests see from the "client"; a wrong match here
// would make overlay tests pass or fail for the wrong reason.
#include "shellext/channel/PeerCodec.h"
#include "shellext/channel/WireCodec.h"
#include "tools/standin/ClientRules.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

using standin::ClientRules;
using standin::Response;

ClientRules Parsed(const wchar_t* text)
{
    ClientRules rules;
    std::wstring error;
    EXPECT_TRUE(rules.Parse(text, error)) << testing::PrintToString(error);
    return rules;
}

TEST(ClientRules, LongestPrefixWinsOnWholeComponentsIgnoringAsciiCase)
{
    const ClientRules rules = Parsed(L"# sample\n"
                                     L"state Synced C:\\Sync\\\n"
                                     L"state Syncing C:\\Sync\\Docs\\Draft  \r\n"
                                     L"\n"
                                     L"state Invalid C:\\Sync\\My Files\n");
    EXPECT_EQ(rules.StateFor(L"C:\\Sync"), L"Synced");
    EXPECT_EQ(rules.StateFor(L"c:\\sync\\docs\\x.txt"), L"Synced");
    EXPECT_EQ(rules.StateFor(L"C:\\Sync\\Docs\\Draft\\a.txt"), L"Syncing");
    EXPECT_EQ(rules.StateFor(L"C:\\SYNC\\DOCS\\DRAFT"), L"Syncing");
    EXPECT_EQ(rules.StateFor(L"C:\\Sync\\Docs\\Drafts"), L"Synced"); // not under ...\Draft
    EXPECT_EQ(rules.StateFor(L"C:\\Sync\\My Files\\b"), L"Invalid");
    EXPECT_EQ(rules.StateFor(L"C:\\Syncer\\a"), L"None");
    EXPECT_EQ(rules.StateFor(L""), L"None");

    EXPECT_EQ(Parsed(L"state Synced *\nstate Syncing C:\\x").StateFor(L"D:\\y"), L"Synced");
}

TEST(ClientRules, AnswersPathStateMenuItemsAndOtherCommands)
{
    const ClientRules rules = Parsed(L"state Synced C:\\S\nmenu 0 Drovana\nmenu 2 Share link\n");
    EXPECT_EQ(rules.Answer({L"PathState", {L"C:\\S\\f"}}).Encode(), EncodeReply({L"ok", {L"Synced"}}));
    EXPECT_EQ(rules.Answer({L"PathState", {}}).Encode(), EncodeReply({L"ok", {L"None"}}));
    EXPECT_EQ(rules.Answer({L"MenuItems", {L"C:\\S\\f"}}).Encode(),
              EncodeReply({L"ok", {L"0", L"Drovana", L"2", L"Share link"}}));
    EXPECT_EQ(rules.Answer({L"NotifyWinDowClose", {L"0000000000000001"}}).Encode(), EncodeReply({L"ok", {}}));
}

TEST(ClientRules, ReplyRulesShapeTheAnswer)
{
    const ClientRules rules = Parsed(L"state Synced C:\\S\n"
                                     L"reply PathState status OK\n"
                                     L"reply MenuItems slow 250 truncated\n"
                                     L"reply NotifyCreatePluginWin close\n"
                                     L"reply * slow 40\n");
    const Response pathState = rules.Answer({L"PathState", {L"C:\\S"}});
    EXPECT_EQ(pathState.Encode(), EncodeReply({L"OK", {L"Synced"}}));

    const Response menu = rules.Answer({L"MenuItems", {}});
    EXPECT_EQ(menu.delayMs, 250u);
    ClientReply decoded;
    const auto bytes = menu.Encode();
    EXPECT_FALSE(DecodeReply(bytes.data(), bytes.size(), decoded));

    EXPECT_EQ(rules.Answer({L"NotifyCreatePluginWin", {}}).action, Response::Action::CloseWithoutReply);
    const Response other = rules.Answer({L"MenuCmd", {}});
    EXPECT_EQ(other.delayMs, 40u);
    EXPECT_EQ(other.Encode(), EncodeReply({L"ok", {}}));

    const auto oversized = Parsed(L"reply * oversized").Answer({L"PathState", {}}).Encode();
    EXPECT_GT(oversized.size(), kPipeBufferSize);
    const auto malformed = Parsed(L"reply * malformed").Answer({L"PathState", {}}).Encode();
    EXPECT_FALSE(DecodeReply(malformed.data(), malformed.size(), decoded));
    EXPECT_EQ(Parsed(L"reply * noanswer").Answer({L"PathState", {}}).action, Response::Action::NoAnswer);
}

TEST(ClientRules, BadLinesAreNamed)
{
    for (const wchar_t* bad : {L"stat Synced C:\\", L"state Synced", L"menu 1", L"reply PathState sometimes",
                               L"reply PathState slow x ok", L"reply PathState ok extra", L"reply"})
    {
        ClientRules rules;
        std::wstring error;
        EXPECT_FALSE(rules.Parse(std::wstring(L"# first\n") + bad, error))
            << testing::PrintToString(std::wstring(bad));
        EXPECT_EQ(error.rfind(L"line 2:", 0), 0u) << testing::PrintToString(error);
    }
}

} // namespace
} // namespace pellicor::test
