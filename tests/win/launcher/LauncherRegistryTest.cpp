// What the launcher leaves in the registry: the shell registration written by "/Commit" and taken
// away by "/Uninstall", and the virtual drive entries for the right user in the right language.
#include "tests/win/launcher/LauncherHarness.h"

#include "common/UniqueHandle.h"
#include "tests/win/support/ClientSettingsKey.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <map>

namespace pellicor::test::launcher
{
namespace
{

constexpr const wchar_t* kOverlayIds =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\\";
constexpr const wchar_t* kApproved =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr const wchar_t* kOtherApproval = L"{00000000-1111-2222-3333-444444444444}";
constexpr const wchar_t* kOldOverlayNames[] = {L"!!!YelvashSynced", L"!!!YelvashSyncing",
                                               L"!!!YelvashInvalid"};
constexpr const wchar_t* kCopyHook = L"{E3A90C52-71B4-4d6e-8F21-5C0B7D93A418}";
constexpr const wchar_t* kSynced = L"{9C4E21B6-5A1D-4E7C-A2F8-3D6B90E4C1F5}";
constexpr const wchar_t* kSyncing = L"{9C4E21B4-5A1D-4E7C-A2F8-3D6B90E4C1F5}";
constexpr const wchar_t* kInvalid = L"{9C4E21B7-5A1D-4E7C-A2F8-3D6B90E4C1F5}";

// One value of the shell registration, spelled out here on its own like the keys.
struct Registered
{
    const char* row; // the installer row that writes it
    HKEY root;
    std::wstring key;
    const wchar_t* value; // nullptr: the key's unnamed value
    std::wstring data;
};

std::vector<Registered> Registration(const std::wstring& launcherFolder)
{
    const HKEY cr = HKEY_CLASSES_ROOT, lm = HKEY_LOCAL_MACHINE;
    const std::wstring library = ShellFolder(CSIDL_APPDATA) + L"\\Pellicor\\PellicorOverlays_x64_10060.dll",
                       hook = std::wstring(L"CLSID\\") + kCopyHook,
                       helper = L"CLSID\\{4F7B2D91-0E6C-4A38-B5D2-9A1C6E08F37B}",
                       icons = L"SOFTWARE\\PellicorOverlays";
    std::vector<Registered> values = {
        {"1", cr, L"Directory\\Shellex\\CopyHookHandlers\\PellicorCopyHook", nullptr, kCopyHook},
        {"2", cr, hook, nullptr, L"CopyHook"},
        {"3", cr, hook + L"\\InProcServer32", nullptr, library},
        {"4", cr, hook + L"\\InProcServer32", L"ThreadingModel", L"Apartment"},
        {"5", cr, hook + L"\\ProgID", nullptr, L"quorvi84.CopyHook.1"},
        {"6", cr, L"quorvi84.CopyHook.1", nullptr, L"CopyHook"},
        {"7", cr, L"quorvi84.CopyHook.1\\CLSID", nullptr, kCopyHook},
        {"8", lm,
         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\"
         L"{4F7B2D91-0E6C-4A38-B5D2-9A1C6E08F37B}",
         nullptr, L"DrovanaStatBHO"},
        {"9", cr, helper, nullptr, L"DrovanaStatBHO Class"},
        {"10", cr, helper + L"\\InProcServer32", nullptr, library},
        {"11", cr, helper + L"\\InProcServer32", L"ThreadingModel", L"Apartment"},
        {"21", cr, L"AllFileSystemObjects\\ShellEx\\ContextMenuHandlers\\PellicorShlExt", nullptr, kSynced},
        {"23", lm, std::wstring(kOverlayIds) + L"     !YelvashSynced", nullptr, kSynced},
        {"24", lm, std::wstring(kOverlayIds) + L"     !YelvashSyncing", nullptr, kSyncing},
        {"25", lm, std::wstring(kOverlayIds) + L"     !YelvashInvalid", nullptr, kInvalid},
        {"26", lm, icons, L"SyncedIcon", launcherFolder + L"Icons\\Synced.ico"},
        {"27", lm, icons, L"SyncingIcon", launcherFolder + L"Icons\\Syncing.ico"},
        {"28", lm, icons, L"InvalidIcon", launcherFolder + L"Icons\\Invalid.ico"},
        {"30", lm, kApproved, kSynced, L"PellicorOverlays"},
        {"31", lm, kApproved, kSyncing, L"PellicorOverlays"},
        {"32", lm, kApproved, kInvalid, L"PellicorOverlays"},
    };
    // Rows 12 to 20: the three overlay classes.
    const char* const rows[] = {"12", "15", "18"};
    for (int i = 0; i < 3; ++i)
    {
        const std::wstring overlay = std::wstring(L"CLSID\\") + (i == 0   ? kSynced
                                                                 : i == 1 ? kSyncing
                                                                          : kInvalid);
        values.push_back({rows[i], cr, overlay, nullptr, L"PellicorOverlays"});
        values.push_back({rows[i], cr, overlay + L"\\InProcServer32", nullptr, library});
        values.push_back({rows[i], cr, overlay + L"\\InProcServer32", L"ThreadingModel", L"Apartment"});
    }
    return values;
}

// Every value under every key of the registration, for comparing one run with the next.
std::map<std::wstring, std::wstring> RegistrationSnapshot(const std::wstring& launcherFolder)
{
    std::map<std::wstring, std::wstring> snapshot;
    for (const Registered& expected : Registration(launcherFolder))
    {
        UniqueKey key;
        const std::wstring prefix =
            (expected.root == HKEY_CLASSES_ROOT ? L"HKCR\\" : L"HKLM\\") + expected.key + L"|";
        if (::RegOpenKeyExW(expected.root, expected.key.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        {
            snapshot[prefix] = L"(missing)";
            continue;
        }
        wchar_t name[256] = {};
        for (DWORD index = 0, length = 256; ::RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr,
                                                            nullptr, nullptr) == ERROR_SUCCESS;
             ++index, length = 256)
        {
            const RegValue value = ReadRegValue(expected.root, expected.key, name).value_or(RegValue{});
            snapshot[prefix + name] =
                std::to_wstring(value.type) + L":" + std::wstring(value.data.begin(), value.data.end());
        }
        for (DWORD index = 0; ::RegEnumKeyW(key.get(), index, name, 256) == ERROR_SUCCESS; ++index)
            snapshot[prefix + L"\\" + name] = L"(subkey)";
    }
    return snapshot;
}

void CreateOldOverlayKeys()
{
    for (const wchar_t* name : kOldOverlayNames)
        SetRegString(HKEY_LOCAL_MACHINE, std::wstring(kOverlayIds) + name, nullptr, L"{old}");
}

class LauncherRegistry : public LauncherTest
{
protected:
    void CleanUp() override
    {
        LauncherTest::CleanUp();
        settings.Clear();
        DeleteRegKey(HKEY_CURRENT_USER, kPlacesBar);
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kApproved, kOtherApproval);
        for (const wchar_t* name : kOldOverlayNames)
            DeleteRegKey(HKEY_LOCAL_MACHINE, std::wstring(kOverlayIds) + name);
        UniqueKey users;
        if (::RegOpenKeyExW(HKEY_USERS, L".DEFAULT", 0, KEY_ALL_ACCESS, users.put()) == ERROR_SUCCESS)
        {
            RemoveLauncherRegistration(users.get());
            DeleteRegKey(users.get(), kTestClientKey);
            DeleteRegKey(users.get(), kPlacesBar);
        }
    }

    // A signed-in English client with a place of the user's own.
    void SignIn() const
    {
        settings.SignIn(L"C:\\Sync Folder");
        SetRegString(HKEY_CURRENT_USER, kPlacesBar, L"place1", L"C:\\Custom place");
    }

    // Every registered value as it must be, but those of the skipped rows, which must be absent; the
    // overlay names of the earlier release and the old icon subkeys are gone.
    void ExpectRegistration(const std::vector<std::string>& skipped = {}) const
    {
        for (const Registered& expected : Registration(folder.path()))
        {
            SCOPED_TRACE("installer row " + std::string(expected.row) + " " + ToUtf8(expected.key));
            if (std::find(skipped.begin(), skipped.end(), expected.row) != skipped.end())
                EXPECT_FALSE(ReadRegValue(expected.root, expected.key, expected.value));
            else
                EXPECT_EQ(ReadRegString(expected.root, expected.key, expected.value), expected.data);
        }
        for (const wchar_t* name : kOldOverlayNames)
            EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, std::wstring(kOverlayIds) + name));
        for (const wchar_t* icon : {L"Synced", L"Syncing", L"Invalid"})
            EXPECT_FALSE(
                RegKeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\PellicorOverlays\\") + icon));
    }

