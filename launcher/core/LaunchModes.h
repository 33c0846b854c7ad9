#pragma once
// What each mode word of the launcher does: a fixed sequence of steps with fixed waits. Every step
// runs whatever the earlier ones returned; failures only show in the log.
#include <span>
#include <string_view>

namespace drovana
{

enum class StepKind
{
    WriteInstallerReg,    // shell registration, with the launcher directory
    CreateVirtualDisk,    // the virtual drive folder class with placeholder values
    WriteUserVirtualDisk, // per-user virtual drive entries, with the client path and the argument word
    RestartExplorer,
    Wait,        // plain blocking sleep of waitMilliseconds
    StartClient, // the client as the interactive user, with clientArguments as its command line
    CloseClient,
    CloseEditor,
    DeleteShortcut,
    RemoveInstallerReg,
    RegisterMenuPackage, // Windows 11's menu package, for the interactive user
    RemoveMenuPackage,
};

struct LaunchStep
{
    StepKind kind;
    unsigned waitMilliseconds = 0;
    const wchar_t* clientArguments = nullptr; // passed whole; the client path is given separately
};

struct LaunchMode
{
    std::string_view word; // compared exactly and case-sensitively with the whole first word
    std::span<const LaunchStep> steps;
};

// Every mode, in the order in which the first word is compared with them.
std::span<const LaunchMode> LaunchModes();

// The first mode whose word equals modeWord, or nullptr: an unknown word runs no step.
const LaunchMode* FindLaunchMode(std::string_view modeWord);

} // namespace drovana
