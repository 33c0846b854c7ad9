#pragma once
// The check that the process serving our pipe is our own user's client, in our session, at no lower
// integrity and outside any sandbox.
#include "shellext/channel/ServerIdentity.h"

#include <windows.h>

#include <optional>

namespace pellicor
{

// For test programs linked with the channel: replaces the caller's identity, so that a refusal can
// be provoked on a system with one user, one session and one integrity level. Nothing in the
// library sets it, and the library does not export it, so neither Explorer nor the registry can
// reach it.
using CallerIdentitySource = std::optional<ProcessIdentity> (*)();
extern CallerIdentitySource g_callerIdentityForTests;

// The caller as the check sees it: the calling thread's token when it impersonates, else the
// process's; the process's session. nullopt when it cannot be learned.
std::optional<ProcessIdentity> CallerIdentity() noexcept;

// True when the process serving `pipe` may read our request. A server that has passed is held open,
// so that its id cannot pass to another process while its facts are reused: a later transaction
// with it costs two system calls (our thread's token and the pipe's server id; under Wine the
// second is two round trips to the wineserver).
bool PipeServerIsOurOwn(HANDLE pipe) noexcept;

} // namespace pellicor