    ClientSettingsKey settings;
};

TEST_F(LauncherRegistry, CommitRegistersEveryValueOnceAndForAll)
{
    CreateOldOverlayKeys();
    SetRegString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\PellicorOverlays\\Synced", L"x", L"old");
    SignIn();
    EXPECT_EQ(folder.Run(L"/Commit"), 0u);
    ExpectRegistration();
    EXPECT_EQ(folder.WaitForClientStart(), L" -launchLocalSyncedFolder") << "the client starts last";

    // The user's virtual drive, in English, with every place set.
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kClassKey, nullptr), L"Drovana");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kClassKey, L"InfoTip"), L"Enter Drovana directory here");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveTargetKey, L"Target"), L"C:\\Sync Folder");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kNameSpace, nullptr), L"pellicor drovana");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kPlacesBar, L"place0"),
              L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::{6A0D3E87-C2F1-4B59-8E36-71D4A2B9C05E}");
    EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, kPlacesBar, L"place1"), 0u);
    EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, kPlacesBar, L"place2"), 5u);
    EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, kPlacesBar, L"place3"), 17u);
    EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, kPlacesBar, L"place4"), 18u);

    const auto once = RegistrationSnapshot(folder.path());
    CreateOldOverlayKeys();
    EXPECT_EQ(folder.Run(L"/Commit"), 0u);
    EXPECT_EQ(RegistrationSnapshot(folder.path()), once) << "a second commit leaves the same registration";
    ExpectRegistration();
}

