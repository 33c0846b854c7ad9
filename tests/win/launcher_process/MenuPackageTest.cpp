// Windows 11's menu package: what the launcher starts as the interactive user to register and remove
// it, recorded through the step's seam, and what the real start gives under Wine, which reports
// Windows 10 and whose powershell.exe is a stub that runs no script.
#include "launcher/MenuPackage.h"
#include "launcher/ProcessToken.h"
#include "tests/win/launcher_process/ChildProcess.h"
#include "tests/win/launcher_process/TestLogSink.h"
#include "tests/win/support/DesktopShell.h"
#include "tests/win/support/TestPaths.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace
{

using namespace pellicor::test;
using namespace pellicor::test::process;
using drovana::UserRun;
using Lines = std::vector<std::string>;

// Spelled out rather than taken from the launcher, so that a slip there fails here.
constexpr const wchar_t* kPowerShell = L"C:\\windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe";
constexpr const wchar_t* kLauncherDirectory = L"C:\\Program Files\\Drovana\\";
constexpr const char* kRegisterLine =
    "menu package: register C:\\Program Files\\Drovana\\PellicorMenu_x64.msix, "
    "external location ";

struct Start
{
    bool withToken;
    std::wstring application;
    std::wstring commandLine;
    DWORD waitMilliseconds;
};
std::vector<Start> g_starts;
UserRun g_answer;

UserRun RecordStart(HANDLE token, const wchar_t* application, const wchar_t* commandLine, DWORD wait)
{
    g_starts.push_back({token != nullptr, application, commandLine, wait});
    return g_answer;
}
DWORD Windows11()
{
    return 22631;
}
DWORD Windows10()
{
    return 19045;
}

class MenuPackage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(EnsureDesktopShell(), 0u); // the user whose package it is
        g_starts.clear();
        g_answer = {UserRun::Outcome::Exited, drovana::kScriptDone};
        TakeLogLines();
        wchar_t appData[MAX_PATH] = {};
        ASSERT_HRESULT_SUCCEEDED(
            ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData));
        m_location = std::wstring(appData) + L"\\Pellicor";
    }

    std::wstring m_location; // the folder of the registered library, without a trailing backslash
    const drovana::MenuPackageSystem m_recorded{&Windows11, &RecordStart};
};

TEST_F(MenuPackage, RegistrationAndRemovalRunPowerShellAsTheUserWithTheirScripts)
{
    drovana::RegisterMenuPackage(kLauncherDirectory, nullptr, m_recorded);
    drovana::RemoveMenuPackage(nullptr, m_recorded);

    ASSERT_EQ(g_starts.size(), 2u);
    const std::wstring scripts[] = {
        drovana::RegisterPackageScript(L"C:\\Program Files\\Drovana\\PellicorMenu_x64.msix", m_location),
        drovana::RemovePackageScript(L"Drovana.PellicorMenu"),
    };
    for (std::size_t i = 0; i < 2; ++i)
    {
        EXPECT_TRUE(g_starts[i].withToken) << "Explorer's token, not the launcher's";
        EXPECT_EQ(g_starts[i].application, kPowerShell);
        EXPECT_EQ(g_starts[i].commandLine, drovana::PowerShellCommandLine(kPowerShell, scripts[i]));
        EXPECT_EQ(g_starts[i].waitMilliseconds, 60000u);
    }
    EXPECT_EQ(TakeLogLines(),
              (Lines{kRegisterLine + pellicor::ToUtf8(m_location), "menu package: register ok",
                     "menu package: remove Drovana.PellicorMenu", "menu package: remove ok"}));
}

TEST_F(MenuPackage, OlderWindowsRunsNothingAndAFailureIsLogged)
{
    const drovana::MenuPackageSystem windows10{&Windows10, &RecordStart};
    drovana::RegisterMenuPackage(kLauncherDirectory, nullptr, windows10);
    drovana::RemoveMenuPackage(nullptr, windows10);
    EXPECT_TRUE(g_starts.empty());
    EXPECT_EQ(TakeLogLines(),
              (Lines{"menu package: register skipped, Windows build 19045 shows the classic menu only",
                     "menu package: remove skipped, Windows build 19045 shows the classic menu only"}));

    g_answer = {UserRun::Outcome::Exited, 0x80073CF3}; // a package the system refuses to update
    drovana::RegisterMenuPackage(kLauncherDirectory, nullptr, m_recorded);
    EXPECT_EQ(TakeLogLines(), (Lines{kRegisterLine + pellicor::ToUtf8(m_location),
                                     "menu package: register failed, return: 0x80073CF3"}));
}

TEST_F(MenuPackage, UnderWineTheRealRegistrationFailsAndSaysSo)
{
    // The build that Wine reports decides by itself: nothing is tried on Windows 10.
    drovana::RegisterMenuPackage(kLauncherDirectory);
    const Lines skipped = TakeLogLines();
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].rfind("menu package: register skipped, Windows build ", 0), 0u) << skipped[0];

    drovana::RegisterMenuPackage(kLauncherDirectory, nullptr, {&Windows11});
    EXPECT_EQ(TakeLogLines(),
              (Lines{kRegisterLine + pellicor::ToUtf8(m_location),
                     "menu package: register failed, PowerShell ran no script, return: 0x00000000"}));
}

TEST_F(MenuPackage, TheUsersProgramIsWaitedForWithinItsBound)
{
    const std::wstring helper = BinPath(L"launcher_process_helper.exe");
    HANDLE token = nullptr;
    ASSERT_TRUE(drovana::GetProcessTokenByName(L"explorer.exe", &token));
    const pellicor::UniqueKernelHandle explorerToken(token);
    ASSERT_TRUE(explorerToken);

    const UserRun exited =
        drovana::RunAsUser(token, helper.c_str(), (L"\"" + helper + L"\" exit 0x80073CFB 0").c_str(), 20000);
    EXPECT_EQ(exited.outcome, UserRun::Outcome::Exited);
    EXPECT_EQ(exited.code, 0x80073CFBu);

    const DWORD before = ::GetTickCount();
    const UserRun slow =
        drovana::RunAsUser(token, helper.c_str(), (L"\"" + helper + L"\" exit 0 10000").c_str(), 300);
    EXPECT_EQ(slow.outcome, UserRun::Outcome::TimedOut);
    EXPECT_LT(::GetTickCount() - before, 5000u) << "waited for the program, not for the bound";

    const UserRun missing = drovana::RunAsUser(token, L"C:\\nowhere\\powershell.exe", L"x", 1000);
    EXPECT_EQ(missing.outcome, UserRun::Outcome::NotStarted);
    EXPECT_EQ(missing.code, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

} // namespace
