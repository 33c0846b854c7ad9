// The menu worked out from the client's reply: shapes, identifiers and every malformed reply.
#include "shellext/menu/MenuPlan.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

constexpr std::uint32_t kRoomy = 0x7FFF; // the shell's usual range

std::vector<std::int32_t> Ids(const MenuPlan& plan)
{
    std::vector<std::int32_t> ids;
    for (const auto& item : plan.items)
        ids.push_back(item.id);
    return ids;
}

TEST(ReadItemId, DecimalWithWhiteSpaceSignAndTrailingText)
{
    EXPECT_EQ(ReadItemId(L"3"), 3);
    EXPECT_EQ(ReadItemId(L" \t\r\n+4"), 4);
    EXPECT_EQ(ReadItemId(L"-2"), -2);
    EXPECT_EQ(ReadItemId(L"5abc"), 5);
    EXPECT_EQ(ReadItemId(L"007"), 7);
    EXPECT_EQ(ReadItemId(L"-0"), 0);
    EXPECT_EQ(ReadItemId(L"99999999999999999999"), 2147483647);
    EXPECT_EQ(ReadItemId(L"-99999999999999999999"), -2147483647 - 1);
}

TEST(ReadItemId, TextWithoutDigitsIsNoId)
{
    for (const wchar_t* text : {L"", L" ", L"-", L"+ 1", L"abc", L"x1", L"\x0661" /* Arabic-Indic one */})
        EXPECT_EQ(ReadItemId(text), std::nullopt) << "'" << static_cast<int>(text[0]) << "'";
}

TEST(PlanMenu, FirstIdOneIsASinglePlainItem)
{
    const MenuPlan plan = PlanMenu({L"1", L"Open", L"2", L"Share"}, kRoomy);
    EXPECT_EQ(plan.shape, MenuShape::PlainItem);
    ASSERT_EQ(plan.items.size(), 1u);
    EXPECT_EQ(plan.items[0].id, 1);
    EXPECT_EQ(plan.items[0].text, L"Open");
    EXPECT_EQ(plan.identifiersUsed, 2u);

    EXPECT_EQ(PlanMenu({L" +1x", L"Open"}, kRoomy).shape, MenuShape::PlainItem) << "read like any id";
}