// A volatile copy-hook class key cannot take the non-volatile InProcServer32 and ProgID subkeys:
// those rows fail, and every other row is still written.
TEST_F(LauncherRegistry, RowsThatCannotBeWrittenLeaveTheOthersWritten)
{
    SignIn();
    const std::wstring copyHookKey = std::wstring(L"CLSID\\") + kCopyHook;
    {
        UniqueKey volatileKey;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, copyHookKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, volatileKey.put(), nullptr),
                  ERROR_SUCCESS);
    }
    EXPECT_EQ(folder.Run(L"/Commit"), 0u);
    ExpectRegistration({"3", "4", "5"});
    const auto messages = LogMessages();
    ASSERT_GE(messages.size(), 5u);
    EXPECT_EQ(messages[0], "launcher cmdline: /Commit");
    EXPECT_EQ(messages[1], "start write installer reg.");
    EXPECT_EQ(messages[2], "AppData Folder: " + ToUtf8(ShellFolder(CSIDL_APPDATA)));
    EXPECT_EQ(messages[3], "end write reg.");
    EXPECT_EQ(messages[4], "CreateVirtualDisk return: true");
    // The shell, shielded while the launcher runs, is the one Explorer found.
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "found explorer and restart: false"), 1);
}

// Removal: the "!!!" names of the earlier release, other approvals and the Approved key itself stay.
TEST_F(LauncherRegistry, UninstallTakesTheRegistrationAway)
{
    SignIn();
    SetRegString(HKEY_LOCAL_MACHINE, kApproved, kOtherApproval, L"Other");
    EXPECT_EQ(folder.Run(L"/Commit"), 0u);
    CreateOldOverlayKeys();
    RemoveLogFiles();
    EXPECT_EQ(folder.Run(L"/Uninstall"), 0u);

    for (const Registered& expected : Registration(folder.path()))
    {
        SCOPED_TRACE("installer row " + std::string(expected.row) + " " + ToUtf8(expected.key));
        if (expected.key == kApproved)
            EXPECT_FALSE(ReadRegValue(expected.root, expected.key, expected.value));
        else
            EXPECT_FALSE(RegKeyExists(expected.root, expected.key));
    }
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kApproved, kOtherApproval), L"Other");
    for (const wchar_t* name : kOldOverlayNames)
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, std::wstring(kOverlayIds) + name));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kNameSpace));
    EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, kPlacesBar, L"place0"), 8u) << "back to Recent Items";
    EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, kPlacesBar, L"place1"), 0u);
    EXPECT_EQ(ReadRegNumber(HKEY_CURRENT_USER, kPlacesBar, L"place4"), 18u);
    EXPECT_EQ(LogMessages().at(0), "launcher cmdline: /Uninstall");
}

