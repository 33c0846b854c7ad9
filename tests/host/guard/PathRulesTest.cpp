#include "shellext/guard/GuardRules.h"
#include "shellext/guard/PathRules.h"

#include <gtest/gtest.h>

#include <string>

namespace pellicor::test
{
namespace
{

const std::wstring kSync = L"D:\\Sync\\";
const std::wstring kShares = L"D:\\Sync\\收到的共享";
const std::wstring kCompany = L"D:\\Sync\\公司文件";

TEST(PathRules, TrimAndFoldTouchOnlyWhatTheyMust)
{
    EXPECT_EQ(TrimTrailingBackslashes(L"D:\\Sync\\\\\\"), L"D:\\Sync");
    EXPECT_EQ(TrimTrailingBackslashes(L"\\\\\\"), L"");
    EXPECT_EQ(TrimTrailingBackslashes(L"\\\\server\\share"), L"\\\\server\\share");
    EXPECT_EQ(FoldAsciiCase(L"AZaz@[`{ÀÉ收"), L"azaz@[`{ÀÉ收");
    EXPECT_TRUE(EqualsFolded(L"D:\\SYNC", L"d:\\sync"));
    EXPECT_FALSE(EqualsFolded(L"D:\\SYNCÉ", L"d:\\syncé"));
    EXPECT_FALSE(StartsWithFolded(L"D:\\S", L"D:\\Sync"));
}

TEST(PathRules, SyncRootIgnoresCaseAndTrailingBackslashes)
{
    EXPECT_TRUE(IsSyncRoot(L"D:\\Sync", kSync));
    EXPECT_TRUE(IsSyncRoot(L"d:\\sync\\", kSync));
    EXPECT_TRUE(IsSyncRoot(L"d:\\SYNC\\\\", L"D:\\Sync"));
    EXPECT_FALSE(IsSyncRoot(L"D:\\Sync2", kSync));
    EXPECT_FALSE(IsSyncRoot(L"D:\\Sync\\A", kSync));
    // Only A-Z fold: an accented capital matches only itself.
    EXPECT_TRUE(IsSyncRoot(L"d:\\Été", L"D:\\Été"));
    EXPECT_FALSE(IsSyncRoot(L"D:\\été", L"D:\\Été"));
}

TEST(PathRules, InsideNeedsTheSyncFolderAndABackslash)
{
    EXPECT_TRUE(IsInsideSyncRoot(L"D:\\Sync\\A", kSync));
    EXPECT_TRUE(IsInsideSyncRoot(L"d:\\SYNC\\a\\b", L"D:\\Sync"));
    EXPECT_FALSE(IsInsideSyncRoot(L"D:\\Sync", kSync));
    EXPECT_FALSE(IsInsideSyncRoot(L"D:\\Sync2\\A", kSync));
    EXPECT_FALSE(IsInsideSyncRoot(L"", kSync));
    // The path itself is not trimmed: the sync folder written with its backslash is "inside".
    EXPECT_TRUE(IsInsideSyncRoot(L"D:\\Sync\\", kSync));
}

TEST(PathRules, SystemFolders)
{
    EXPECT_TRUE(IsReceivedSharesFolder(L"D:\\SYNC\\收到的共享", kSync));
    EXPECT_TRUE(IsReceivedSharesFolder(L"D:\\Sync\\收到的共享\\\\", L"D:\\Sync"));
    EXPECT_FALSE(IsReceivedSharesFolder(L"D:\\Sync\\收到的共享\\Team", kSync));
    EXPECT_FALSE(IsReceivedSharesFolder(kCompany, kSync));
    EXPECT_TRUE(IsCompanyFilesFolder(L"d:\\sync\\公司文件\\", kSync));
    EXPECT_FALSE(IsCompanyFilesFolder(L"E:\\Sync\\公司文件", kSync));
}

TEST(PathRules, SharedAndCompanyFoldersAreDirectChildren)
{
    EXPECT_TRUE(IsSharedFolder(L"D:\\Sync\\收到的共享\\Team", kSync));
    EXPECT_TRUE(IsSharedFolder(L"d:\\SYNC\\收到的共享\\Team", L"D:\\Sync"));
    EXPECT_FALSE(IsSharedFolder(L"D:\\Sync\\收到的共享\\Team\\Sub", kSync));
    EXPECT_FALSE(IsSharedFolder(L"D:\\Sync\\收到的共享\\Team\\", kSync));
    // The received-shares folder written with a backslash is both kinds at once.
    EXPECT_TRUE(IsSharedFolder(L"D:\\Sync\\收到的共享\\", kSync));
    EXPECT_TRUE(IsReceivedSharesFolder(L"D:\\Sync\\收到的共享\\", kSync));
    EXPECT_FALSE(IsSharedFolder(L"D:\\Sync\\收到的共享", kSync));
    EXPECT_FALSE(IsSharedFolder(L"D:\\Sync\\公司文件\\Team", kSync));
    EXPECT_TRUE(IsCompanyFolder(L"D:\\Sync\\公司文件\\Sales", kSync));
    EXPECT_FALSE(IsCompanyFolder(L"D:\\Sync\\公司文件\\Sales\\2024", kSync));
    EXPECT_FALSE(IsCompanyFolder(L"D:\\Sync\\收到的共享\\Sales", kSync));
}

// With no sync folder configured nothing is guarded by place, network paths included.
TEST(PathRules, EmptySyncFolderPlacesNothing)
{
    for (const std::wstring& sync : {std::wstring(), std::wstring(L"\\\\")})
    {
        for (const wchar_t* path : {L"", L"\\", L"\\\\server\\share", L"\\收到的共享", L"\\收到的共享\\Team",
                                    L"\\公司文件\\Sales", L"D:\\Sync"})
        {
            EXPECT_FALSE(IsSyncRoot(path, sync)) << path;
            EXPECT_FALSE(IsInsideSyncRoot(path, sync)) << path;
            EXPECT_FALSE(IsReceivedSharesFolder(path, sync)) << path;
            EXPECT_FALSE(IsCompanyFilesFolder(path, sync)) << path;
            EXPECT_FALSE(IsSharedFolder(path, sync)) << path;
            EXPECT_FALSE(IsCompanyFolder(path, sync)) << path;
        }
    }
}

TEST(PathRules, FileNameAndParent)
{
    EXPECT_EQ(FileNameOf(L"D:\\Sync\\A"), L"A");
    EXPECT_EQ(FileNameOf(L"A"), L"A");
    EXPECT_EQ(FileNameOf(L"D:\\Sync\\"), L"");
    EXPECT_EQ(FileNameOf(L""), L"");
    EXPECT_EQ(ParentOf(L"D:\\Sync\\A"), L"D:\\Sync");
    EXPECT_EQ(ParentOf(L"\\A"), L"");
    EXPECT_EQ(ParentOf(L"A"), L"");
    EXPECT_EQ(ParentOf(L"D:\\Sync\\"), L"D:\\Sync");
    EXPECT_EQ(ParentOf(L"\\\\\\"), L"\\\\");
    EXPECT_EQ(ParentOf(L""), L"");
}

TEST(PathRules, VeryLongPathsAreHandledWhole)
{
    std::wstring deep = L"D:\\Sync\\收到的共享\\" + std::wstring(40000, L'x');
    EXPECT_TRUE(IsSharedFolder(deep, kSync));
    EXPECT_TRUE(IsInsideSyncRoot(deep, kSync));
    EXPECT_EQ(FileNameOf(deep).size(), 40000u);
    std::wstring longSync = L"D:\\" + std::wstring(40000, L'S');
    EXPECT_TRUE(IsSyncRoot(longSync + L"\\", longSync));
    EXPECT_FALSE(IsInsideSyncRoot(longSync, longSync));
}

TEST(ClientExemption, MatchesTheClientProgramInAnyAsciiCase)
{
    EXPECT_TRUE(IsClientExecutable(L"C:\\Program Files\\Drovana\\drovana.exe"));
    EXPECT_TRUE(IsClientExecutable(L"D:\\elsewhere\\DROVANA.EXE"));
    EXPECT_TRUE(IsClientExecutable(L"DroVana.Exe"));
    EXPECT_FALSE(IsClientExecutable(L"C:\\drovana.exe\\explorer.exe"));
    EXPECT_FALSE(IsClientExecutable(L"C:\\Windows\\explorer.exe"));
    EXPECT_FALSE(IsClientExecutable(L"C:\\x\\drovana.exe "));
    EXPECT_FALSE(IsClientExecutable(L"C:\\x\\"));
    EXPECT_FALSE(IsClientExecutable(L""));
}

} // namespace
} // namespace pellicor::test
