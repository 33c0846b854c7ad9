#include "shellhost/DoctorChecks.h"
#include "shellhost/MenuPackageCheck.h"

#include "launcher/core/VirtualDriveTable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

namespace pellicor::test
{
namespace
{

using namespace pellicor::shellhost;
using drovana::RegAction;
using drovana::RegData;
using drovana::RegRoot;
using drovana::RegRow;

// A registry and file system in memory, filled by applying the launcher's own rows.
class FakeInstall : public InstallFacts
{
public:
    using ValueKey = std::tuple<RegRoot, std::wstring, std::wstring>;

    static RegRoot Hive(RegRoot root) { return root == RegRoot::UserRoot ? RegRoot::CurrentUser : root; }

    bool KeyExists(RegRoot root, const std::wstring& key) const override
    {
        return keys.count({Hive(root), key}) != 0;
    }
    std::optional<RegistryValue> Value(RegRoot root, const std::wstring& key,
                                       const wchar_t* name) const override
    {
        const auto found = values.find({Hive(root), key, name ? name : L""});
        if (found == values.end())
            return std::nullopt;
        return found->second;
    }
    std::vector<std::wstring> SubKeys(RegRoot root, const std::wstring& key) const override
    {
        std::vector<std::wstring> names;
        const std::wstring prefix = key + L"\\";
        for (const auto& [hive, path] : keys)
            if (hive == Hive(root) && path.compare(0, prefix.size(), prefix) == 0 &&
                path.find(L'\\', prefix.size()) == std::wstring::npos)
                names.push_back(path.substr(prefix.size()));
        return names;
    }
    bool FileExists(const std::wstring& path) const override { return files.count(path) != 0; }

    void AddKey(RegRoot root, std::wstring key)
    {
        for (size_t at = key.find(L'\\'); at != std::wstring::npos; at = key.find(L'\\', at + 1))
            keys.insert({Hive(root), key.substr(0, at)});
        keys.insert({Hive(root), std::move(key)});
    }
    void SetText(RegRoot root, const std::wstring& key, const wchar_t* name, const std::wstring& text)
    {
        RegistryValue value;
        value.isString = true;
        value.text = text;
        Set(root, key, name, value);
    }
    void Set(RegRoot root, const std::wstring& key, const wchar_t* name, const RegistryValue& value)
    {
        AddKey(root, key);
        values[{Hive(root), key, name ? name : L""}] = value;
    }

    void Apply(const RegRow& row, const RowContext& context)
    {
        std::wstring text = row.text ? row.text : L"";
        switch (row.data)
        {
        case RegData::LibraryPath:
            text = context.expectedLibraryPath;
            break;
        case RegData::LauncherFile:
            text = launcherDirectory + text;
            break;
        case RegData::ClientIcon:
            text = launcherDirectory + L"drovana.exe" + drovana::kClientIconSuffix;
            break;
        case RegData::DisplayName:
            text = context.displayName;
            break;
        case RegData::InfoTip:
            text = context.infoTip;
            break;
        case RegData::SyncFolder:
            text = context.syncFolder;
            break;
        case RegData::Text:
            break;
        }
        switch (row.action)
        {
        case RegAction::SetString:
            SetText(row.root, row.key, row.value, text);
            break;
        case RegAction::SetNumber:
        {
            RegistryValue value;
            value.isNumber = true;
            value.number = row.number;
            Set(row.root, row.key, row.value, value);
            break;
        }
        case RegAction::DeleteKey:
            keys.erase({Hive(row.root), row.key});
            break;
        case RegAction::DeleteValue:
            values.erase({Hive(row.root), row.key, row.value ? row.value : L""});
            break;
        }
    }

    std::set<std::pair<RegRoot, std::wstring>> keys;
    std::map<ValueKey, RegistryValue> values;
    std::set<std::wstring> files;
    std::wstring launcherDirectory = L"C:\\Program Files\\Drovana\\";
};

class DoctorChecksTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        context.expectedLibraryPath =
            L"C:\\Users\\u1\\AppData\\Roaming\\Pellicor\\PellicorOverlays_x64_10060.dll";
        context.displayName = L"Drovana";
        context.infoTip = L"Enter Drovana directory here";
        context.syncFolder = L"C:\\Users\\u1\\Drovana";
        for (const RegRow& row : drovana::kInstallerRows)
            install.Apply(row, context);
        for (const RegRow& row : drovana::kVirtualDriveClassRows)
            install.Apply(row, context);
        install.Apply(drovana::kVirtualDriveIconRow, context);
        for (const RegRow& row : drovana::kVirtualDriveUserRows)
            install.Apply(row, context);
        install.files = {context.expectedLibraryPath, install.launcherDirectory + L"Icons\\Synced.ico",
                         install.launcherDirectory + L"Icons\\Syncing.ico",
                         install.launcherDirectory + L"Icons\\Invalid.ico",
                         install.launcherDirectory + L"drovana.exe"};
    }

