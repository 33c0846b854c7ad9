// The not-captured list on the real registry of the throwaway prefix.
#include "shellext/guard/NotCapturedList.h"
#include "tests/win/guard/NotCapturesKey.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace pellicor::test
{
namespace
{

class NotCapturedListTest : public ::testing::Test
{
protected:
    ClientSettingsKey settings; // removes the client key, the list with it, before and after
};

TEST_F(NotCapturedListTest, MissingKeyIsCreatedEmpty)
{
    ASSERT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kListKey));
    NotCapturedList list;
    EXPECT_FALSE(list.Load());
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kListKey));
    EXPECT_FALSE(list.Contains(L"D:\\Sync\\Team"));
    EXPECT_EQ(list.Size(), 0u);
    // Now it exists: loading succeeds, still empty.
    EXPECT_TRUE(list.Load());
    EXPECT_EQ(list.Size(), 0u);
}

TEST_F(NotCapturedListTest, EntriesMatchExactly)
{
    SetListValue(L"D:\\Sync\\Team", L"shared by Bob");
    SetListValue(L"D:\\Sync\\Docs", L"");
    SetListValue(L"", L"0");
    NotCapturedList list;
    ASSERT_TRUE(list.Load());
    EXPECT_EQ(list.Size(), 2u) << "the default value is the flag, never an entry";
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\Team"));
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\Docs"));
    EXPECT_FALSE(list.Contains(L"d:\\sync\\team"));
    EXPECT_FALSE(list.Contains(L"D:\\Sync\\Team\\"));
    EXPECT_FALSE(list.Contains(L""));
}

TEST_F(NotCapturedListTest, RaisedFlagReloadsAndIsLowered)
{
    SetListValue(L"D:\\Sync\\Team", L"");
    SetListValue(L"", L"0");
    NotCapturedList list;
    ASSERT_TRUE(list.Load());

    // The client adds an entry: without the flag this list does not see it...
    SetListValue(L"D:\\Sync\\New", L"");
    EXPECT_FALSE(list.Contains(L"D:\\Sync\\New"));
    EXPECT_EQ(ListFlag(), L"0");
    // ... with the flag raised it reloads, and lowers the flag.
    SetListValue(L"", L"1");
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\New"));
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\Team"));
    EXPECT_EQ(ListFlag(), L"0");
}

TEST_F(NotCapturedListTest, OnlyTheExactFlagOneCounts)
{
    SetListValue(L"D:\\Sync\\Team", L"");
    for (const wchar_t* flag : {L"10", L" 1", L"1 ", L"01", L""})
    {
        SetListValue(L"", flag);
        NotCapturedList list;
        list.Load();
        EXPECT_TRUE(list.Contains(L"D:\\Sync\\Team"));
        EXPECT_EQ(ListFlag(), flag) << "left as it was";
    }
    const DWORD one = 1;
    SetRegRaw(HKEY_CURRENT_USER, kListKey, nullptr, REG_DWORD, &one, sizeof one);
    NotCapturedList list;
    list.Load();
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\Team"));
    EXPECT_EQ(ListFlag(), L"<none>") << "a number is not the flag and is not rewritten";
}

TEST_F(NotCapturedListTest, OversizedNamesAndTextsDoNotStopTheWalk)
{
    const std::wstring longName = L"D:\\Sync\\" + std::wstring(300, L'n');
    SetListValue(longName, L"");
    SetListValue(L"D:\\Sync\\LongText", std::wstring(400, L't'));
    SetListValue(L"D:\\Sync\\Team", L"");
    NotCapturedList list;
    ASSERT_TRUE(list.Load());
    EXPECT_FALSE(list.Contains(longName));
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\LongText"));
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\Team"));
}

// The client replaces the whole key while shell threads read it: every load must end.
TEST_F(NotCapturedListTest, KeyDeletedWhileReadDoesNotHangTheLoad)
{
    std::atomic<bool> stop{false};
    std::thread client(
        [&]
        {
            while (!stop)
            {
                DeleteRegKey(HKEY_CURRENT_USER, kListKey);
                for (int i = 0; i < 40; ++i)
                    SetListValue(L"D:\\Sync\\F" + std::to_wstring(i), L"x");
            }
        });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int loads = 0;
    while (std::chrono::steady_clock::now() < until)
    {
        NotCapturedList list;
        list.Load();
        EXPECT_LE(list.Size(), 40u);
        ++loads;
    }
    stop = true;
    client.join();
    EXPECT_GT(loads, 0);
}

} // namespace
} // namespace pellicor::test