TEST(PlanMenu, OtherwiseASubmenuUsingTheLargestIdPlusOne)
{
    MenuPlan plan = PlanMenu({L"2", L"A", L"5", L"B"}, kRoomy);
    EXPECT_EQ(plan.shape, MenuShape::Submenu);
    EXPECT_EQ(Ids(plan), (std::vector<std::int32_t>{2, 5}));
    EXPECT_EQ(plan.items[1].text, L"B");
    EXPECT_EQ(plan.identifiersUsed, 6u);

    plan = PlanMenu({L"0", L"A"}, kRoomy);
    EXPECT_EQ(plan.shape, MenuShape::Submenu);
    EXPECT_EQ(Ids(plan), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(plan.identifiersUsed, 1u) << "the item shares the submenu's identifier";

    plan = PlanMenu({L"3", L"C", L"1", L"A", L"3", L"C again"}, kRoomy);
    EXPECT_EQ(Ids(plan), (std::vector<std::int32_t>{3, 1, 3})) << "kept in the client's order";
    EXPECT_EQ(plan.identifiersUsed, 4u);
}

TEST(PlanMenu, TooFewValuesGiveNothing)
{
    EXPECT_EQ(PlanMenu({}, kRoomy).shape, MenuShape::Nothing);
    EXPECT_EQ(PlanMenu({L"1"}, kRoomy).shape, MenuShape::Nothing);
    EXPECT_EQ(PlanMenu({L"2"}, kRoomy).identifiersUsed, 0u);
}

TEST(PlanMenu, AnUnpairedIdAtTheEndIsIgnored)
{
    const MenuPlan plan = PlanMenu({L"2", L"A", L"5"}, kRoomy);
    EXPECT_EQ(Ids(plan), (std::vector<std::int32_t>{2}));
    EXPECT_EQ(plan.identifiersUsed, 3u);
}

TEST(PlanMenu, IdsThatAreNoNumberOrOutOfRangeAreLeftOut)
{
    MenuPlan plan = PlanMenu({L"abc", L"A", L"", L"B", L"-1", L"C", L"6", L"D", L"4", L"E"}, kRoomy);
    EXPECT_EQ(plan.shape, MenuShape::Submenu);
    EXPECT_EQ(Ids(plan), (std::vector<std::int32_t>{4}));
    EXPECT_EQ(plan.identifiersUsed, 5u);

    plan = PlanMenu({L"abc", L"A", L"2147483647", L"B", L"-5", L"C"}, kRoomy);
    EXPECT_EQ(plan.shape, MenuShape::Nothing) << "no usable pair, no empty submenu";
    EXPECT_TRUE(plan.items.empty());
    EXPECT_EQ(plan.identifiersUsed, 0u);
}

TEST(PlanMenu, IdsBeyondTheShellsRangeAreLeftOut)
{
    MenuPlan plan = PlanMenu({L"2", L"A", L"5", L"B"}, 3);
    EXPECT_EQ(Ids(plan), (std::vector<std::int32_t>{2}));
    EXPECT_EQ(plan.identifiersUsed, 3u);

    EXPECT_EQ(PlanMenu({L"1", L"A"}, 0).shape, MenuShape::Nothing);
    EXPECT_EQ(PlanMenu({L"0", L"A"}, 0).identifiersUsed, 1u);
}

// Explorer's command menu takes the same reply: the plain item alone, or the commands without the
// submenu's own id 0.
TEST(PlanCommandMenu, PlainItemOrTheCommandsWithoutTheSubmenusId)
{
    const MenuPlan plain = PlanCommandMenu({L"1", L"Open", L"3", L"Ignored"});
    EXPECT_EQ(plain.shape, MenuShape::PlainItem);
    EXPECT_EQ(Ids(plain), (std::vector<std::int32_t>{1}));

    const MenuPlan commands = PlanCommandMenu({L"4", L"D", L"0", L"Self", L"2", L"B", L"9", L"Out"});
    EXPECT_EQ(commands.shape, MenuShape::Submenu);
    EXPECT_EQ(Ids(commands), (std::vector<std::int32_t>{4, 2})) << "the client's order";
    EXPECT_EQ(commands.items[1].text, L"B");

    EXPECT_EQ(PlanCommandMenu({L"0", L"Self"}).shape, MenuShape::Nothing) << "nothing to run";
    EXPECT_EQ(PlanCommandMenu({L"x", L"A", L"6", L"B"}).shape, MenuShape::Nothing);
    EXPECT_EQ(PlanCommandMenu({}).shape, MenuShape::Nothing);
}

// "MenuCmd" is 18 bytes of command, 6 of number, 36 of window, then 4 + 2 x length per path: 4096
// bytes hold one path of 2016 units, or two of 1007.
TEST(MenuCommandFits, UpToTheLastByteOfOneRequest)
{
    EXPECT_TRUE(MenuCommandFits({std::wstring(2016, L'a')}));
    EXPECT_FALSE(MenuCommandFits({std::wstring(2017, L'a')}));
    EXPECT_TRUE(MenuCommandFits({std::wstring(1007, L'a'), std::wstring(1007, L'b')}));
    EXPECT_FALSE(MenuCommandFits({std::wstring(1007, L'a'), std::wstring(1008, L'b')}));
    EXPECT_TRUE(MenuCommandFits({}));

    MenuCommandBudget budget;
    EXPECT_FALSE(budget.Add(std::wstring(3000, L'a')));
    EXPECT_FALSE(budget.Add(L"b")) << "once over, it stays over";
    EXPECT_FALSE(budget.Fits());
}

} // namespace
} // namespace pellicor::test