// The user's language picks the virtual drive's texts: English for 1033 only.
TEST_F(LauncherRegistry, VirtualDriveTextsFollowTheClientLanguage)
{
    struct Case
    {
        const char* what;
        DWORD type;
        std::vector<BYTE> data; // empty: no value
        bool english;
    };
    // The data as stored, little-endian.
    const Case cases[] = {
        {"1033", REG_DWORD, {0x09, 0x04, 0, 0}, true},
        {"2052", REG_DWORD, {0x04, 0x08, 0, 0}, false},
        {"1041", REG_DWORD, {0x11, 0x04, 0, 0}, false},
        {"missing", REG_NONE, {}, false},
        {"1033 as a string", REG_SZ, {'1', 0, '0', 0, '3', 0, '3', 0, 0, 0}, false},
        {"two bytes of 1033", REG_DWORD, {0x09, 0x04}, false},
        {"1033 in eight bytes", REG_DWORD, {0x09, 0x04, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        settings.Clear();
        settings.SetString(L"syncPath", L"C:\\Sync");
        if (!c.data.empty())
            settings.SetRaw(L"DrovanaLanguage", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        EXPECT_EQ(folder.Run(L"/CreateVirtualDisk"), 0u);
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kClassKey, nullptr), c.english ? L"Drovana" : L"卓瓦纳");
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kClassKey, L"InfoTip"),
                  c.english ? L"Enter Drovana directory here" : L"从这里进入同步目录");
    }
}

TEST_F(LauncherRegistry, VirtualDriveNeedsASyncFolderForMoreThanTheIcon)
{
    for (const bool emptyValue : {false, true})
    {
        SCOPED_TRACE(emptyValue ? "empty syncPath" : "no settings key");
        settings.Clear();
        if (emptyValue)
            settings.SetString(L"syncPath", L"");
        SetRegString(HKEY_CLASSES_ROOT, kClassKey, nullptr, L"before");
        SetRegString(HKEY_CURRENT_USER, kPlacesBar, L"place1", L"C:\\Custom place");

        EXPECT_EQ(folder.Run(L"/CreateVirtualDisk"), 0u);
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveIconKey, nullptr), folder.client() + L", 0");
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kClassKey, nullptr), L"before");
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kNameSpace));
        EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kPlacesBar, L"place1"), L"C:\\Custom place");
        EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kPlacesBar, L"place0"));
        EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kTestClientKey));
    }
}

TEST_F(LauncherRegistry, SyncFolderIsReadWhateverItsTypeUpToTheFirstZero)
{
    struct Case
    {
        const char* what;
        DWORD type;
        std::wstring data; // written without a terminator unless it holds one
        const wchar_t* target;
    };
    const Case cases[] = {
        {"binary without a terminator", REG_BINARY, L"C:\\Binary", L"C:\\Binary"},
        {"expandable with a zero inside", REG_EXPAND_SZ, std::wstring(L"C:\\A\0junk", 9), L"C:\\A"},
        {"string without a terminator", REG_SZ, L"C:\\Unterminated", L"C:\\Unterminated"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        settings.Clear();
        settings.SetRaw(L"syncPath", c.type, c.data.data(),
                        static_cast<DWORD>(c.data.size() * sizeof(wchar_t)));
        EXPECT_EQ(folder.Run(L"/CreateVirtualDisk"), 0u);
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveTargetKey, L"Target"), c.target);
    }
}

TEST_F(LauncherRegistry, TheArgumentWordPicksTheUsersHive)
{
    UniqueKey defaultUser;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_USERS, L".DEFAULT", 0, KEY_ALL_ACCESS, defaultUser.put()), ERROR_SUCCESS);
    SetRegString(defaultUser.get(), kTestClientKey, L"syncPath", L"C:\\Default user");
    settings.SetString(L"syncPath", L"C:\\Current user");

    EXPECT_EQ(folder.Run(L"/CreateVirtualDisk .DEFAULT more words"), 0u);
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveTargetKey, L"Target"), L"C:\\Default user");
    EXPECT_EQ(ReadRegString(defaultUser.get(), kNameSpace, nullptr), L"pellicor drovana");
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kNameSpace));

    // Two spaces: the argument word is empty and the hive is the current user's.
    EXPECT_EQ(folder.Run(L"/CreateVirtualDisk  .DEFAULT"), 0u);
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveTargetKey, L"Target"), L"C:\\Current user");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kNameSpace, nullptr), L"pellicor drovana");
}

TEST_F(LauncherRegistry, AUserWhoseHiveIsNotLoadedGetsOnlyTheFailureLine)
{
    SetRegString(HKEY_CLASSES_ROOT, kDriveIconKey, nullptr, L"before");
    settings.SetString(L"syncPath", L"C:\\Current user");

    EXPECT_EQ(folder.Run(L"/CreateVirtualDisk S-1-5-21-1-2-3-1001"), 0u);
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{"launcher cmdline: /CreateVirtualDisk S-1-5-21-1-2-3-1001",
                                        "RegOpenKeyEx open HKEY_USERS\\S-1-5-21-1-2-3-1001 failed"}));
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveIconKey, nullptr), L"before");
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kNameSpace));
}

} // namespace
} // namespace pellicor::test::launcher
