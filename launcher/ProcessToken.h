#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include "launcher/core/ProcessChoice.h"

#include <functional>
#include <string>

namespace drovana
{

// The shell's process: its owner is the interactive user.
constexpr const wchar_t* kShellImageName = L"EXPLORER.EXE";

// The token of the interactive user's shell, the process with this image name (case-insensitive) that
// the rules of ShellTokenOrder accept, each judged through its own handle: the system's Explorer with
// the user's ordinary rights, in the launcher's session unless the launcher runs in session 0; those
// of preferredSid first when one is given. False only when the process list cannot be read; true with
// a null token when no process was accepted.
bool GetProcessTokenByName(const wchar_t* imageName, HANDLE* token, const wchar_t* preferredSid = nullptr);

// Whole image names compared after upper-casing both by the C runtime's rules, as Tool Help reports
// them (at most 260 units); a name that does not fit that buffer matches nothing.
bool ImageNameEquals(const wchar_t* processImage, const wchar_t* wanted);

// Calls visit for every process with this image name that the launcher acts on (those in its own
// session when it has any, otherwise all), in snapshot order, until visit returns false. False only
// when the process list cannot be read.
bool ForEachProcessInScope(const wchar_t* imageName,
                           const std::function<bool(const PROCESSENTRY32W&)>& visit);

// The token's user as a string SID, empty when unreadable; and its standing under user account control.
std::wstring TokenUserSid(HANDLE token);
Elevation TokenElevationOf(HANDLE token);

} // namespace drovana
