#pragma once
// The menu package's registration and removal as PowerShell commands, which the launcher starts as the
// interactive user (a package is registered per user, by that user), and the log lines their results
// make. Portable: no <windows.h>.
#include <cstdint>
#include <string>
#include <string_view>

namespace drovana
{

// Windows 11's first context menu takes commands only from packaged handlers; older builds show the
// classic menu alone, so there the package is neither registered nor removed.
constexpr std::uint32_t kFirstMenuPackageBuild = 22000;
constexpr bool MenuPackageWanted(std::uint32_t windowsBuild)
{
    return windowsBuild >= kFirstMenuPackageBuild;
}

// Windows PowerShell below the system folder: the elevated launcher never lets the search path pick it.
inline constexpr wchar_t kPowerShellBelowSystem[] = L"\\WindowsPowerShell\\v1.0\\powershell.exe";

// The package's external location: the library's folder without its trailing backslashes.
std::wstring ExternalLocation(std::wstring_view libraryFolder);

// Text as a PowerShell single-quoted literal. PowerShell also ends such a literal at the typographic
// single quotes, which a user name (and so an application-data folder) may hold: all are doubled.
std::wstring PowerShellLiteral(std::wstring_view text);

// Each script exits with kScriptDone on success or with the HRESULT of the call that failed. Success is
// not 0, so that a PowerShell that never ran the script (a stub, as under Wine, or one that stopped
// before it) is not taken for a registration.
constexpr std::uint32_t kScriptDone = 0x600D;
std::wstring RegisterPackageScript(std::wstring_view packageFile, std::wstring_view externalLocation);
std::wstring RemovePackageScript(std::wstring_view packageName);

// The whole command line for the powershell.exe at powerShellPath. The script travels base64-encoded
// (UTF-16LE), so that neither the command-line parser nor PowerShell's own reads any of its text.
std::wstring PowerShellCommandLine(std::wstring_view powerShellPath, std::wstring_view script);

// How a program started as the interactive user ended.
struct UserRun
{
    enum class Outcome
    {
        NotStarted, // code: the start's error
        TimedOut,   // left running; it finishes on its own
        Exited,     // code: the exit code
    };
    Outcome outcome = Outcome::NotStarted;
    std::uint32_t code = 0;
};

// Add-AppxPackage refuses the same version with other content with ERROR_PACKAGE_ALREADY_EXISTS: the
// release's package is in place already, which is what the step wants.
constexpr std::uint32_t kPackageAlreadyExists = 0x80073CFB;

// The log line for a registration (register true) or removal that ran or failed to run.
std::string PackageRunLine(bool registering, const UserRun& run, unsigned waitSeconds);

} // namespace drovana
