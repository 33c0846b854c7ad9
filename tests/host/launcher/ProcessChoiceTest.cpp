#include "launcher/core/ProcessChoice.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace pellicor::test
{
namespace
{

using drovana::Elevation;
using drovana::FilteredTokenChoice;
using drovana::kUnknownSession;
using drovana::ProcessFacts;
using drovana::ShellRules;
using drovana::ShellVerdict;
using Indices = std::vector<std::size_t>;

constexpr const wchar_t* kAlice = L"S-1-5-21-1-2-3-1001";
constexpr const wchar_t* kBob = L"S-1-5-21-1-2-3-1002";
constexpr const wchar_t* kShell = L"C:\\Windows\\explorer.exe";

// By default the signed-in user's shell as the system runs it with user account control: Medium, not
// elevated.
ProcessFacts Shell(std::uint32_t session, const wchar_t* user, const wchar_t* image = kShell,
                   bool elevated = false, std::uint32_t integrity = drovana::kMediumIntegrity)
{
    return {session, user, image, elevated, integrity};
}

ShellRules Rules(std::uint32_t ownSession, bool filteredTokens = true)
{
    return {L"C:\\Windows", L"C:\\Windows\\system32", ownSession, filteredTokens};
}

struct Case
{
    const char* name;
    std::vector<ProcessFacts> processes; // snapshot order
    std::uint32_t ownSession;
    const wchar_t* preferredSid;
    Indices scope;      // what Explorer restart and the kill act on
    Indices tokenOrder; // the order in which Explorer tokens are tried
};

void ExpectChoices(const std::vector<Case>& cases)
{
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(drovana::ProcessesInScope(c.processes, c.ownSession), c.scope);
        EXPECT_EQ(drovana::ShellTokenOrder(c.processes, Rules(c.ownSession), c.preferredSid), c.tokenOrder);
    }
}

TEST(ProcessChoice, TheOwnSessionIsTheScope)
{
    ExpectChoices({
        {"nothing running", {}, 1, L"", {}, {}},
        {"only the own session counts when it has any",
         {Shell(2, kBob), Shell(1, kAlice), Shell(3, kBob), Shell(1, kAlice)},
         1,
         L"",
         {1, 3},
         {1, 3}},
        {"session 0 (a service) has none: every session, snapshot order",
         {Shell(2, kBob), Shell(1, kAlice)},
         0,
         L"",
         {0, 1},
         {0, 1}},
        {"own session without the process: every one is ended, none gives its token",
         {Shell(2, kBob), Shell(3, kAlice)},
         1,
         L"",
         {0, 1},
         {}},
        {"unreadable sessions are never own",
         {Shell(kUnknownSession, kAlice), Shell(kUnknownSession, kBob)},
         kUnknownSession,
         L"",
         {0, 1},
         {}},
    });
}

TEST(ProcessChoice, TheGivenUserIsTriedFirstWithinTheScope)
{
    ExpectChoices({
        {"the given user first, whatever the letter case of the SID",
         {Shell(2, kBob), Shell(3, kAlice), Shell(4, kBob)},
         0,
         L"s-1-5-21-1-2-3-1002",
         {0, 1, 2},
         {0, 2, 1}},
        {"the given user in another session does not beat the own session",
         {Shell(2, kBob), Shell(1, kAlice)},
         1,
         kBob,
         {1},
         {1}},
        {"the given user inside the own session goes first",
         {Shell(1, kAlice), Shell(1, kBob)},
         1,
         kBob,
         {0, 1},
         {1, 0}},
        {"an unknown user changes nothing; a prefix of a SID is not the SID",
         {Shell(1, kAlice), Shell(1, kBob)},
         1,
         L"S-1-5-21-1-2-3-100",
         {0, 1},
         {0, 1}},
        {"an empty SID on a process never matches an empty preference",
         {Shell(1, L""), Shell(1, kAlice)},
         1,
         L"",
         {0, 1},
         {0, 1}},
    });
}

TEST(ProcessChoice, OnlyTheSystemsExplorerWithOrdinaryRightsGivesItsToken)
{
    using drovana::kHighIntegrity;
    struct Row
    {
        const char* name;
        ProcessFacts facts;
        bool filteredTokens;
        ShellVerdict verdict;
    };
    const Row rows[] = {
        {"the shell", Shell(1, kAlice), true, ShellVerdict::Accepted},
        {"letter case and a long-path prefix do not matter",
         Shell(1, kAlice, L"\\\\?\\c:\\WINDOWS\\Explorer.EXE"), true, ShellVerdict::Accepted},
        {"the system folder's (Wine's shell)", Shell(1, kAlice, L"C:\\Windows\\System32\\explorer.exe"), true,
         ShellVerdict::Accepted},
        {"Medium with UI access", Shell(1, kAlice, kShell, false, 0x2100), true, ShellVerdict::Accepted},
        {"a renamed program elsewhere", Shell(1, kAlice, L"C:\\Users\\u1\\Downloads\\explorer.exe"), true,
         ShellVerdict::NotTheSystemsExplorer},
        {"elevated", Shell(1, kAlice, kShell, true), true, ShellVerdict::AboveOrdinaryRights},
        {"High", Shell(1, kAlice, kShell, false, kHighIntegrity), true, ShellVerdict::AboveOrdinaryRights},
        {"without user account control an administrator's shell is elevated and High",
         Shell(1, kAlice, kShell, true, kHighIntegrity), false, ShellVerdict::Accepted},
        {"but never a System one", Shell(1, kAlice, kShell, true, drovana::kSystemIntegrity), false,
         ShellVerdict::AboveOrdinaryRights},
        {"another session", Shell(2, kAlice), true, ShellVerdict::OtherSession},
    };
    for (const Row& row : rows)
        EXPECT_EQ(drovana::JudgeShell(row.facts, Rules(1, row.filteredTokens)), row.verdict) << row.name;
    // Without the folders nothing is the system's Explorer.
    EXPECT_EQ(drovana::JudgeShell(Shell(1, kAlice), {L"", L"", 1, true}),
              ShellVerdict::NotTheSystemsExplorer);
    // Refused processes stay out of the token order whatever user they run as.
    const std::vector<ProcessFacts> processes = {Shell(1, kAlice, kShell, true), Shell(1, kBob)};
    EXPECT_EQ(drovana::ShellTokenOrder(processes, Rules(1), kAlice), Indices{1});
}

TEST(ProcessChoice, TheFilteredTokenIsTheElevatedLaunchersOwnLinkedOneForTheSignedInUserOnly)
{
    struct Row
    {
        Elevation launcher;
        std::optional<std::wstring_view> linkedUser;
        const wchar_t* explorerUser;
        FilteredTokenChoice choice;
    };
    const Row rows[] = {
        {Elevation::Full, kAlice, kAlice, FilteredTokenChoice::UseLinkedToken},
        {Elevation::Full, kBob, kAlice, FilteredTokenChoice::OtherUser}, // elevated over the shoulder
        {Elevation::Full, L"", L"", FilteredTokenChoice::OtherUser},     // users that cannot be read
        {Elevation::Full, std::nullopt, kAlice, FilteredTokenChoice::NoLinkedToken},
        {Elevation::Default, kAlice, kAlice, FilteredTokenChoice::NotElevated},
        {Elevation::Limited, kAlice, kAlice, FilteredTokenChoice::NotElevated},
        {Elevation::Unknown, kAlice, kAlice, FilteredTokenChoice::NotElevated},
    };
    for (const Row& row : rows)
    {
        const FilteredTokenChoice choice =
            drovana::ChooseFilteredToken(row.launcher, row.linkedUser, row.explorerUser);
        EXPECT_EQ(choice, row.choice) << static_cast<int>(row.launcher) << " "
                                      << testing::PrintToString(std::wstring(row.linkedUser.value_or(L"-")));
        EXPECT_EQ(std::string(drovana::FilteredTokenSkipReason(choice)).empty(),
                  choice == FilteredTokenChoice::UseLinkedToken);
    }
}

} // namespace
} // namespace pellicor::test
