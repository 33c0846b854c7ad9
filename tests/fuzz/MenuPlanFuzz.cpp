// The menu is built from whatever the client answers to "MenuItems". Whatever the values, the plan
// holds only ids 0 to 5 within the shell's range, in reply order, with the identifier count the shell
// is told, and one plain item only for a first id of exactly 1.
#include "shellext/menu/MenuPlan.h"
#include "tests/fuzz/FuzzInput.h"

#include <algorithm>

using fuzz::Check;

namespace
{

bool IsSpace(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

// Whether the text holds an id at all: white space, at most one sign, then a digit.
bool HasDigits(const std::wstring& text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        ++i;
    return i < text.size() && text[i] >= L'0' && text[i] <= L'9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::uint32_t maxOffset = data[0] % 8 == 0 ? 0x7FFF : data[0] % 8 - 1; // 0..6, or roomy
    std::vector<std::wstring> values = fuzz::SplitUnits(data + 4, size - 4);
    if (data[1] & 1)
        values.pop_back(); // also replies that end in an id without its text

    for (const std::wstring& value : values)
        Check(pellicor::ReadItemId(value).has_value() == HasDigits(value));

    const pellicor::MenuPlan plan = pellicor::PlanMenu(values, maxOffset);
    Check((plan.shape == pellicor::MenuShape::Nothing) == plan.items.empty());
    Check((plan.shape == pellicor::MenuShape::Nothing) == (plan.identifiersUsed == 0));
    if (plan.shape == pellicor::MenuShape::Nothing)
        return 0;
    Check(values.size() >= 2);
    Check(plan.identifiersUsed <= maxOffset + 1);

    const bool firstIsOne = pellicor::ReadItemId(values[0]) == pellicor::kFirstCommandItemId;
    Check((plan.shape == pellicor::MenuShape::PlainItem) == firstIsOne);
    if (firstIsOne)
    {
        Check(plan.items.size() == 1 && plan.items[0].id == 1 && plan.items[0].text == values[1]);
        Check(plan.identifiersUsed == 2);
        return 0;
    }

    // The submenu's items are the usable pairs, in reply order.
    std::size_t next = 0;
    std::int32_t largest = 0;
    for (std::size_t i = 0; i + 1 < values.size(); i += 2)
    {
        const auto id = pellicor::ReadItemId(values[i]);
        if (!id || *id < 0 || *id > pellicor::kLastCommandItemId ||
            static_cast<std::uint32_t>(*id) > maxOffset)
            continue;
        Check(next < plan.items.size());
        Check(plan.items[next].id == *id && plan.items[next].text == values[i + 1]);
        largest = std::max(largest, *id);
        ++next;
    }
    Check(next == plan.items.size());
    Check(plan.identifiersUsed == static_cast<std::uint32_t>(largest) + 1);
    return 0;
}
