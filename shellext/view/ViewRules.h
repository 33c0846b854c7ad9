#pragma once
// The portable rules of the view integration: which folders belong to the sync folder, and when a
// resize may be reported after an attachment. Portable: no <windows.h>.
#include <cstdint>
#include <string>
#include <string_view>

namespace pellicor
{

// The sync folder as the view compares it: A-Z folded to a-z and exactly one trailing backslash.
// Empty stays empty (no sync folder); a value of backslashes only becomes "\".
std::wstring NormaliseSyncFolder(std::wstring_view stored);

// The folder followed by a backslash, A-Z folded, begins with the normalised sync folder; the sync
// folder itself counts as inside, a sibling with a longer name does not. With no sync folder ("" or
// a bare "\") nothing is inside, so network paths never match by accident.
bool IsInsideNormalisedSyncFolder(std::wstring_view normalisedSyncFolder, std::wstring_view folder);

// More than quietMs have passed since `since`, on a 32-bit millisecond counter that may have
// wrapped in between: the unsigned difference decides.
constexpr bool QuietTimeOver(std::uint32_t now, std::uint32_t since, std::uint32_t quietMs) noexcept
{
    return static_cast<std::uint32_t>(now - since) > quietMs;
}

} // namespace pellicor
