#pragma once
// Overlay kinds and what each one answers. Portable: no <windows.h>.
#include <cstdint>
#include <string_view>

namespace pellicor
{

enum OverlayKind : std::int32_t
{
    Syncing = 0,
    Synced = 1,
    Safe = 2,
    Share = 3,
    Invalid = 4,
    NoOverlay = 5,
};

struct OverlayKindInfo
{
    const wchar_t* iconValueName; // under Software\PellicorOverlays; null: no icon
    int priority;
    const wchar_t* stateWord; // the client's word that makes a path a member; null: never
};

// Kind 5 and any other number: no icon, priority 100, never a member.
OverlayKindInfo InfoForKind(std::int32_t kind);

// True when the client's state word makes a path a member for this kind: exact, case-sensitive,
// whole-word equality ("synced" and "SyncedX" are not "Synced").
bool IsStateWordOf(std::int32_t kind, std::wstring_view word);

} // namespace pellicor
