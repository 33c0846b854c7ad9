// The not-captured list on the real registry of the throwaway prefix.
#include "shellext/guard/NotCapturedList.h"
#include "tests/win/support/ClientSettingsKey.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace pellicor::test
{
namespace
{

const std::wstring kListKey = std::wstring(kTestClientKey) + L"\\NotCaptures";

class NotCapturedListTest : public ::testing::Test
{
protected:
    ClientSettingsKey settings; // removes the client key, the list with it, before and after

    static void SetValue(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ)
    {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kListKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    static void SetFlagDword(DWORD value)
    {
        HKEY key = nullptr;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kListKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr);
        ::RegSetValueExW(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        ::RegCloseKey(key);
    }
    static std::wstring Flag()
    {
        wchar_t value[32] = {};
        DWORD size = sizeof value;
        if (::RegGetValueW(HKEY_CURRENT_USER, kListKey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                           &size) != ERROR_SUCCESS)
            return L"<none>";
        return value;
    }
};

TEST_F(NotCapturedListTest, MissingKeyIsCreatedEmpty)
{
    ASSERT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kListKey.c_str()));
    NotCapturedList list;
    EXPECT_FALSE(list.Load());
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kListKey.c_str()));
    EXPECT_FALSE(list.Contains(L"D:\\Sync\\Team"));
    EXPECT_EQ(list.Size(), 0u);
    // Now it exists: loading succeeds, still empty.
    EXPECT_TRUE(list.Load());
    EXPECT_EQ(list.Size(), 0u);
}

TEST_F(NotCapturedListTest, EntriesMatchExactly)
{
    SetValue(L"D:\\Sync\\Team", L"shared by Bob");
    SetValue(L"D:\\Sync\\Docs", L"");
    SetValue(L"", L"0");
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
    SetValue(L"D:\\Sync\\Team", L"");
    SetValue(L"", L"0");
    NotCapturedList list;
    ASSERT_TRUE(list.Load());

    // The client adds an entry: without the flag this list does not see it...
    SetValue(L"D:\\Sync\\New", L"");
    EXPECT_FALSE(list.Contains(L"D:\\Sync\\New"));
    EXPECT_EQ(Flag(), L"0");
    // ... with the flag raised it reloads, and lowers the flag.
    SetValue(L"", L"1");
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\New"));
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\Team"));
    EXPECT_EQ(Flag(), L"0");
}

TEST_F(NotCapturedListTest, OnlyTheExactFlagOneCounts)
{
    SetValue(L"D:\\Sync\\Team", L"");
    for (const wchar_t* flag : {L"10", L" 1", L"1 ", L"01", L""})
    {
        SetValue(L"", flag);
        NotCapturedList list;
        list.Load();
        EXPECT_TRUE(list.Contains(L"D:\\Sync\\Team"));
        EXPECT_EQ(Flag(), flag) << "left as it was";
    }
    SetFlagDword(1);
    NotCapturedList list;
    list.Load();
    EXPECT_TRUE(list.Contains(L"D:\\Sync\\Team"));
    EXPECT_EQ(Flag(), L"<none>") << "a number is not the flag and is not rewritten";
}

TEST_F(NotCapturedListTest, OversizedNamesAndTextsDoNotStopTheWalk)
{
    const std::wstring longName = L"D:\\Sync\\" + std::wstring(300, L'n');
    SetValue(longName.c_str(), L"");
    SetValue(L"D:\\Sync\\LongText", std::wstring(400, L't'));
    SetValue(L"D:\\Sync\\Team", L"");
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
                DeleteRegKey(HKEY_CURRENT_USER, kListKey.c_str());
                for (int i = 0; i < 40; ++i)
                    SetValue((L"D:\\Sync\\F" + std::to_wstring(i)).c_str(), L"x");
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
