// Which steps each mode word runs, seen from outside: the log, the client windows the launcher
// closes, the registry it writes and the command line it starts the client with.
#include "tests/win/launcher/LauncherHarness.h"
#include "tests/win/launcher/StandInWindow.h"

#include "launcher/core/VirtualDriveTable.h"
#include "tests/win/support/ClientSettingsKey.h"
#include "tests/win/support/DesktopShell.h"
#include "tests/win/support/Processes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pellicor::test::launcher
{
namespace
{

bool Contains(const std::vector<std::string>& messages, const std::string& message)
{
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

std::ptrdiff_t IndexOf(const std::vector<std::string>& messages, const std::string& message)
{
    return std::find(messages.begin(), messages.end(), message) - messages.begin();
}

class LauncherModes : public LauncherTest
{
protected:
    ClientSettingsKey settings;
};

TEST_F(LauncherModes, UnknownModeWordsOnlyLogTheCommandLine)
{
    StandInWindow client(kClientClass, kClientTitle);
    // Letter case, a tab instead of the space, a longer or shorter word: none is a mode.
    for (const std::wstring arguments : {L"/install", L"/INSTALL", L"/Install\tS-1-5-21-1-2-3-1001",
                                         L"/Upgrad", L"/UpgradeFullyX", L"/Bogus a b", L"\"/Install\""})
    {
        SCOPED_TRACE(ToUtf8(arguments));
        RemoveLogFiles();
        EXPECT_EQ(folder.Run(arguments), 0u);
        EXPECT_EQ(LogMessages(), std::vector<std::string>{"launcher cmdline: " + ToUtf8(arguments)});
    }
    EXPECT_EQ(client.closes(), 0);
    EXPECT_FALSE(folder.ClientStart());
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

TEST_F(LauncherModes, InstallClosesClientAndEditorAndRegistersNothing)
{
    // Further words are ignored; blanks before the first word never reach the launcher, because the C
    // runtime drops them from the command line it hands to the program's entry point.
    for (const std::wstring tail : {L" /Install", L" /Install S-1-5-21-1-2-3-1001 more", L"   /Install"})
    {
        SCOPED_TRACE(ToUtf8(tail));
        StandInWindow client(kClientClass, kClientTitle);
        StandInWindow editor(kEditorClass, kEditorTitle);
        StandInWindow lookalike(L"PellicorLookalike", kClientTitle);
        RemoveLogFiles();
        EXPECT_EQ(folder.RunWithTail(tail), 0u);
        EXPECT_EQ(client.closes(), 1);
        EXPECT_EQ(editor.closes(), 1);
        EXPECT_EQ(lookalike.closes(), 0) << "same title, other class: not the client";

        const auto messages = LogMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], "launcher cmdline: " + ToUtf8(tail.substr(tail.find_first_not_of(L' '))));
    }
    EXPECT_FALSE(folder.ClientStart());
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

// A client whose window thread hangs is killed with exit code 1 within the minute an installer may
// wait; a client that takes its time over WM_CLOSE still closes by itself.
TEST_F(LauncherModes, InstallEndsAHungClientAndLetsASlowOneClose)
{
    constexpr ULONGLONG kInstallBoundMs = 60000;
    for (const auto& [mode, exitCode] : {std::pair<const wchar_t*, DWORD>{L"hang", 1}, {L"slow 1500", 0}})
    {
        SCOPED_TRACE(ToUtf8(mode));
        const UniqueKernelHandle client =
            StartProcess(folder.client(), L"drovana.exe --window " + std::wstring(mode));
        ASSERT_TRUE(client);
        ASSERT_TRUE(WaitForWindow(kClientClass, kClientTitle));

        const ULONGLONG start = ::GetTickCount64();
        EXPECT_EQ(folder.Run(L"/Install"), 0u);
        EXPECT_LT(::GetTickCount64() - start, kInstallBoundMs);
        ASSERT_EQ(::WaitForSingleObject(client.get(), 10000), WAIT_OBJECT_0) << "the client still runs";
        DWORD code = 0;
        ::GetExitCodeProcess(client.get(), &code);
        EXPECT_EQ(code, exitCode);
    }
}

TEST_F(LauncherModes, EmptyCommandLineOnlyStartsTheClient)
{
    EXPECT_EQ(folder.RunWithTail(L""), 0u);
    const auto started = folder.WaitForClientStart();
    ASSERT_TRUE(started) << "the client was not started";
    // The launcher passes an empty command line; the platform may put the program's name there.
    EXPECT_TRUE(started->empty() || *started == L"\"" + folder.client() + L"\"") << ToUtf8(*started);

    const auto messages = LogMessages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0], "launcher cmdline: ");
    EXPECT_FALSE(Contains(messages, "start write installer reg."));
    EXPECT_FALSE(Contains(messages, "CreateVirtualDisk return: true"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

TEST_F(LauncherModes, CreateVirtualDiskOnlyWritesTheUsersEntries)
{
    settings.SetString(L"syncPath", L"C:\\Sync");
    EXPECT_EQ(folder.Run(L"/CreateVirtualDisk"), 0u);
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveIconKey, nullptr), folder.client() + L", 0");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveTargetKey, L"Target"), L"C:\\Sync");
    // The class itself is not registered in this mode: no placeholders, no shell folder attributes.
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, std::wstring(kClassKey) + L"\\ShellFolder"));
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"launcher cmdline: /CreateVirtualDisk"});
    EXPECT_FALSE(folder.ClientStart());
}

