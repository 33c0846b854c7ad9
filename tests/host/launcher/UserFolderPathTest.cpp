#include "launcher/core/UserFolderPath.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

using Names = std::vector<std::wstring>;

TEST(UserFolderPath, FoldersBelowTheProfileOnly)
{
    const std::wstring profile = L"C:\\Users\\u1";
    EXPECT_EQ(drovana::FoldersBelow(profile, L"C:\\Users\\u1\\AppData\\Roaming"),
              (Names{L"AppData", L"Roaming"}));
    EXPECT_EQ(drovana::FoldersBelow(profile + L"\\", L"c:\\users\\U1\\Links\\"), Names{L"Links"});
    EXPECT_EQ(drovana::FoldersBelow(profile, profile), Names{});

    // Outside the profile, or leading out of it on the way: no folder list at all.
    for (const wchar_t* outside :
         {L"C:\\Users\\u10\\AppData", L"C:\\Users", L"D:\\Redirected\\AppData", L"C:\\Users\\u1\\..\\u2",
          L"C:\\Users\\u1\\.\\AppData", L"C:\\Users\\u1\\\\x", L"C:\\Users\\u1\\AppData\\..", L""})
        EXPECT_FALSE(drovana::FoldersBelow(profile, outside))
            << testing::PrintToString(std::wstring(outside));
    EXPECT_FALSE(drovana::FoldersBelow(L"", L"C:\\x"));
    // One name inside a folder: nothing that reaches another folder or object.
    EXPECT_TRUE(drovana::IsPlainName(L"FileSync.archieve.log"));
    for (const wchar_t* name : {L"", L".", L"..", L"a\\b", L"a/b", L"log:stream"})
        EXPECT_FALSE(drovana::IsPlainName(name)) << testing::PrintToString(std::wstring(name));
    // Letters outside A-Z must match exactly.
    EXPECT_FALSE(drovana::FoldersBelow(L"C:\\Users\\\u00e9", L"C:\\Users\\\u00c9\\x"));
}

TEST(UserFolderPath, ReportedPathsCompareWithoutPrefixAndCase)
{
    EXPECT_TRUE(drovana::SameReportedPath(L"\\\\?\\C:\\Users\\u1\\AppData", L"c:\\users\\U1\\AppData\\"));
    EXPECT_TRUE(drovana::SameReportedPath(L"\\\\?\\UNC\\server\\share\\u1", L"\\\\server\\share\\u1"));
    EXPECT_FALSE(
        drovana::SameReportedPath(L"\\\\?\\C:\\outside", L"C:\\Users\\u1\\AppData\\Roaming\\Pellicor"));
    EXPECT_FALSE(drovana::SameReportedPath(L"\\\\?\\C:\\Users\\u1\\x", L"C:\\Users\\u1\\x\\y"));
    EXPECT_FALSE(drovana::SameReportedPath(L"C:\\\u00e9", L"C:\\\u00c9"));
}

} // namespace
} // namespace pellicor::test
