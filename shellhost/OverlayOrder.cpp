#include "shellhost/OverlayOrder.h"

#include <algorithm>

namespace pellicor::shellhost
{

namespace
{
wchar_t FoldForRegistry(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}
} // namespace

bool RegistryNameLess(const std::wstring& a, const std::wstring& b)
{
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](wchar_t x, wchar_t y)
        { return static_cast<unsigned>(FoldForRegistry(x)) < static_cast<unsigned>(FoldForRegistry(y)); });
}

std::vector<RankedOverlay> RankOverlays(std::vector<RegisteredOverlay> registered)
{
    std::stable_sort(registered.begin(), registered.end(),
                     [](const RegisteredOverlay& a, const RegisteredOverlay& b)
                     { return RegistryNameLess(a.name, b.name); });
    std::vector<RankedOverlay> ranked;
    ranked.reserve(registered.size());
    int rank = 0;
    for (auto& overlay : registered)
    {
        ++rank;
        ranked.push_back({std::move(overlay), rank, rank <= kHandlerSlots});
    }
    return ranked;
}

std::optional<std::size_t> ChooseDrawnOverlay(const std::vector<OverlayAnswer>& answers)
{
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < answers.size(); ++i)
    {
        const OverlayAnswer& answer = answers[i];
        if (!answer.loaded || !answer.member)
            continue;
        if (!best || answer.priority < answers[*best].priority)
            best = i;
    }
    return best;
}

} // namespace pellicor::shellhost
