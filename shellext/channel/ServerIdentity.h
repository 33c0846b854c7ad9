#pragma once
// Whom the library may talk to over the pipe. Pipe names are machine-wide: whoever creates
// "\\.\pipe\pellicor" first, another user's session, a sandboxed program of our own user or any
// program started while the client is down, would otherwise receive every path Explorer draws and
// decide overlays, menus and the panel. So the server must run in the caller's session as the
// caller's user, at no lower integrity and outside any sandbox. Portable: no <windows.h>; the
// system facts are learned by the glue (ServerIdentityCheck.cpp).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace pellicor
{

constexpr std::size_t kMaxSidBytes = 68; // SECURITY_MAX_SID_SIZE

// A SID as its bytes. A SID's bytes are canonical: equal bytes are the same account, as EqualSid
// decides.
struct SidBytes
{
    std::array<std::uint8_t, kMaxSidBytes> bytes{};
    std::size_t length = 0; // 0: not known

    bool IsKnown() const { return length != 0 && length <= kMaxSidBytes; }
    // Both known and the same account.
    bool SameAs(const SidBytes& other) const;
};

// Mandatory integrity levels: the last sub-authority of their label SIDs (S-1-16-x).
enum IntegrityLevel : std::uint32_t
{
    kIntegrityUntrusted = 0x0000,
    kIntegrityLow = 0x1000,
    kIntegrityMedium = 0x2000,
    kIntegrityHigh = 0x3000,
    kIntegritySystem = 0x4000,
};

// What a process's token says of it: its session, its user, its integrity level, and whether it is
// sandboxed (an AppContainer, or a token with restricting SIDs).
struct ProcessIdentity
{
    std::uint32_t session = 0;
    SidBytes user;
    std::uint32_t integrity = kIntegrityMedium;
    bool appContainer = false;
    bool restricted = false;
};

// What the pipe object's own security descriptor says of whoever created it. Both are set from the
// creator's token when the pipe is made, so they still describe the creator after it has exited and
// another process has been given its id, which the pipe goes on naming.
struct PipeCreator
{
    // None when the system records no owner for pipes (Wine); Windows always records one.
    std::optional<SidBytes> owner;
    // The mandatory label's level; none when the pipe has no label, which the system leaves off only
    // for creators at Medium integrity or above.
    std::optional<std::uint32_t> label;
};

// The well-known BUILTIN\Administrators group (S-1-5-32-544): the owner of what an elevated
// administrator's process creates, unless it says otherwise.
SidBytes AdministratorsGroup();

// True when the request may be written. Where the system cannot name a pipe's server process (before
// Vista) there is nothing to check. Otherwise every fact must be known, and the server must share
// the caller's session and user, run at the caller's integrity or above, in no AppContainer and with
// no restricting SIDs, and the pipe must have been created by the caller's user (or by an elevated
// process, whose objects the Administrators group owns) and bear no label below the caller's level.
// Anything else counts as no client. Where the system records no owner for pipes, the server
// process alone tells who made it.
bool MayTalkToServer(bool systemNamesServer, const std::optional<ProcessIdentity>& caller,
                     const std::optional<ProcessIdentity>& server, const std::optional<PipeCreator>& creator);

} // namespace pellicor
