#include "shellext/menu/MenuPlan.h"

#include "shellext/channel/ClientRequests.h"

#include <algorithm>
#include <limits>

namespace pellicor
{

namespace
{

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

bool Allowed(std::optional<std::int32_t> id, std::uint32_t maxOffset)
{
    return id && *id >= kSubmenuItemId && *id <= kLastCommandItemId &&
           static_cast<std::uint32_t>(*id) <= maxOffset;
}

} // namespace

std::optional<std::int32_t> ReadItemId(std::wstring_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';

    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    bool anyDigit = false;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
    {
        anyDigit = true;
        value = std::min<std::int64_t>(value * 10 + (text[i] - L'0'), kLimit);
    }
    if (!anyDigit)
        return std::nullopt;
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min<std::int64_t>(value, kLimit - 1));
}

MenuPlan PlanMenu(const std::vector<std::wstring>& values, std::uint32_t maxOffset)
{
    MenuPlan plan;
    if (values.size() < 2)
        return plan;

    if (ReadItemId(values[0]) == kFirstCommandItemId)
    {
        if (maxOffset < static_cast<std::uint32_t>(kFirstCommandItemId))
            return plan;
        plan.shape = MenuShape::PlainItem;
        plan.items.push_back({kFirstCommandItemId, values[1]});
        plan.identifiersUsed = kFirstCommandItemId + 1;
        return plan;
    }

    std::int32_t largest = kSubmenuItemId;
    for (std::size_t i = 0; i + 1 < values.size(); i += 2)
    {
        const auto id = ReadItemId(values[i]);
        if (!Allowed(id, maxOffset))
            continue;
        plan.items.push_back({*id, values[i + 1]});
        largest = std::max(largest, *id);
    }
    if (plan.items.empty())
        return plan;
    plan.shape = MenuShape::Submenu;
    plan.identifiersUsed = static_cast<std::uint32_t>(largest) + 1;
    return plan;
}

MenuPlan PlanCommandMenu(const std::vector<std::wstring>& values)
{
    MenuPlan plan = PlanMenu(values, kLastCommandItemId);
    if (plan.shape != MenuShape::Submenu)
        return plan;
    std::erase_if(plan.items, [](const MenuPlanItem& item) { return item.id == kSubmenuItemId; });
    if (plan.items.empty())
        return {};
    return plan;
}

namespace
{
// The longest command number InvokeCommand can send: the commands are 1 to 5, each one digit, and a
// larger number is never shorter.
constexpr std::int32_t kLongestCommandNumber = kLastCommandItemId;
} // namespace

MenuCommandBudget::MenuCommandBudget()
    : m_size(MenuCmdSizeBeforePaths(kLongestCommandNumber)), m_fits(m_size.Fits())
{
}

bool MenuCommandBudget::Add(std::wstring_view path)
{
    m_fits = m_fits && m_size.Add(path).Fits();
    return m_fits;
}

bool MenuCommandFits(const std::vector<std::wstring>& paths)
{
    MenuCommandBudget budget;
    for (const std::wstring& path : paths)
    {
        if (!budget.Add(path))
            return false;
    }
    return budget.Fits();
}

} // namespace pellicor
