#include "launcher/core/LaunchModes.h"

#include <gtest/gtest.h>

#include <string>

namespace pellicor::test
{
namespace
{

using drovana::StepKind;

TEST(LaunchModes, ModeWordsMatchWholeAndCaseSensitive)
{
    for (const char* word : {"/install", "/INSTALL", "/Install ", " /Install", "/Commit\tS-1", "/Upgrad",
                             "/UpgradeFull", "/UpgradeFullyX", "Install", "/Uninstal"})
        EXPECT_EQ(drovana::FindLaunchMode(word), nullptr) << word;

    const auto* upgrade = drovana::FindLaunchMode("/Upgrade");
    const auto* fully = drovana::FindLaunchMode("/UpgradeFully");
    ASSERT_NE(upgrade, nullptr);
    ASSERT_NE(fully, nullptr);
    EXPECT_NE(upgrade, fully);
    EXPECT_EQ(fully->word, "/UpgradeFully");
}

TEST(LaunchModes, TheClientIsStartedLastAndOnlyAfterItsWait)
{
    // Restarting Explorer must be followed by a wait before the client starts, so the new shell and
    // its overlays are up; and starting the client may lower the launcher's own rights, so nothing
    // may follow it.
    for (const auto& mode : drovana::LaunchModes())
    {
        bool explorerRestarted = false;
        bool waitedSinceRestart = false;
        for (std::size_t i = 0; i < mode.steps.size(); ++i)
        {
            const auto& step = mode.steps[i];
            if (step.kind == StepKind::RestartExplorer)
                explorerRestarted = true;
            if (step.kind == StepKind::Wait && explorerRestarted)
                waitedSinceRestart = true;
            if (step.kind == StepKind::StartClient)
            {
                EXPECT_EQ(i + 1, mode.steps.size()) << mode.word;
                EXPECT_TRUE(!explorerRestarted || waitedSinceRestart) << mode.word;
                ASSERT_NE(step.clientArguments, nullptr);
            }
        }
    }
    const auto* start = drovana::FindLaunchMode("");
    ASSERT_NE(start, nullptr);
    ASSERT_EQ(start->steps.size(), 1u);
    EXPECT_EQ(std::wstring(start->steps[0].clientArguments), L"");
    EXPECT_EQ(std::wstring(drovana::FindLaunchMode("/Commit")->steps.back().clientArguments),
              L" -launchLocalSyncedFolder");
    EXPECT_EQ(std::wstring(drovana::FindLaunchMode("/Upgrade")->steps.back().clientArguments), L" -upgrade");
}

TEST(LaunchModes, TheMenuPackageFollowsTheLibraryAndPrecedesTheShellRestart)
{
    // The package points at the library's folder, and the restarted shell must find it registered.
    const auto position = [](const char* word, StepKind kind)
    {
        const auto steps = drovana::FindLaunchMode(word)->steps;
        for (std::size_t i = 0; i < steps.size(); ++i)
            if (steps[i].kind == kind)
                return static_cast<std::ptrdiff_t>(i);
        return std::ptrdiff_t{-1};
    };
    for (const char* word : {"/Commit", "/UpgradeFully"})
    {
        const auto registered = position(word, StepKind::RegisterMenuPackage);
        EXPECT_GT(registered, position(word, StepKind::WriteInstallerReg)) << word;
        EXPECT_LT(registered, position(word, StepKind::RestartExplorer)) << word;
    }
    for (const char* word : {"", "/CreateVirtualDisk", "/Upgrade", "/Install", "/Uninstall"})
        EXPECT_EQ(position(word, StepKind::RegisterMenuPackage), -1) << word;
    EXPECT_GE(position("/Uninstall", StepKind::RemoveMenuPackage), 0);
}

} // namespace
} // namespace pellicor::test