TEST_F(LauncherModes, UpgradeRefreshesTheDriveAndStartsTheClientForUpgrade)
{
    ASSERT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kTestClientKey));
    EXPECT_EQ(folder.Run(L"/Upgrade"), 0u);

    const auto started = folder.WaitForClientStart();
    ASSERT_TRUE(started) << "the client was not started";
    EXPECT_EQ(*started, L" -upgrade");

    const auto messages = LogMessages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0], "launcher cmdline: /Upgrade");
    EXPECT_EQ(messages[1], "CreateVirtualDisk return: true");
    EXPECT_FALSE(Contains(messages, "start write installer reg.")) << "/Upgrade is not /UpgradeFully";

    // Without a sync folder the class keeps its placeholders and only takes the client's icon.
    const std::wstring classKey = kClassKey;
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveIconKey, nullptr), folder.client() + L", 0");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey, nullptr), L"卓瓦纳");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey, L"InfoTip"), L"从这里进入同步目录");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveTargetKey, L"Target"), L"C:\\卓瓦纳");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey + L"\\Instance", L"CLSID"),
              L"{0afaced1-e828-11d1-9187-b532f1e9575d}");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", nullptr), L"shdocvw.dll");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", L"ThreadingModel"),
              L"Apartment");
    EXPECT_EQ(ReadRegNumber(HKEY_CLASSES_ROOT, classKey + L"\\ShellFolder", L"Attributes"), 0xF8800108u);
    for (const wchar_t* flag : {L"wantsFORPARSING", L"QueryForOverlay", L"PinToNameSpaceTree"})
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey + L"\\ShellFolder", flag), L"") << ToUtf8(flag);

    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kTestClientKey)) << "reading the settings creates their key";
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kNameSpace));
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kPlacesBar, L"place0"));
}

TEST_F(LauncherModes, UpgradeFullyAlsoRegistersAndEndsEveryExplorer)
{
    // The session's desktop shell is shielded while the launcher runs; a stand-in plays an Explorer
    // that can be ended.
    ExplorerStandIn explorer;
    ASSERT_TRUE(explorer.started());
    EXPECT_EQ(folder.Run(L"/UpgradeFully"), 0u);
    EXPECT_NE(explorer.ExitCodeAfterExit(20000), static_cast<DWORD>(STILL_ACTIVE))
        << "the Explorer was not ended";

    const auto messages = LogMessages();
    ASSERT_GE(messages.size(), 4u);
    EXPECT_EQ(messages[0], "launcher cmdline: /UpgradeFully");
    EXPECT_EQ(messages[1], "CreateVirtualDisk return: true");
    EXPECT_EQ(messages[2], "start write installer reg.");
    const auto registered = IndexOf(messages, "end write reg.");
    EXPECT_LT(IndexOf(messages, "start write installer reg."), registered);
    // The menu package next, for the Windows that Wine reports: before Windows 11 it is skipped.
    ASSERT_LT(registered + 1, static_cast<std::ptrdiff_t>(messages.size()));
    EXPECT_EQ(messages[registered + 1].rfind("menu package: register skipped, Windows build ", 0), 0u)
        << messages[registered + 1];
    // One line per Explorer found, each after the registration.
    std::vector<std::string> restarts;
    for (std::size_t i = 0; i < messages.size(); ++i)
    {
        if (messages[i].rfind("found explorer and restart: ", 0) == 0)
        {
            restarts.push_back(messages[i]);
            EXPECT_GT(static_cast<std::ptrdiff_t>(i), registered) << messages[i];
        }
    }
    std::sort(restarts.begin(), restarts.end());
    EXPECT_EQ(restarts, (std::vector<std::string>{"found explorer and restart: false",
                                                  "found explorer and restart: true"}));

    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, DROVANA_OVERLAY_ICONS_KEY, L"SyncedIcon"),
              folder.path() + L"Icons\\Synced.ico");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kDriveIconKey, nullptr), folder.client() + L", 0");
}

} // namespace
} // namespace pellicor::test::launcher
