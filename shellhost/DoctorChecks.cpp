#include "shellhost/DoctorChecks.h"

#include "launcher/VirtualDriveTable.h"
#include "shellhost/OverlayOrder.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

namespace pellicor::shellhost
{

const wchar_t kRepairRegistration[] = L"run \"DrovanaLauncher_x64.exe /Commit\" as administrator";

namespace
{

using drovana::RegAction;
using drovana::RegData;
using drovana::RegRoot;
using drovana::RegRow;

constexpr const wchar_t* kLibraryArea = L"library";

// The installer sheet's rows by area, as support staff think of them.
struct Area
{
    int firstRow;
    int lastRow;
    const wchar_t* name;
};

constexpr Area kInstallerAreas[] = {
    {1, 7, L"copy hook"},      {8, 11, L"browser helper"},       {12, 20, L"overlay classes"},
    {21, 21, L"context menu"}, {22, 25, L"overlay identifiers"}, {26, 29, L"overlay icons"},
    {30, 32, L"approvals"},
};

wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
}

bool EndsWithIgnoringCase(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() && EqualIgnoringCase(text.substr(text.size() - tail.size()), tail);
}

std::wstring RootName(RegRoot root)
{
    switch (root)
    {
    case RegRoot::ClassesRoot:
        return L"HKCR";
    case RegRoot::LocalMachine:
        return L"HKLM";
    case RegRoot::CurrentUser:
    case RegRoot::UserRoot:
        return L"HKCU";
    }
    return L"HK?";
}

std::wstring Where(const RegRow& row)
{
    std::wstring where = RootName(row.root) + L"\\" + row.key;
    if (row.action == RegAction::DeleteKey)
        return where;
    return where + (row.value ? L" value \"" + std::wstring(row.value) + L"\"" : std::wstring(L" (default)"));
}

std::wstring InQuotes(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

int RowNumber(const RegRow& row)
{
    return std::atoi(row.row);
}

// The expected text of a row, or nothing when it depends on what the doctor does not know.
std::optional<std::wstring> ExpectedText(const RegRow& row, const RowContext& context)
{
    switch (row.data)
    {
    case RegData::Text:
        return std::wstring(row.text ? row.text : L"");
    case RegData::DisplayName:
        return context.displayName.empty() ? std::nullopt : std::optional(context.displayName);
    case RegData::InfoTip:
        return context.infoTip.empty() ? std::nullopt : std::optional(context.infoTip);
    case RegData::SyncFolder:
        return context.syncFolder.empty() ? std::nullopt : std::optional(context.syncFolder);
    default:
        return std::nullopt;
    }
}

// Judges one row; nothing is added when the row holds.
void CheckRow(const RegRow& row, const wchar_t* area, const InstallFacts& facts, const RowContext& context,
              std::vector<Finding>& faults)
{
    auto fault = [&](const std::wstring& text, const std::wstring& action = kRepairRegistration) {
        faults.push_back({Verdict::Fault, area, text, action});
    };
    switch (row.action)
    {
    case RegAction::DeleteValue:
        return; // always followed by a row that writes the value again
    case RegAction::DeleteKey:
        if (facts.KeyExists(row.root, row.key))
            fault(Where(row) + L": left over from an earlier release, the launcher deletes it");
        return;
    case RegAction::SetNumber:
    {
        const auto value = facts.Value(row.root, row.key, row.value);
        if (!value)
            fault(Where(row) + L": missing");
        else if (!value->isNumber)
            fault(Where(row) + L": not a REG_DWORD");
        else if (value->number != row.number)
            fault(Where(row) + L": is " + std::to_wstring(value->number) + L", expected " +
                  std::to_wstring(row.number));
        return;
    }
    case RegAction::SetString:
        break;
    }

    const auto value = facts.Value(row.root, row.key, row.value);
    if (!value)
    {
        fault(Where(row) + L": missing");
        return;
    }
    if (!value->isString)
    {
        fault(Where(row) + L": not a REG_SZ string");
        return;
    }
    const std::wstring& actual = value->text;
    switch (row.data)
    {
    case RegData::LibraryPath:
    {
        const std::wstring tail = std::wstring(drovana::kLibraryFolder) + drovana::kLibraryFileName;
        if (!EndsWithIgnoringCase(actual, tail))
            fault(Where(row) + L": " + InQuotes(actual) + L" does not name ..." + tail);
        else if (!facts.FileExists(actual))
            faults.push_back({Verdict::Fault, kLibraryArea, L"library file missing at " + actual,
                              L"copy " + std::wstring(drovana::kLibraryFileName) + L" there, or " +
                                  kRepairRegistration + L" while the user of Explorer is signed in"});
        else if (!context.expectedLibraryPath.empty() &&
                 !EqualIgnoringCase(actual, context.expectedLibraryPath))
            faults.push_back({Verdict::Note, kLibraryArea,
                              L"library registered in another user's folder: " + actual + L" (this user's: " +
                                  context.expectedLibraryPath + L")",
                              L"fine if that user is the one signed in to Windows; else " +
                                  std::wstring(kRepairRegistration) + L" while that user is signed in"});
        return;
    }
    case RegData::LauncherFile:
        if (!EndsWithIgnoringCase(actual, L"\\" + std::wstring(row.text)))
            fault(Where(row) + L": " + InQuotes(actual) + L" does not end in \\" + row.text);
        else if (!facts.FileExists(actual))
            fault(L"icon file missing: " + actual + L" (" + Where(row) + L")",
                  L"reinstall: the Icons folder belongs beside DrovanaLauncher_x64.exe");
        return;
    case RegData::ClientIcon:
    {
        const std::wstring suffix = drovana::kClientIconSuffix;
        if (!EndsWithIgnoringCase(actual, suffix))
            fault(Where(row) + L": " + InQuotes(actual) + L" is not the client's icon (\"<client>" + suffix +
                  L"\")");
        else if (!facts.FileExists(actual.substr(0, actual.size() - suffix.size())))
            fault(L"virtual drive icon names a missing program: " + actual,
                  L"reinstall the client beside DrovanaLauncher_x64.exe, then " +
                      std::wstring(kRepairRegistration));
        return;
    }
    default:
        break;
    }
    const auto expected = ExpectedText(row, context);
    if (expected && !EqualIgnoringCase(actual, *expected))
        fault(Where(row) + L": is " + InQuotes(actual) + L", expected " + InQuotes(*expected));
}

// Adds one "ok" for an area without a fault of its own, then the faults (the library's among them);
// a fault that several rows share is reported once.
void Report(const wchar_t* area, size_t rowCount, std::vector<Finding> faults, std::vector<Finding>& findings)
{
    if (std::none_of(faults.begin(), faults.end(), [&](const Finding& f) { return f.area == area; }))
    {
        findings.push_back({Verdict::Ok, area,
                            std::to_wstring(rowCount) + L" registry entr" + (rowCount == 1 ? L"y" : L"ies") +
                                L" as the launcher writes them",
                            L""});
    }
    for (auto& fault : faults)
    {
        const bool seen = std::any_of(findings.begin(), findings.end(),
                                      [&](const Finding& earlier)
                                      { return earlier.area == fault.area && earlier.text == fault.text; });
        if (!seen)
            findings.push_back(std::move(fault));
    }
}

bool SameTarget(const RegRow& a, const RegRow& b)
{
    const bool sameValue =
        (!a.value && !b.value) || (a.value && b.value && std::wcscmp(a.value, b.value) == 0);
    return sameValue && std::wcscmp(a.key, b.key) == 0;
}

} // namespace

void CheckInstallerRows(const InstallFacts& facts, const RowContext& context, std::vector<Finding>& findings)
{
    for (const Area& area : kInstallerAreas)
    {
        std::vector<Finding> faults;
        size_t count = 0;
        for (const RegRow& row : drovana::kInstallerRows)
        {
            const int number = RowNumber(row);
            if (number < area.firstRow || number > area.lastRow)
                continue;
            ++count;
            CheckRow(row, area.name, facts, context, faults);
        }
        Report(area.name, count, std::move(faults), findings);
    }
    NoteSharedLibraryFolder(facts, findings);
}

void NoteSharedLibraryFolder(const InstallFacts& facts, std::vector<Finding>& findings)
{
    // The registration is machine-wide while the library lies in one user's application data: that
    // user can replace what every other user's Explorer loads. It is how the product installs.
    const auto row = std::find_if(std::begin(drovana::kInstallerRows), std::end(drovana::kInstallerRows),
                                  [](const RegRow& r) { return r.data == RegData::LibraryPath; });
    if (row == std::end(drovana::kInstallerRows))
        return;
    const auto value = facts.Value(row->root, row->key, row->value);
    if (!value || !value->isString || value->text.empty())
        return;
    findings.push_back({Verdict::Note, kLibraryArea,
                        L"Explorer loads the library for every user of this machine from " + value->text +
                            L", in one user's application data, a folder that this user can write.",
                        L"nothing to repair; on a machine that several people use, see Known limits in the "
                        L"README"});
}

void CheckVirtualDrive(const InstallFacts& facts, const RowContext& context, std::vector<Finding>& findings)
{
    constexpr const wchar_t* kArea = L"virtual drive";
    constexpr const wchar_t* kPlacesArea = L"places bar";
    const bool hasSyncFolder = !context.syncFolder.empty();

    std::vector<Finding> faults;
    size_t count = 0;
    for (const RegRow& row : drovana::kVirtualDriveClassRows)
    {
        // Placeholders that the per-user rows overwrite are judged by those rows; without a sync folder
        // they may hold another user's values, which is no fault.
        const bool overwritten =
            SameTarget(row, drovana::kVirtualDriveIconRow) ||
            std::any_of(std::begin(drovana::kVirtualDriveUserRows), std::end(drovana::kVirtualDriveUserRows),
                        [&](const RegRow& user) { return SameTarget(row, user); });
        if (overwritten)
            continue;
        ++count;
        CheckRow(row, kArea, facts, context, faults);
    }
    ++count;
    CheckRow(drovana::kVirtualDriveIconRow, kArea, facts, context, faults);

    std::vector<Finding> placesFaults;
    size_t placesCount = 0;
    if (hasSyncFolder)
    {
        for (const RegRow& row : drovana::kVirtualDriveUserRows)
        {
            const bool places = std::wcscmp(row.key, DROVANA_PLACES_BAR_KEY) == 0;
            (places ? placesCount : count) += row.action == RegAction::DeleteValue ? 0 : 1;
            CheckRow(row, places ? kPlacesArea : kArea, facts, context, places ? placesFaults : faults);
        }
    }
    Report(kArea, count, std::move(faults), findings);
    if (hasSyncFolder)
        Report(kPlacesArea, placesCount, std::move(placesFaults), findings);
    else
        findings.push_back(
            {Verdict::Note, kArea,
             L"no sync folder yet: the drive under \"Computer\" and the places bar are not set up "
             L"for this user",
             L"sign in to the client; then run \"DrovanaLauncher_x64.exe /Upgrade\""});
}

void CheckOverlaySlots(const InstallFacts& facts, std::vector<Finding>& findings)
{
    constexpr const wchar_t* kArea = L"overlay slots";
    const std::wstring prefix = DROVANA_OVERLAY_IDENTIFIERS_KEY;
    const std::wstring parent = prefix.substr(0, prefix.size() - 1); // without the trailing backslash

    std::vector<std::wstring> ours;
    for (const RegRow& row : drovana::kInstallerRows)
    {
        const std::wstring key = row.key;
        if (row.action == RegAction::SetString && key.size() > prefix.size() &&
            key.compare(0, prefix.size(), prefix) == 0)
            ours.push_back(key.substr(prefix.size()));
    }

    std::vector<RegisteredOverlay> registered;
    for (auto& name : facts.SubKeys(RegRoot::LocalMachine, parent))
        registered.push_back({std::move(name), L""});
    const auto ranked = RankOverlays(std::move(registered));

    for (const auto& name : ours)
    {
        const auto found =
            std::find_if(ranked.begin(), ranked.end(),
                         [&](const RankedOverlay& r) { return EqualIgnoringCase(r.registered.name, name); });
        if (found == ranked.end())
            continue; // a missing identifier is reported with the registration rows
        const std::wstring where = InQuotes(name) + L" is #" + std::to_wstring(found->rank) + L" of " +
                                   std::to_wstring(ranked.size());
        if (found->inSlots)
        {
            findings.push_back(
                {Verdict::Ok, kArea,
                 where + L", within the " + std::to_wstring(kHandlerSlots) + L" slots Explorer loads", L""});
            continue;
        }
        std::wstring others;
        for (auto it = ranked.begin(); it != found; ++it)
        {
            const bool isOurs =
                std::any_of(ours.begin(), ours.end(),
                            [&](const std::wstring& n) { return EqualIgnoringCase(n, it->registered.name); });
            if (!isOurs)
                others += (others.empty() ? L"" : L", ") + InQuotes(it->registered.name);
        }
        findings.push_back({Verdict::Fault, kArea,
                            where + L": beyond the " + std::to_wstring(kHandlerSlots) +
                                L" slots Explorer loads, so Explorer never shows it; ahead of it: " + others,
                            L"remove overlay handlers that are not needed from HKLM\\" + parent +
                                L" (or rename them to sort after ours), then restart Explorer"});
    }
}

std::vector<std::wstring> FormatFinding(const Finding& finding)
{
    const wchar_t* tag = finding.verdict == Verdict::Ok     ? L"[ok]    "
                         : finding.verdict == Verdict::Note ? L"[note]  "
                                                            : L"[FAULT] ";
    std::vector<std::wstring> lines{tag + finding.area + L": " + finding.text};
    if (!finding.action.empty())
        lines.push_back(L"        -> " + finding.action);
    return lines;
}

} // namespace pellicor::shellhost
