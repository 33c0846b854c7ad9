#include "shellext/channel/ServerIdentity.h"

#include <algorithm>

namespace pellicor
{

namespace
{

bool HasUser(const ProcessIdentity& identity)
{
    return identity.userLength != 0 && identity.userLength <= kMaxSidBytes;
}

} // namespace

bool MayTalkToServer(bool systemNamesServer, const std::optional<ProcessIdentity>& caller,
                     const std::optional<ProcessIdentity>& server)
{
    if (!systemNamesServer)
        return true;
    if (!caller || !server || !HasUser(*caller) || !HasUser(*server))
        return false;
    // A SID's bytes are canonical: equal bytes are the same user, as EqualSid decides.
    return caller->session == server->session && caller->userLength == server->userLength &&
           std::equal(caller->user.begin(),
                      caller->user.begin() + static_cast<std::ptrdiff_t>(caller->userLength),
                      server->user.begin());
}

} // namespace pellicor
