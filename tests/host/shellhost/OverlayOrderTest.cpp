#include "shellhost/OverlayOrder.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

using namespace pellicor::shellhost;

TEST(OverlayOrder, RegistryOrderPutsLeadingSpacesFirstAndIgnoresLetterCase)
{
    EXPECT_TRUE(RegistryNameLess(L"     !YelvashSynced", L"!!!YelvashSynced"));
    EXPECT_TRUE(RegistryNameLess(L"      OneDrive1", L"     !YelvashSynced")); // six spaces beat five
    EXPECT_TRUE(RegistryNameLess(L"!!!YelvashSynced", L"1TortoiseNormal"));
    EXPECT_TRUE(RegistryNameLess(L"dropboxExt01", L"DropboxExt02"));
    EXPECT_FALSE(RegistryNameLess(L"ABC", L"abc"));
    EXPECT_FALSE(RegistryNameLess(L"abc", L"ABC"));
    EXPECT_TRUE(RegistryNameLess(L"Tortoise", L"TortoiseAdded")); // a prefix comes first
    // Windows folds to upper case: '_' (0x5F) sorts after every letter, '[' too.
    EXPECT_TRUE(RegistryNameLess(L"zed", L"_first"));
    EXPECT_TRUE(RegistryNameLess(L"Zed", L"[x"));
}

TEST(OverlayOrder, RanksFollowRegistryOrderAndOnlyElevenGetSlots)
{
    std::vector<RegisteredOverlay> registered = {{L"     !YelvashSyncing", L"{B4}"},
                                                 {L"     !YelvashSynced", L"{B6}"},
                                                 {L"     !YelvashInvalid", L"{B7}"}};
    for (int i = 1; i <= 9; ++i)
        registered.push_back({L"      OneDrive" + std::to_wstring(i), L"{OD}"});
    const auto ranked = RankOverlays(registered);
    ASSERT_EQ(ranked.size(), 12u);
    EXPECT_EQ(ranked[0].registered.name, L"      OneDrive1");
    EXPECT_EQ(ranked[9].registered.name, L"     !YelvashInvalid");
    EXPECT_EQ(ranked[9].rank, 10);
    EXPECT_EQ(ranked[10].registered.name, L"     !YelvashSynced");
    EXPECT_TRUE(ranked[10].inSlots);
    EXPECT_EQ(ranked[11].registered.name, L"     !YelvashSyncing");
    EXPECT_EQ(ranked[11].registered.target, L"{B4}");
    EXPECT_FALSE(ranked[11].inSlots);
    EXPECT_EQ(kHandlerSlots, 11);
}

TEST(OverlayOrder, DrawnOverlayIsTheLoadedMemberWithTheBestPriorityFirstLoadedOnTies)
{
    EXPECT_FALSE(ChooseDrawnOverlay({}).has_value());
    EXPECT_FALSE(ChooseDrawnOverlay({{true, false, 0}, {false, true, 0}}).has_value()); // not loaded: ignored
    EXPECT_EQ(ChooseDrawnOverlay({{true, true, 10}, {true, true, 2}, {true, false, 0}}), 1u);
    EXPECT_EQ(ChooseDrawnOverlay({{true, true, 5}, {true, true, 5}}), 0u);
    EXPECT_EQ(ChooseDrawnOverlay({{false, true, 0}, {true, true, 100}}), 1u);
}

} // namespace
} // namespace pellicor::test
