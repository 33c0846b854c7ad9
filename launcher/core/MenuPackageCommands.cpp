#include "launcher/core/MenuPackageCommands.h"

#include <cstdio>

namespace drovana
{

namespace
{
// A failure whose exception carries no HRESULT exits with 1, PowerShell's own code for a failure.
constexpr std::wstring_view kExitWithResult =
    L" exit 0x600D } catch { $code = $_.Exception.HResult; if (-not $code) { $code = 1 }; exit $code }";
static_assert(kScriptDone == 0x600D);

bool IsSingleQuote(wchar_t c)
{
    return c == L'\'' || c == L'\u2018' || c == L'\u2019' || c == L'\u201A' || c == L'\u201B';
}

// Each wchar_t is one UTF-16 code unit, written low byte first.
std::wstring Base64Utf16Le(std::wstring_view text)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const wchar_t unit : text)
    {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    std::wstring out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3)
    {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (left > 1)
            group |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        if (left > 2)
            group |= static_cast<std::uint8_t>(bytes[i + 2]);
        out.push_back(static_cast<wchar_t>(kDigits[(group >> 18) & 63]));
        out.push_back(static_cast<wchar_t>(kDigits[(group >> 12) & 63]));
        out.push_back(left > 1 ? static_cast<wchar_t>(kDigits[(group >> 6) & 63]) : L'=');
        out.push_back(left > 2 ? static_cast<wchar_t>(kDigits[group & 63]) : L'=');
    }
    return out;
}
} // namespace

std::wstring ExternalLocation(std::wstring_view libraryFolder)
{
    while (!libraryFolder.empty() && libraryFolder.back() == L'\\')
        libraryFolder.remove_suffix(1);
    return std::wstring(libraryFolder);
}

std::wstring PowerShellLiteral(std::wstring_view text)
{
    std::wstring literal = L"'";
    for (const wchar_t c : text)
    {
        literal.push_back(c);
        if (IsSingleQuote(c))
            literal.push_back(c);
    }
    literal.push_back(L'\'');
    return literal;
}

// ForceUpdateFromAnyVersion: a reinstalled older release replaces a newer package, so the manifest
// always describes the library that lies in the folder.
std::wstring RegisterPackageScript(std::wstring_view packageFile, std::wstring_view externalLocation)
{
    return L"$ErrorActionPreference = 'Stop'; try { Add-AppxPackage -Path " + PowerShellLiteral(packageFile) +
           L" -ExternalLocation " + PowerShellLiteral(externalLocation) + L" -ForceUpdateFromAnyVersion;" +
           std::wstring(kExitWithResult);
}

// No package of that name is no error: there is nothing to remove.
std::wstring RemovePackageScript(std::wstring_view packageName)
{
    return L"$ErrorActionPreference = 'Stop'; try { Get-AppxPackage -Name " + PowerShellLiteral(packageName) +
           L" | Remove-AppxPackage;" + std::wstring(kExitWithResult);
}

// No profile script of the user runs; the policy covers only this process.
std::wstring PowerShellCommandLine(std::wstring_view powerShellPath, std::wstring_view script)
{
    return L"\"" + std::wstring(powerShellPath) +
           L"\" -NoLogo -NoProfile -NonInteractive -ExecutionPolicy Bypass -EncodedCommand " +
           Base64Utf16Le(script);
}

std::string PackageRunLine(bool registering, const UserRun& run, unsigned waitSeconds)
{
    const char* verb = registering ? "register" : "remove";
    char line[160] = {};
    switch (run.outcome)
    {
    case UserRun::Outcome::NotStarted:
        std::snprintf(line, sizeof(line), "menu package: %s failed, PowerShell not started, Error code: %lu.",
                      verb, static_cast<unsigned long>(run.code));
        break;
    case UserRun::Outcome::TimedOut:
        std::snprintf(line, sizeof(line), "menu package: %s: no result within %u s, PowerShell left running",
                      verb, waitSeconds);
        break;
    case UserRun::Outcome::Exited:
    {
        const unsigned long code = run.code;
        if (run.code == kScriptDone)
            std::snprintf(line, sizeof(line), "menu package: %s ok", verb);
        else if (registering && run.code == kPackageAlreadyExists)
            std::snprintf(line, sizeof(line),
                          "menu package: %s ok, this version is registered already, "
                          "return: 0x%08lX",
                          verb, code);
        else
            std::snprintf(line, sizeof(line), "menu package: %s failed%s, return: 0x%08lX", verb,
                          run.code == 0 ? ", PowerShell ran no script" : "", code);
        break;
    }
    }
    return line;
}

} // namespace drovana
