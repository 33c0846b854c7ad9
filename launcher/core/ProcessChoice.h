#pragma once
// Which processes of one image name the launcher acts on. On a machine where several users are signed
// in, every session has its own Explorer and may have its own client: the launcher serves the user of
// its own session and leaves the others alone. A launcher started by a service runs in session 0,
// where nobody is signed in; it then falls back to every session, as before.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace drovana
{

// No session has this id; a process whose session cannot be read carries it and is never "own".
constexpr std::uint32_t kUnknownSession = 0xFFFFFFFF;

struct ProcessFacts
{
    std::uint32_t sessionId = kUnknownSession;
    std::wstring userSid; // string form (S-1-5-21-...); empty when the token could not be read
};

// Indices, in snapshot order, of the processes a step acts on: those in the launcher's own session
// when that session has any, otherwise all of them.
std::vector<std::size_t> ProcessesInScope(std::span<const ProcessFacts> processes, std::uint32_t ownSession);

// The order in which the Explorers' tokens are tried for the interactive user: the processes in scope,
// those of the given user first when a SID was given (compared without regard to letter case), each
// group in snapshot order.
std::vector<std::size_t> ShellTokenOrder(std::span<const ProcessFacts> processes, std::uint32_t ownSession,
                                         std::wstring_view preferredSid);

} // namespace drovana