    std::vector<Finding> Run() const
    {
        std::vector<Finding> findings;
        CheckInstallerRows(install, context, findings);
        CheckVirtualDrive(install, context, findings);
        CheckOverlaySlots(install, findings);
        return findings;
    }

    static std::vector<Finding> Faults(const std::vector<Finding>& findings)
    {
        std::vector<Finding> faults;
        for (const auto& finding : findings)
            if (finding.verdict == Verdict::Fault)
                faults.push_back(finding);
        return faults;
    }

    // How many findings have the verdict and the area and hold every one of the texts.
    static std::size_t Count(const std::vector<Finding>& findings, Verdict verdict, const wchar_t* area,
                             std::initializer_list<std::wstring> texts = {})
    {
        return static_cast<std::size_t>(
            std::count_if(findings.begin(), findings.end(),
                          [&](const Finding& f)
                          {
                              return f.verdict == verdict && f.area == area &&
                                     std::all_of(texts.begin(), texts.end(),
                                                 [&](const std::wstring& t)
                                                 { return f.text.find(t) != std::wstring::npos; });
                          }));
    }

    static std::wstring Describe(const std::vector<Finding>& findings)
    {
        std::wstring text;
        for (const auto& finding : findings)
            for (const auto& line : FormatFinding(finding))
                text += line + L"\n";
        return text;
    }

    RowContext context;
    FakeInstall install;
};

TEST_F(DoctorChecksTest, WhatTheLauncherWritesHasNoFaultAndEveryAreaReportsOk)
{
    const auto findings = Run();
    EXPECT_TRUE(Faults(findings).empty()) << Describe(findings).c_str();
    for (const wchar_t* area :
         {L"copy hook", L"browser helper", L"overlay classes", L"context menu", L"overlay identifiers",
          L"overlay icons", L"approvals", L"virtual drive", L"places bar", L"overlay slots"})
        EXPECT_NE(Count(findings, Verdict::Ok, area), 0u)
            << "no ok for area " << testing::PrintToString(area);
    // Once, as a note: the library every user loads lies in one user's folder.
    EXPECT_EQ(Count(findings, Verdict::Note, L"library", {L"for every user", context.expectedLibraryPath}),
              1u);
}

TEST_F(DoctorChecksTest, BrokenInstallsAreNamedWithTheirArea)
{
    // The library file is gone: one fault, not one per class that names it.
    install.files.erase(context.expectedLibraryPath);
    // An approval is missing.
    install.values.erase({RegRoot::LocalMachine, DROVANA_APPROVED_KEY, DROVANA_SYNCING_CLSID});
    // An old release's identifier is still there.
    install.AddKey(RegRoot::LocalMachine, DROVANA_OVERLAY_IDENTIFIERS_KEY L"!!!YelvashSynced");
    // The client's drive icon points at a program that is not there.
    install.files.erase(install.launcherDirectory + L"drovana.exe");

    const auto faults = Faults(Run());
    ASSERT_EQ(faults.size(), 4u) << Describe(faults).c_str();
    EXPECT_EQ(faults[0].area, L"library");
    EXPECT_EQ(faults[0].text, L"library file missing at " + context.expectedLibraryPath);
    EXPECT_EQ(faults[1].area, L"overlay identifiers");
    EXPECT_NE(faults[1].text.find(L"!!!YelvashSynced"), std::wstring::npos);
    EXPECT_EQ(faults[2].area, L"approvals");
    EXPECT_NE(faults[2].text.find(DROVANA_SYNCING_CLSID L"\": missing"), std::wstring::npos);
    EXPECT_EQ(faults[3].area, L"virtual drive");
    EXPECT_EQ(faults[3].action.find(L"reinstall"), 0u);
}

TEST_F(DoctorChecksTest, OverlayPushedBeyondTheSlotsNamesTheHandlersAheadOfIt)
{
    for (int i = 1; i <= 9; ++i)
        install.AddKey(RegRoot::LocalMachine,
                       DROVANA_OVERLAY_IDENTIFIERS_KEY L"      OneDrive" + std::to_wstring(i));
    const auto faults = Faults(Run());
    ASSERT_EQ(faults.size(), 1u) << Describe(faults).c_str();
    EXPECT_EQ(faults[0].area, L"overlay slots");
    EXPECT_EQ(faults[0].text.find(L"\"     !YelvashSyncing\" is #12 of 12"), 0u);
    EXPECT_NE(faults[0].text.find(L"\"      OneDrive9\""), std::wstring::npos);
    EXPECT_EQ(faults[0].text.find(L"YelvashSynced\","), std::wstring::npos); // ours are not blamed
}

