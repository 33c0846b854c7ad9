// Which folders an Explorer window shows inside the sync folder, and when a resize may be reported.
#include "shellext/view/ViewRules.h"

#include <gtest/gtest.h>

namespace pellicor
{
namespace
{

TEST(SyncFolderRule, TheStoredFolderIsFoldedAndEndsInOneBackslash)
{
    EXPECT_EQ(L"c:\\drovana\\", NormaliseSyncFolder(L"C:\\Drovana\\\\\\"));
    EXPECT_EQ(L"c:\\drovana\\", NormaliseSyncFolder(L"C:\\DROVANA"));
    EXPECT_EQ(L"d:\\\u00C4rger\\", NormaliseSyncFolder(L"D:\\\u00C4RGER")) << "only A-Z are folded";
    EXPECT_EQ(L"", NormaliseSyncFolder(L""));
    EXPECT_EQ(L"\\", NormaliseSyncFolder(L"\\\\\\"));
}

TEST(SyncFolderRule, InsideMeansTheFolderOrBelowIt)
{
    const std::wstring sync = NormaliseSyncFolder(L"C:\\Drovana");
    EXPECT_TRUE(IsInsideNormalisedSyncFolder(sync, L"C:\\Drovana"));
    EXPECT_TRUE(IsInsideNormalisedSyncFolder(sync, L"c:\\DROVANA\\Docs"));
    EXPECT_TRUE(IsInsideNormalisedSyncFolder(sync, L"C:\\Drovana\\"));
    EXPECT_FALSE(IsInsideNormalisedSyncFolder(sync, L"C:\\DrovanaOld"));
    EXPECT_FALSE(IsInsideNormalisedSyncFolder(sync, L"C:\\Drovan"));
    EXPECT_FALSE(IsInsideNormalisedSyncFolder(sync, L""));
    EXPECT_FALSE(IsInsideNormalisedSyncFolder(sync, L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"));
}

TEST(SyncFolderRule, WithoutASyncFolderNothingIsInside)
{
    EXPECT_FALSE(IsInsideNormalisedSyncFolder(L"", L"C:\\Drovana"));
    EXPECT_FALSE(IsInsideNormalisedSyncFolder(L"", L""));
    // A stored value of backslashes only names no folder; network paths must not match it.
    const std::wstring backslashes = NormaliseSyncFolder(L"\\\\");
    EXPECT_FALSE(IsInsideNormalisedSyncFolder(backslashes, L"\\\\server\\share"));
    EXPECT_FALSE(IsInsideNormalisedSyncFolder(backslashes, L""));
}

TEST(ResizeQuietTime, TheUnsignedDifferenceDecidesAcrossTheWrap)
{
    EXPECT_FALSE(QuietTimeOver(1400, 1000, 400));
    EXPECT_TRUE(QuietTimeOver(1401, 1000, 400));
    EXPECT_TRUE(QuietTimeOver(200, 0xFFFFFF00u, 400)) << "456 ms across the wrap";
    EXPECT_FALSE(QuietTimeOver(100, 0xFFFFFF00u, 400)) << "356 ms across the wrap";
}

} // namespace
} // namespace pellicor
