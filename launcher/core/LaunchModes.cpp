#include "launcher/core/LaunchModes.h"

namespace drovana
{

namespace
{
constexpr LaunchStep Run(StepKind kind)
{
    return LaunchStep{kind};
}
constexpr LaunchStep Wait(unsigned milliseconds)
{
    return LaunchStep{StepKind::Wait, milliseconds};
}
constexpr LaunchStep StartClient(const wchar_t* arguments)
{
    return LaunchStep{StepKind::StartClient, 0, arguments};
}

// The client reads these itself; each begins with one space because no program name precedes it.
constexpr const wchar_t* kLaunchSyncedFolderArguments = L" -launchLocalSyncedFolder";
constexpr const wchar_t* kUpgradeArguments = L" -upgrade";
constexpr const wchar_t* kNoArguments = L"";

constexpr LaunchStep kCreateVirtualDiskSteps[] = {
    Run(StepKind::WriteUserVirtualDisk),
};

// Explorer is ended after the registrations (the menu package's included) so that the shell reloads
// them; the wait lets the new shell and its overlays come up before the client starts.
constexpr LaunchStep kCommitSteps[] = {
    Run(StepKind::WriteInstallerReg),
    Run(StepKind::CreateVirtualDisk),
    Run(StepKind::WriteUserVirtualDisk),
    Run(StepKind::RegisterMenuPackage),
    Run(StepKind::RestartExplorer),
    Wait(3000),
    StartClient(kLaunchSyncedFolderArguments),
};

constexpr LaunchStep kUpgradeSteps[] = {
    Run(StepKind::CreateVirtualDisk),
    Run(StepKind::WriteUserVirtualDisk),
    Wait(1000),
    StartClient(kUpgradeArguments),
};

constexpr LaunchStep kUpgradeFullySteps[] = {
    Run(StepKind::CreateVirtualDisk),
    Run(StepKind::WriteUserVirtualDisk),
    Wait(1000),
    Run(StepKind::WriteInstallerReg),
    Run(StepKind::RegisterMenuPackage),
    Run(StepKind::RestartExplorer),
    Wait(5000),
    StartClient(kUpgradeArguments),
};

constexpr LaunchStep kStartSteps[] = {
    StartClient(kNoArguments),
};

// Before installation nothing is registered: the installer only needs the old client gone.
constexpr LaunchStep kInstallSteps[] = {
    Run(StepKind::CloseClient),
    Run(StepKind::CloseEditor),
};

constexpr LaunchStep kUninstallSteps[] = {
    Run(StepKind::CloseClient),       Run(StepKind::CloseEditor),        Run(StepKind::DeleteShortcut),
    Run(StepKind::RemoveMenuPackage), Run(StepKind::RemoveInstallerReg),
};

constexpr LaunchMode kModes[] = {
    {"/CreateVirtualDisk", kCreateVirtualDiskSteps},
    {"/Commit", kCommitSteps},
    {"/Upgrade", kUpgradeSteps},
    {"/UpgradeFully", kUpgradeFullySteps},
    {"", kStartSteps},
    {"/Install", kInstallSteps},
    {"/Uninstall", kUninstallSteps},
};
} // namespace

std::span<const LaunchMode> LaunchModes()
{
    return kModes;
}

const LaunchMode* FindLaunchMode(std::string_view modeWord)
{
    for (const LaunchMode& mode : kModes)
    {
        if (mode.word == modeWord)
            return &mode;
    }
    return nullptr;
}

} // namespace drovana
