#include "shellext/view/ViewRules.h"

#include "shellext/guard/PathRules.h"

namespace pellicor
{

std::wstring NormaliseSyncFolder(std::wstring_view stored)
{
    if (stored.empty())
        return {};
    std::wstring normalised = FoldAsciiCase(TrimTrailingBackslashes(stored));
    normalised += L'\\';
    return normalised;
}

bool IsInsideNormalisedSyncFolder(std::wstring_view normalisedSyncFolder, std::wstring_view folder)
{
    if (TrimTrailingBackslashes(normalisedSyncFolder).empty())
        return false;
    std::wstring candidate = FoldAsciiCase(folder);
    candidate += L'\\';
    return std::wstring_view(candidate).starts_with(normalisedSyncFolder);
}

} // namespace pellicor
