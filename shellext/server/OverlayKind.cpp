#include "shellext/server/OverlayKind.h"

namespace pellicor
{

namespace
{

// Indexed by OverlayKind.
constexpr OverlayKindInfo kKindTable[] = {
    /* Syncing   */ {L"SyncingIcon", 2, L"Syncing"},
    /* Synced    */ {L"SyncedIcon", 0, L"Synced"},
    /* Safe      */ {L"SafeIcon", 5, nullptr},
    /* Share     */ {L"ShareIcon", 6, nullptr},
    /* Invalid   */ {L"InvalidIcon", 10, L"Invalid"},
    /* NoOverlay */ {nullptr, 100, nullptr},
};

} // namespace

OverlayKindInfo InfoForKind(std::int32_t kind)
{
    if (kind < 0 || kind >= NoOverlay)
        return kKindTable[NoOverlay];
    return kKindTable[kind];
}

bool IsStateWordOf(std::int32_t kind, std::wstring_view word)
{
    const wchar_t* stateWord = InfoForKind(kind).stateWord;
    return stateWord != nullptr && word == stateWord;
}

} // namespace pellicor
