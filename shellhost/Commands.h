#pragma once
// The shell host's subcommands. Each takes the words after its name and returns the process exit code:
// 0 when it could play its part (whatever the handlers answered), 1 when it could not, 2 for bad usage.
#include <string>
#include <vector>

namespace pellicor::shellhost
{

using Words = std::vector<std::wstring>;

int RunOverlays(const Words& words);
int RunMenu(const Words& words);
int RunCopyHook(const Words& words);
int RunDoctor(const Words& words);

// The full path Explorer would pass for a user's argument; empty when it cannot be formed.
std::wstring FullPath(const std::wstring& path);

} // namespace pellicor::shellhost
