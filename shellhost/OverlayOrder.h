#pragma once
// How Explorer orders the registered overlay identifiers, which of them it loads, and which one it draws
// for an item. Portable: no <windows.h>. The model and its sources are described in docs/shellhost.md.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace pellicor::shellhost
{

// The system image list has 15 overlay slots; Windows keeps 4 for its own overlays (shortcut, share and
// the like), which leaves 11 for the identifiers registered under ShellIconOverlayIdentifiers.
constexpr int kOverlaySlots = 15;
constexpr int kSystemReservedSlots = 4;
constexpr int kHandlerSlots = kOverlaySlots - kSystemReservedSlots;

// The order in which the Windows registry returns subkeys: code unit by code unit after folding a-z to
// A-Z, a name that is a prefix of another first. So "     !Name" comes before "!!!Name", which comes
// before "0Name", "AName" and "_Name".
bool RegistryNameLess(const std::wstring& a, const std::wstring& b);

struct RegisteredOverlay
{
    std::wstring name;   // subkey name, leading spaces included
    std::wstring target; // the key's default value: the class identifier as written
};

struct RankedOverlay
{
    RegisteredOverlay registered;
    int rank = 0;         // 1-based position in Explorer's order
    bool inSlots = false; // rank within the handler slots: Explorer loads it
};

// Sorts the identifiers as Explorer reads them and marks those that get a slot.
std::vector<RankedOverlay> RankOverlays(std::vector<RegisteredOverlay> registered);

// What one loaded identifier said about one item.
struct OverlayAnswer
{
    bool loaded = false; // in the slots, created and reporting an icon
    bool member = false; // IsMemberOf answered S_OK
    int priority = 100;  // GetPriority; 0 is the most important, failures count as 100
};

// Index of the answer whose overlay Explorer draws: among loaded members, the lowest priority number;
// on a tie, the one loaded first (the lower index, answers being given in Explorer's order).
std::optional<std::size_t> ChooseDrawnOverlay(const std::vector<OverlayAnswer>& answers);

} // namespace pellicor::shellhost