TEST_F(DoctorChecksTest, WrongValuesAndAnotherUsersLibraryAreTold)
{
    install.SetText(RegRoot::ClassesRoot, L"CLSID\\" DROVANA_SYNCED_CLSID L"\\InProcServer32",
                    L"ThreadingModel", L"Free");
    context.expectedLibraryPath =
        L"C:\\Users\\admin\\AppData\\Roaming\\Pellicor\\PellicorOverlays_x64_10060.dll";
    const auto findings = Run();
    const auto faults = Faults(findings);
    ASSERT_EQ(faults.size(), 1u) << Describe(findings).c_str();
    EXPECT_NE(faults[0].text.find(L"is \"Free\", expected \"Apartment\""), std::wstring::npos);
    EXPECT_NE(Count(findings, Verdict::Note, L"library", {L"another user's folder"}), 0u);
}

TEST_F(DoctorChecksTest, WithoutASyncFolderOnlyTheMachineWideDriveIsJudged)
{
    context.syncFolder.clear();
    const auto findings = Run();
    EXPECT_TRUE(Faults(findings).empty()) << Describe(findings).c_str();
    EXPECT_NE(Count(findings, Verdict::Note, L"virtual drive"), 0u);
}

TEST(MenuPackageManifest, TheComClassNamesTheLibraryInAnyNamespace)
{
    const std::string manifest =
        R"(<Package xmlns:com="http://schemas.microsoft.com/appx/manifest/com/windows10">
  <Extensions><com:Extension Category="windows.comServer"><com:ComServer>
    <com:SurrogateServer DisplayName="Pellicor"><com:ClassX Path="not.dll"/>
      <com:Class Id="9326E65E-3AA1-402C-B88E-F2156E7A83F1" XPath="x.dll" Path="PellicorOverlays_x64_10060.dll"
                 ThreadingModel="STA"/>)";
    EXPECT_EQ(ManifestLibraryName(manifest), "PellicorOverlays_x64_10060.dll");
    EXPECT_EQ(ManifestLibraryName("<Class Id='1' Path='b.dll'/>"), "b.dll");
    for (const char* cut :
         {"", "<Package/>", "<com:Class Path=\"a.dll", "<com:Class Path=\"a.dll\"", "<com:Cla"})
        EXPECT_EQ(ManifestLibraryName(cut), "") << cut;
}

TEST_F(DoctorChecksTest, MenuPackageIsJudgedByTheLibraryItsLocationHolds)
{
    const std::wstring folder = L"C:\\Users\\u1\\AppData\\Roaming\\Pellicor\\";
    const auto judge = [&](const MenuPackageFacts& package)
    {
        std::vector<Finding> findings;
        CheckMenuPackage(install, package, folder, findings);
        return findings;
    };
    // Not registered: a fault on Windows 11 only.
    EXPECT_EQ(Count(judge(MenuPackageFacts{22000, L"", L"", L""}), Verdict::Fault, L"menu package",
                    {L"not registered for this user"}),
              1u);
    EXPECT_EQ(Count(judge(MenuPackageFacts{19045, L"", L"", L""}), Verdict::Ok, L"menu package",
                    {L"build 19045", L"classic menu only"}),
              1u);

    const std::wstring name = L"Drovana.PellicorMenu_1.2.3.0_x64__8wekyb3d8bbwe";
    const std::wstring library = L"PellicorOverlays_x64_10060.dll";
    const auto facts = [&](const std::wstring& location, const std::wstring& named) {
        return MenuPackageFacts{22631, name, location, named};
    };
    auto good = judge(facts(L"C:\\Users\\u1\\AppData\\Roaming\\Pellicor", library));
    ASSERT_EQ(good.size(), 1u) << Describe(good).c_str();
    EXPECT_EQ(Count(good, Verdict::Ok, L"menu package", {L"finds " + context.expectedLibraryPath}), 1u);

    const auto faultWith = [&](const MenuPackageFacts& package, const wchar_t* text)
    {
        const auto findings = judge(package);
        EXPECT_EQ(Count(findings, Verdict::Fault, L"menu package", {text}), 1u) << Describe(findings).c_str();
    };
    faultWith(facts(L"", library), L"without an external location");
    faultWith(facts(folder, L""), L"names no library");
    faultWith(facts(folder, L"Other.dll"), L"Pellicor\\Other.dll, which does not exist");

    // Another user's folder that holds a library works, but is told.
    install.files.insert(L"D:\\u2\\Pellicor\\" + library);
    const auto other = judge(facts(L"D:\\u2\\Pellicor\\", library));
    EXPECT_EQ(Count(other, Verdict::Ok, L"menu package"), 1u);
    EXPECT_EQ(Count(other, Verdict::Note, L"menu package", {L"not this user's library folder"}), 1u);
}

} // namespace
} // namespace pellicor::test
