#include "launcher/core/ProcessChoice.h"

#include <gtest/gtest.h>

#include <vector>

namespace pellicor::test
{
namespace
{

using drovana::kUnknownSession;
using drovana::ProcessFacts;
using Indices = std::vector<std::size_t>;

constexpr const wchar_t* kAlice = L"S-1-5-21-1-2-3-1001";
constexpr const wchar_t* kBob = L"S-1-5-21-1-2-3-1002";

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
        EXPECT_EQ(drovana::ShellTokenOrder(c.processes, c.ownSession, c.preferredSid), c.tokenOrder);
    }
}

TEST(ProcessChoice, TheOwnSessionIsTheScopeWhenItHasAny)
{
    ExpectChoices({
        {"nothing running", {}, 1, L"", {}, {}},
        {"only the own session counts when it has any",
         {{2, kBob}, {1, kAlice}, {3, kBob}, {1, kAlice}},
         1,
         L"",
         {1, 3},
         {1, 3}},
        {"session 0 (a service) has none: every session, snapshot order",
         {{2, kBob}, {1, kAlice}},
         0,
         L"",
         {0, 1},
         {0, 1}},
        {"own session without the process: every session", {{2, kBob}, {3, kAlice}}, 1, L"", {0, 1}, {0, 1}},
        {"unreadable sessions and tokens are never own and never preferred",
         {{kUnknownSession, L""}, {kUnknownSession, kAlice}},
         kUnknownSession,
         L"",
         {0, 1},
         {0, 1}},
    });
}

TEST(ProcessChoice, TheGivenUserIsTriedFirstWithinTheScope)
{
    ExpectChoices({
        {"the given user first, whatever the letter case of the SID",
         {{2, kBob}, {3, kAlice}, {4, kBob}},
         0,
         L"s-1-5-21-1-2-3-1002",
         {0, 1, 2},
         {0, 2, 1}},
        {"the given user in another session does not beat the own session",
         {{2, kBob}, {1, kAlice}},
         1,
         kBob,
         {1},
         {1}},
        {"the given user inside the own session goes first",
         {{1, kAlice}, {1, kBob}},
         1,
         kBob,
         {0, 1},
         {1, 0}},
        {"an unknown user changes nothing; a prefix of a SID is not the SID",
         {{1, kAlice}, {1, kBob}},
         1,
         L"S-1-5-21-1-2-3-100",
         {0, 1},
         {0, 1}},
        {"an empty SID on a process never matches an empty preference",
         {{1, L""}, {1, kAlice}},
         1,
         L"",
         {0, 1},
         {0, 1}},
    });
}

} // namespace
} // namespace pellicor::test
