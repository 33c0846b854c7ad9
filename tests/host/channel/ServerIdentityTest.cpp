// Whom the library talks to: only its own user's client in its own session, and nobody whose
// identity cannot be learned, except where the system cannot name a pipe's server at all.
#include "shellext/channel/ServerIdentity.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace pellicor::test
{
namespace
{

// S-1-5-21-1-2-3-<rid>: a user of one domain; the last sub-authority tells users apart.
ProcessIdentity User(std::uint32_t session, std::uint8_t rid, std::size_t length = 28)
{
    ProcessIdentity identity;
    identity.session = session;
    const std::initializer_list<std::uint8_t> sid = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0,   0, 1, 0,
                                                     0, 0, 2, 0, 0, 0, 3, 0, 0,  0, rid, 3, 0, 0};
    std::copy(sid.begin(), sid.end(), identity.user.begin());
    identity.userLength = length;
    return identity;
}

TEST(ServerIdentity, OnlyTheCallersOwnUserInItsOwnSessionIsTalkedTo)
{
    const ProcessIdentity me = User(1, 0xE9);
    ProcessIdentity noUser = me;
    noUser.userLength = 0;
    ProcessIdentity overlong = me;
    overlong.userLength = kMaxSidBytes + 1;
    const struct
    {
        const char* what;
        bool systemNamesServer;
        std::optional<ProcessIdentity> caller;
        std::optional<ProcessIdentity> server;
        bool talk;
    } cases[] = {
        {"same session, same user", true, me, User(1, 0xE9), true},
        {"another session", true, me, User(2, 0xE9), false},
        {"another user", true, me, User(1, 0xEA), false},
        {"a user whose SID begins like ours", true, me, User(1, 0xE9, 24), false},
        {"server unknown", true, me, std::nullopt, false},
        {"caller unknown", true, std::nullopt, me, false},
        {"both unknown", true, std::nullopt, std::nullopt, false},
        {"server without a user", true, me, noUser, false},
        {"neither with a user", true, noUser, noUser, false},
        {"a length past any SID", true, overlong, overlong, false},
        {"no way to name the server", false, me, User(2, 0xEA), true},
        {"no way to name the server, nothing known", false, std::nullopt, std::nullopt, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MayTalkToServer(c.systemNamesServer, c.caller, c.server), c.talk) << c.what;
}

} // namespace
} // namespace pellicor::test
