#include "launcher/core/MenuPackageCommands.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

using drovana::UserRun;

TEST(MenuPackageCommands, OnlyWindows11BuildsWantThePackage)
{
    EXPECT_FALSE(drovana::MenuPackageWanted(0)); // unreadable
    EXPECT_FALSE(drovana::MenuPackageWanted(19045));
    EXPECT_FALSE(drovana::MenuPackageWanted(21999));
    EXPECT_TRUE(drovana::MenuPackageWanted(22000));
    EXPECT_TRUE(drovana::MenuPackageWanted(26100));
}

TEST(MenuPackageCommands, EveryKindOfSingleQuoteInAPathIsDoubled)
{
    // A folder of a user called O'Brien, or O’Brien as some keyboards type it, must not end the literal.
    EXPECT_EQ(drovana::PowerShellLiteral(L"C:\\Users\\O'Brien\\a\u2018b\u2019c\u201Ad\u201Be \"$x`"),
              L"'C:\\Users\\O''Brien\\a\u2018\u2018b\u2019\u2019c\u201A\u201Ad\u201B\u201Be \"$x`'");
    EXPECT_EQ(drovana::ExternalLocation(L"C:\\Users\\u\\AppData\\Roaming\\Pellicor\\\\"),
              L"C:\\Users\\u\\AppData\\Roaming\\Pellicor");

    const std::wstring add =
        drovana::RegisterPackageScript(L"C:\\Program Files\\Drovana\\P.msix", L"C:\\O'B");
    EXPECT_NE(
        add.find(L"Add-AppxPackage -Path 'C:\\Program Files\\Drovana\\P.msix' -ExternalLocation 'C:\\O''B' "
                 L"-ForceUpdateFromAnyVersion;"),
        std::wstring::npos);
    const std::wstring remove = drovana::RemovePackageScript(L"Drovana.PellicorMenu");
    EXPECT_NE(remove.find(L"Get-AppxPackage -Name 'Drovana.PellicorMenu' | Remove-AppxPackage;"),
              std::wstring::npos);
    for (const std::wstring& script : {add, remove})
    {
        EXPECT_EQ(script.rfind(L"$ErrorActionPreference = 'Stop'; try {", 0), 0u);
        EXPECT_NE(script.find(L"exit 0x600D } catch {"), std::wstring::npos) << "success is not 0";
    }
}

TEST(MenuPackageCommands, TheScriptTravelsAsBase64OfUtf16)
{
    const std::wstring head = L"\"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe\" -NoLogo "
                              L"-NoProfile -NonInteractive "
                              L"-ExecutionPolicy Bypass -EncodedCommand ";
    const std::wstring program = L"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe";
    // Three, two and one bytes in the last group.
    EXPECT_EQ(drovana::PowerShellCommandLine(program, L"abc"), head + L"YQBiAGMA");
    EXPECT_EQ(drovana::PowerShellCommandLine(program, L"a'"), head + L"YQAnAA==");
    EXPECT_EQ(drovana::PowerShellCommandLine(program, L"\u5353"), head + L"U1M=");
}

TEST(MenuPackageCommands, EachOutcomeHasItsLine)
{
    using Outcome = UserRun::Outcome;
    const auto line = [](bool registering, Outcome outcome, std::uint32_t code) {
        return drovana::PackageRunLine(registering, UserRun{outcome, code}, 60);
    };

    EXPECT_EQ(line(true, Outcome::Exited, drovana::kScriptDone), "menu package: register ok");
    EXPECT_EQ(line(false, Outcome::Exited, drovana::kScriptDone), "menu package: remove ok");
    EXPECT_EQ(line(true, Outcome::Exited, 0x80073CFB),
              "menu package: register ok, this version is registered already, return: 0x80073CFB");
    EXPECT_EQ(line(false, Outcome::Exited, 0x80073CFB), "menu package: remove failed, return: 0x80073CFB");
    EXPECT_EQ(line(true, Outcome::Exited, 0x800B0109), "menu package: register failed, return: 0x800B0109");
    // A PowerShell that exits with 0 never reached the script's end: no registration is claimed.
    EXPECT_EQ(line(true, Outcome::Exited, 0),
              "menu package: register failed, PowerShell ran no script, return: 0x00000000");
    EXPECT_EQ(line(true, Outcome::NotStarted, 2),
              "menu package: register failed, PowerShell not started, Error code: 2.");
    EXPECT_EQ(line(false, Outcome::TimedOut, 0),
              "menu package: remove: no result within 60 s, PowerShell left running");
}

} // namespace
} // namespace pellicor::test
