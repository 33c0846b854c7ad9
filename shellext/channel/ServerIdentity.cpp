#include "shellext/channel/ServerIdentity.h"

#include <algorithm>

namespace pellicor
{

bool SidBytes::SameAs(const SidBytes& other) const
{
    return IsKnown() && other.IsKnown() && length == other.length &&
           std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length), other.bytes.begin());
}

SidBytes AdministratorsGroup()
{
    // Revision 1, two sub-authorities, NT authority 5, then 32 (built-in) and 544 (Administrators).
    SidBytes sid;
    sid.bytes = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};
    sid.length = 16;
    return sid;
}

bool MayTalkToServer(bool systemNamesServer, const std::optional<ProcessIdentity>& caller,
                     const std::optional<ProcessIdentity>& server, const std::optional<PipeCreator>& creator)
{
    if (!systemNamesServer)
        return true;
    if (!caller || !server || !creator)
        return false;
    if (caller->session != server->session || !caller->user.SameAs(server->user))
        return false;
    // A sandboxed or lowered process of our own user is exactly what must not steer Explorer.
    if (server->appContainer || server->restricted || server->integrity < caller->integrity)
        return false;
    // The process that holds the pipe's id now may not be the one that created the pipe; the pipe
    // itself remembers its creator. An elevated process of our user owns what it creates through
    // the Administrators group; a sandbox cannot name that group as owner.
    const bool ownerIsOurs = !creator->owner || creator->owner->SameAs(caller->user) ||
                             (creator->owner->SameAs(AdministratorsGroup()) && server->integrity >= kIntegrityHigh);
    if (!ownerIsOurs)
        return false;
    // An unlabelled pipe's creator ran at Medium or above; which of them is left to the server's own
    // level, judged above.
    return !creator->label || *creator->label >= caller->integrity;
}

} // namespace pellicor
