#pragma once
// What the context menu will show, worked out from the client's "MenuItems" reply before any menu
// is touched. Portable: no <windows.h>.
#include "shellext/channel/WireCodec.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellicor
{

// Client item ids are command offsets from the shell's first identifier: 0 is the submenu that
// holds the items, 1 to 5 are the commands the client can be asked to run.
constexpr std::int32_t kSubmenuItemId = 0;
constexpr std::int32_t kFirstCommandItemId = 1;
constexpr std::int32_t kLastCommandItemId = 5;

// Reads an item id in decimal: leading white space and one sign are accepted and reading stops at
// the first non-digit. Text without digits is not an id. Values beyond 32 bits saturate.
std::optional<std::int32_t> ReadItemId(std::wstring_view text);

// True for the offsets InvokeCommand may send to the client.
constexpr bool IsClientCommand(std::uint32_t offset)
{
    return offset >= static_cast<std::uint32_t>(kFirstCommandItemId) &&
           offset <= static_cast<std::uint32_t>(kLastCommandItemId);
}

enum class MenuShape
{
    Nothing,   // add no separator and no item
    PlainItem, // one item directly in the shell's menu
    Submenu,   // the product's submenu holding the items
};

struct MenuPlanItem
{
    std::int32_t id; // offset from the shell's first identifier
    std::wstring text;
};

struct MenuPlan
{
    MenuShape shape = MenuShape::Nothing;
    std::vector<MenuPlanItem> items;   // the plain item, or the submenu's items in order
    std::uint32_t identifiersUsed = 0; // the highest offset used plus one; 0 when nothing is added
};

// The reply values come in pairs, item id then text. A first id of exactly 1 means one plain item
// from the first pair alone. Otherwise every pair becomes a submenu item, except pairs whose id is
// not a number, lies outside 0 to 5 or beyond maxOffset (the last identifier the shell allows,
// counted from its first): such an item could only do nothing or, worse, take another handler's
// identifier. An id left without its text at the end is ignored.
MenuPlan PlanMenu(const std::vector<std::wstring>& values, std::uint32_t maxOffset);

// The same reply as Explorer's command menu (Windows 11) shows it: the plain item alone, or the
// submenu's commands, ids 1 to 5 in the client's order. An id 0 inside the submenu would name the
// submenu itself and runs nothing, so it is left out; nothing is left, nothing is shown.
MenuPlan PlanCommandMenu(const std::vector<std::wstring>& values);

// Whether "MenuCmd" fits one request for a selection, whichever command is picked. Paths are added
// one at a time, so that a caller can stop reading a large selection as soon as it cannot fit.
class MenuCommandBudget
{
public:
    MenuCommandBudget();
    // False once the selection so far no longer fits; it stays false.
    bool Add(std::wstring_view path);
    bool Fits() const { return m_fits; }

private:
    RequestSize m_size;
    bool m_fits;
};

// A menu whose command could not be sent would drop the user's pick while telling the shell it was
// done: both menus show nothing for a selection that fails this.
bool MenuCommandFits(const std::vector<std::wstring>& paths);

} // namespace pellicor
