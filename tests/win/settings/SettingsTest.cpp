// The client's settings read from a real registry: defaults, wrong types, empty and cut data.
#include "shellext/settings/Settings.h"
#include "tests/win/support/ClientSettingsKey.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

class SettingsTest : public ::testing::Test
{
protected:
    ClientSettingsKey settings;
};

TEST_F(SettingsTest, SyncFolderNeedsASignedInUser)
{
    EXPECT_EQ(SyncFolderPath(), L"");

    settings.SetString(L"syncPath", L"D:\\Sync\\");
    EXPECT_EQ(SyncFolderPath(), L"") << "no user name";
    settings.SetString(L"username", L"");
    EXPECT_EQ(SyncFolderPath(), L"") << "empty user name";

    settings.SetString(L"username", L"alice");
    EXPECT_EQ(SyncFolderPath(), L"D:\\Sync\\") << "returned as stored, trailing backslash kept";

    settings.Delete(L"syncPath");
    EXPECT_EQ(SyncFolderPath(), L"") << "user without a sync folder";
}

TEST_F(SettingsTest, SyncFolderOfTheWrongTypeIsMissing)
{
    settings.SetString(L"username", L"alice");
    settings.SetString(L"syncPath", L"%USERPROFILE%\\Sync", REG_EXPAND_SZ);
    EXPECT_EQ(SyncFolderPath(), L"");

    settings.SetString(L"username", L"alice", REG_EXPAND_SZ);
    settings.SetString(L"syncPath", L"D:\\Sync");
    EXPECT_EQ(SyncFolderPath(), L"") << "a user name of the wrong type counts as no user";
}

TEST_F(SettingsTest, StringsEndAtTheirFirstNulOrAtTheEndOfTheData)
{
    settings.SetString(L"username", L"alice");
    const wchar_t withGarbage[] = L"D:\\Sync\0garbage";
    settings.SetRaw(L"syncPath", REG_SZ, withGarbage, sizeof withGarbage);
    EXPECT_EQ(SyncFolderPath(), L"D:\\Sync");

    const wchar_t unterminated[] = {L'E', L':', L'\\', L'S'};
    settings.SetRaw(L"syncPath", REG_SZ, unterminated, sizeof unterminated);
    EXPECT_EQ(SyncFolderPath(), L"E:\\S");

    const char odd[] = {'F', 0, ':', 0, 'x'}; // a stray byte is not half a character
    settings.SetRaw(L"syncPath", REG_SZ, odd, sizeof odd);
    EXPECT_EQ(SyncFolderPath(), L"F:");
}

TEST_F(SettingsTest, QueryHelpersLeaveTheOutputAloneOnFailure)
{
    settings.SetRaw(L"empty", REG_SZ, nullptr, 0);
    settings.SetDword(L"number", 7);
    settings.SetString(L"text", L"7");
    const DWORD shortData = 0x0804;
    settings.SetRaw(L"short", REG_DWORD, &shortData, 2);

    UniqueKey key;
    ASSERT_TRUE(OpenKeyForRead(HKEY_CURRENT_USER, kClientKeyPath, key));
    std::wstring text = L"before";
    EXPECT_FALSE(QueryRegistryString(key.get(), L"empty", text));
    EXPECT_FALSE(QueryRegistryString(key.get(), L"number", text));
    EXPECT_FALSE(QueryRegistryString(key.get(), L"absent", text));
    EXPECT_EQ(text, L"before");
    EXPECT_TRUE(QueryRegistryString(key.get(), L"text", text));
    EXPECT_EQ(text, L"7");

    DWORD number = 42;
    EXPECT_FALSE(QueryRegistryDword(key.get(), L"text", number));
    EXPECT_FALSE(QueryRegistryDword(key.get(), L"short", number));
    EXPECT_EQ(number, 42u);
    EXPECT_TRUE(QueryRegistryDword(key.get(), L"number", number));
    EXPECT_EQ(number, 7u);
}

TEST_F(SettingsTest, MissingKeyIsCreatedEmptyAndReadsAsMissing)
{
    ASSERT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kClientKeyPath));
    UniqueKey key;
    EXPECT_FALSE(OpenKeyForRead(HKEY_CURRENT_USER, kClientKeyPath, key));
    EXPECT_TRUE(key) << "the created key is handed back for the caller to close";
    key.reset();
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kClientKeyPath));
    EXPECT_TRUE(OpenKeyForRead(HKEY_CURRENT_USER, kClientKeyPath, key));
}

TEST_F(SettingsTest, LanguageDefaultsToEnglishAndAcceptsOnlyANumber)
{
    EXPECT_EQ(ReadLanguageId(), 1033u) << "no client key";
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kClientKeyPath)) << "left behind, empty";
    EXPECT_EQ(ReadLanguageId(), 1033u) << "no value";

    for (DWORD language : {2052u, 0u, 1041u, 1033u})
    {
        settings.SetDword(L"DrovanaLanguage", language);
        EXPECT_EQ(ReadLanguageId(), language);
    }

    settings.SetString(L"DrovanaLanguage", L"2052");
    EXPECT_EQ(ReadLanguageId(), 1033u) << "a language stored as text is not accepted";
    const unsigned long long wide = 2052;
    settings.SetRaw(L"DrovanaLanguage", REG_QWORD, &wide, sizeof wide);
    EXPECT_EQ(ReadLanguageId(), 1033u);
}

TEST_F(SettingsTest, UserProfileKeepsTheCallersValuesWhenMissing)
{
    std::wstring nick = L"old nick", avatar = L"old.png";
    EXPECT_FALSE(ReadUserProfile(&nick, &avatar)) << "no client key";
    EXPECT_EQ(nick, L"old nick");

    settings.SetString(L"NickName", L"Alice");
    settings.SetString(L"AvatarPath", L"C:\\pics\\alice.png");
    EXPECT_TRUE(ReadUserProfile(&nick, &avatar));
    EXPECT_EQ(nick, L"Alice");
    EXPECT_EQ(avatar, L"C:\\pics\\alice.png");

    settings.Delete(L"NickName");
    settings.SetString(L"AvatarPath", L"C:\\pics\\x.png", REG_EXPAND_SZ);
    EXPECT_TRUE(ReadUserProfile(&nick, &avatar));
    EXPECT_EQ(nick, L"Alice");
    EXPECT_EQ(avatar, L"C:\\pics\\alice.png");

    EXPECT_TRUE(ReadUserProfile(nullptr, nullptr));
}

TEST_F(SettingsTest, ClientExecutableFromAppPaths)
{
    const RegistryScope appPath(HKEY_LOCAL_MACHINE, kTestAppPathKey);
    EXPECT_EQ(ReadClientExecutablePath(), L"");

    const std::wstring path = L"C:\\Program Files\\Drovana\\drovana.exe";
    appPath.SetString(L"", path);
    EXPECT_EQ(ReadClientExecutablePath(), path);

    appPath.SetString(L"", path, REG_EXPAND_SZ);
    EXPECT_EQ(ReadClientExecutablePath(), L"") << "not expanded, not accepted";
}

} // namespace
} // namespace pellicor::test
