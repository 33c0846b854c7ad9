#pragma once
// Whom the library may talk to over the pipe. Pipe names are machine-wide: whoever creates
// "\\.\pipe\pellicor" first, another user's session or any program started before the client,
// would otherwise receive every path Explorer draws and decide overlays, menus and the panel.
// So the server must run in the caller's session as the caller's user. Portable: no <windows.h>;
// the system facts are learned by the glue (ServerIdentityCheck.cpp).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace pellicor
{

constexpr std::size_t kMaxSidBytes = 68; // SECURITY_MAX_SID_SIZE

// The session a process runs in and the user of its token, as a SID's bytes.
struct ProcessIdentity
{
    std::uint32_t session = 0;
    std::array<std::uint8_t, kMaxSidBytes> user{};
    std::size_t userLength = 0; // 0: the user is not known
};

// True when the request may be written. Where the system cannot name a pipe's server process (before
// Vista) there is nothing to check. Otherwise both identities must be known, with a user, and the
// server must share the caller's session and user; anything else counts as no client.
bool MayTalkToServer(bool systemNamesServer, const std::optional<ProcessIdentity>& caller,
                     const std::optional<ProcessIdentity>& server);

} // namespace pellicor
