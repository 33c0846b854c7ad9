// Whom the library talks to: only its own user's client in its own session, at no lower integrity,
// outside any sandbox, in a pipe its user made; nobody whose identity cannot be learned, except where
// the system cannot name a pipe's server at all.
#include "shellext/channel/ServerIdentity.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace pellicor::test
{
namespace
{

// S-1-5-21-1-2-3-<rid>: a user of one domain; the last sub-authority tells users apart.
SidBytes UserSid(std::uint8_t rid, std::size_t length = 28)
{
    SidBytes sid;
    const std::initializer_list<std::uint8_t> bytes = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0,   0, 1, 0,
                                                       0, 0, 2, 0, 0, 0, 3, 0, 0,  0, rid, 3, 0, 0};
    std::copy(bytes.begin(), bytes.end(), sid.bytes.begin());
    sid.length = length;
    return sid;
}

constexpr std::uint8_t kMe = 0xE9;

struct Process
{
    std::uint32_t session = 1;
    std::uint8_t user = kMe;
    std::uint32_t integrity = kIntegrityMedium;
    bool appContainer = false;
    bool restricted = false;

    ProcessIdentity Identity() const { return {session, UserSid(user), integrity, appContainer, restricted}; }
};

PipeCreator MadeBy(std::optional<SidBytes> owner, std::optional<std::uint32_t> label = std::nullopt)
{
    return {owner, label};
}

TEST(ServerIdentity, OnlyOurOwnUnsandboxedClientAtOurLevelIsTalkedTo)
{
    const ProcessIdentity me = Process{}.Identity();
    const PipeCreator ours = MadeBy(UserSid(kMe));
    ProcessIdentity noUser = me;
    noUser.user.length = 0;
    ProcessIdentity overlong = me;
    overlong.user.length = kMaxSidBytes + 1;
    ProcessIdentity shortSid = me;
    shortSid.user = UserSid(kMe, 24);
    const ProcessIdentity elevated = Process{1, kMe, kIntegrityHigh}.Identity();
    const PipeCreator madeElevated = MadeBy(AdministratorsGroup());
    const struct
    {
        const char* what;
        std::optional<ProcessIdentity> caller;
        std::optional<ProcessIdentity> server;
        std::optional<PipeCreator> creator;
        bool talk;
    } cases[] = {
        {"same session, user and level", me, me, ours, true},
        {"another session", me, Process{2}.Identity(), ours, false},
        {"another user", me, Process{1, 0xEA}.Identity(), MadeBy(UserSid(0xEA)), false},
        {"a user whose SID begins like ours", me, shortSid, ours, false},
        {"server unknown", me, std::nullopt, ours, false},
        {"caller unknown", std::nullopt, me, ours, false},
        {"pipe's creator unknown", me, me, std::nullopt, false},
        {"server without a user", me, noUser, ours, false},
        {"neither with a user", noUser, noUser, ours, false},
        {"a length past any SID", overlong, overlong, ours, false},
        // Integrity: the server's own level, below, equal, above.
        {"server at Low", me, Process{1, kMe, kIntegrityLow}.Identity(), MadeBy(UserSid(kMe), kIntegrityLow),
         false},
        {"server at Untrusted", me, Process{1, kMe, kIntegrityUntrusted}.Identity(), ours, false},
        {"caller elevated, server at Medium", elevated, me, ours, false},
        {"both elevated", elevated, elevated, madeElevated, true},
        {"server elevated, pipe owned by Administrators", me, elevated, madeElevated, true},
        {"server elevated, pipe owned by our user", me, elevated, ours, true},
        {"Administrators as owner of a pipe whose server is not elevated", me, me, madeElevated, false},
        // Sandboxes of our own user.
        {"server in an AppContainer", me, Process{1, kMe, kIntegrityMedium, true}.Identity(), ours, false},
        {"server with restricting SIDs", me, Process{1, kMe, kIntegrityMedium, false, true}.Identity(), ours,
         false},
        {"caller at Low, server at Medium", Process{1, kMe, kIntegrityLow}.Identity(), me, ours, true},
        // The id the pipe names now belongs to another process than its creator: the pipe's own
        // owner and label still tell the creator.
        {"reused id, creator was at Low", me, me, MadeBy(UserSid(kMe), kIntegrityLow), false},
        {"reused id, creator was another user", me, me, MadeBy(UserSid(0xEA)), false},
        {"pipe whose owner is no SID", me, me, MadeBy(SidBytes{}), false},
        // A system that records no owner for pipes (Wine): the server process decides.
        {"no owner recorded, our server", me, me, MadeBy(std::nullopt), true},
        {"no owner recorded, labelled Low", me, me, MadeBy(std::nullopt, kIntegrityLow), false},
        {"pipe labelled at our level", me, me, MadeBy(UserSid(kMe), kIntegrityMedium), true},
        {"pipe labelled above our level", me, elevated, MadeBy(UserSid(kMe), kIntegrityHigh), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MayTalkToServer(true, c.caller, c.server, c.creator), c.talk) << c.what;
    // Before Vista no server can be named: nothing to check, whatever is known.
    EXPECT_TRUE(MayTalkToServer(false, me, Process{2, 0xEA, kIntegrityLow, true}.Identity(), std::nullopt));
    EXPECT_TRUE(MayTalkToServer(false, std::nullopt, std::nullopt, std::nullopt));
}

} // namespace
} // namespace pellicor::test
