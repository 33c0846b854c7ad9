#pragma once
// The launcher's registration sheets as data: what WriteInstallerReg writes and RemoveInstallerReg
// removes, row by row and in order. Self-contained (no <windows.h>) so that other tools, and tests
// that check a machine's registration, can read the same rows the launcher applies.
#include <cstdint>

// Class identifiers in their registry form, exactly as registered (the copy hook's is mixed case).
#define DROVANA_COPY_HOOK_CLSID L"{E3A90C52-71B4-4d6e-8F21-5C0B7D93A418}"
#define DROVANA_BROWSER_HELPER_CLSID L"{4F7B2D91-0E6C-4A38-B5D2-9A1C6E08F37B}"
#define DROVANA_SYNCED_CLSID L"{9C4E21B6-5A1D-4E7C-A2F8-3D6B90E4C1F5}" // also the context-menu handler
#define DROVANA_SYNCING_CLSID L"{9C4E21B4-5A1D-4E7C-A2F8-3D6B90E4C1F5}"
#define DROVANA_INVALID_CLSID L"{9C4E21B7-5A1D-4E7C-A2F8-3D6B90E4C1F5}"
#define DROVANA_VIRTUAL_DRIVE_CLSID L"{6A0D3E87-C2F1-4B59-8E36-71D4A2B9C05E}"

#define DROVANA_BROWSER_HELPERS_KEY                                                                          \
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\"
#define DROVANA_OVERLAY_IDENTIFIERS_KEY                                                                      \
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\\"
#define DROVANA_APPROVED_KEY L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved"
#define DROVANA_OVERLAY_ICONS_KEY L"SOFTWARE\\PellicorOverlays"
#define DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"CLSID\\" DROVANA_VIRTUAL_DRIVE_CLSID
#define DROVANA_NAMESPACE_KEY                                                                                \
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace"                         \
    L"\\" DROVANA_VIRTUAL_DRIVE_CLSID
#define DROVANA_PLACES_BAR_KEY L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Comdlg32\\PlacesBar"

namespace drovana
{

enum class RegRoot
{
    ClassesRoot,  // HKEY_CLASSES_ROOT
    LocalMachine, // HKEY_LOCAL_MACHINE, native view
    CurrentUser,  // HKEY_CURRENT_USER of the account running the launcher
    UserRoot,     // the user whose virtual drive entries are written: HKEY_USERS\<SID> or HKEY_CURRENT_USER
};

enum class RegAction
{
    SetString,   // REG_SZ with its terminating zero
    SetNumber,   // REG_DWORD
    DeleteKey,   // the whole key with its subkeys
    DeleteValue, // one value; a missing key or value is skipped
};

// Where a row's data comes from when it is not written out in the row itself.
enum class RegData
{
    Text,         // the row's text as it stands
    LibraryPath,  // interactive user's application-data folder + "\Pellicor\" + the library's file name
    LauncherFile, // launcher directory (ending in "\") + the row's text
    ClientIcon,   // client path + ", 0"
    DisplayName,  // virtual drive name in the user's language
    InfoTip,      // virtual drive tip in the user's language
    SyncFolder,   // the user's sync folder
};

struct RegRow
{
    const char* row; // the row's label on its sheet
    RegRoot root;
    RegAction action;
    const wchar_t* key;
    const wchar_t* value; // nullptr: the key's unnamed value
    RegData data;
    const wchar_t* text;
    std::uint32_t number;
};

constexpr const wchar_t* kUnnamed = nullptr;
constexpr const wchar_t* kClientIconSuffix = L", 0"; // icon index 0 of the client program
constexpr const wchar_t* kLibraryFileName = L"PellicorOverlays_x64_10060.dll";
constexpr const wchar_t* kLibraryFolder = L"\\Pellicor\\";

namespace rows
{
constexpr RegRoot HKCR = RegRoot::ClassesRoot;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot User = RegRoot::UserRoot;

constexpr RegRow Set(const char* row, RegRoot root, const wchar_t* key, const wchar_t* value,
                     const wchar_t* text)
{
    return {row, root, RegAction::SetString, key, value, RegData::Text, text, 0};
}
constexpr RegRow SetFrom(const char* row, RegRoot root, const wchar_t* key, const wchar_t* value,
                         RegData data, const wchar_t* text = nullptr)
{
    return {row, root, RegAction::SetString, key, value, data, text, 0};
}
constexpr RegRow SetNumber(const char* row, RegRoot root, const wchar_t* key, const wchar_t* value,
                           std::uint32_t number)
{
    return {row, root, RegAction::SetNumber, key, value, RegData::Text, nullptr, number};
}
constexpr RegRow DeleteKey(const char* row, RegRoot root, const wchar_t* key)
{
    return {row, root, RegAction::DeleteKey, key, nullptr, RegData::Text, nullptr, 0};
}
constexpr RegRow DeleteValue(const char* row, RegRoot root, const wchar_t* key, const wchar_t* value)
{
    return {row, root, RegAction::DeleteValue, key, value, RegData::Text, nullptr, 0};
}
} // namespace rows

// Explorer loads overlay identifiers in the order of their key names and only the first few: five
// spaces sort before "!" and letters. The "!!!" names of an earlier release are deleted on install.
// clang-format off
inline constexpr RegRow kInstallerRows[] = {
    rows::Set("1", rows::HKCR, L"Directory\\Shellex\\CopyHookHandlers\\PellicorCopyHook", kUnnamed, DROVANA_COPY_HOOK_CLSID),
    rows::Set("2", rows::HKCR, L"CLSID\\" DROVANA_COPY_HOOK_CLSID, kUnnamed, L"CopyHook"),
    rows::SetFrom("3", rows::HKCR, L"CLSID\\" DROVANA_COPY_HOOK_CLSID L"\\InProcServer32", kUnnamed, RegData::LibraryPath),
    rows::Set("4", rows::HKCR, L"CLSID\\" DROVANA_COPY_HOOK_CLSID L"\\InProcServer32", L"ThreadingModel", L"Apartment"),
    rows::Set("5", rows::HKCR, L"CLSID\\" DROVANA_COPY_HOOK_CLSID L"\\ProgID", kUnnamed, L"quorvi84.CopyHook.1"),
    rows::Set("6", rows::HKCR, L"quorvi84.CopyHook.1", kUnnamed, L"CopyHook"),
    rows::Set("7", rows::HKCR, L"quorvi84.CopyHook.1\\CLSID", kUnnamed, DROVANA_COPY_HOOK_CLSID),
    rows::Set("8", rows::HKLM, DROVANA_BROWSER_HELPERS_KEY DROVANA_BROWSER_HELPER_CLSID, kUnnamed, L"DrovanaStatBHO"),
    rows::Set("9", rows::HKCR, L"CLSID\\" DROVANA_BROWSER_HELPER_CLSID, kUnnamed, L"DrovanaStatBHO Class"),
    rows::SetFrom("10", rows::HKCR, L"CLSID\\" DROVANA_BROWSER_HELPER_CLSID L"\\InProcServer32", kUnnamed, RegData::LibraryPath),
    rows::Set("11", rows::HKCR, L"CLSID\\" DROVANA_BROWSER_HELPER_CLSID L"\\InProcServer32", L"ThreadingModel", L"Apartment"),
    rows::Set("12", rows::HKCR, L"CLSID\\" DROVANA_SYNCED_CLSID, kUnnamed, L"PellicorOverlays"),
    rows::SetFrom("13", rows::HKCR, L"CLSID\\" DROVANA_SYNCED_CLSID L"\\InProcServer32", kUnnamed, RegData::LibraryPath),
    rows::Set("14", rows::HKCR, L"CLSID\\" DROVANA_SYNCED_CLSID L"\\InProcServer32", L"ThreadingModel", L"Apartment"),
    rows::Set("15", rows::HKCR, L"CLSID\\" DROVANA_SYNCING_CLSID, kUnnamed, L"PellicorOverlays"),
    rows::SetFrom("16", rows::HKCR, L"CLSID\\" DROVANA_SYNCING_CLSID L"\\InProcServer32", kUnnamed, RegData::LibraryPath),
    rows::Set("17", rows::HKCR, L"CLSID\\" DROVANA_SYNCING_CLSID L"\\InProcServer32", L"ThreadingModel", L"Apartment"),
    rows::Set("18", rows::HKCR, L"CLSID\\" DROVANA_INVALID_CLSID, kUnnamed, L"PellicorOverlays"),
    rows::SetFrom("19", rows::HKCR, L"CLSID\\" DROVANA_INVALID_CLSID L"\\InProcServer32", kUnnamed, RegData::LibraryPath),
    rows::Set("20", rows::HKCR, L"CLSID\\" DROVANA_INVALID_CLSID L"\\InProcServer32", L"ThreadingModel", L"Apartment"),
    rows::Set("21", rows::HKCR, L"AllFileSystemObjects\\ShellEx\\ContextMenuHandlers\\PellicorShlExt", kUnnamed, DROVANA_SYNCED_CLSID),
    rows::DeleteKey("22", rows::HKLM, DROVANA_OVERLAY_IDENTIFIERS_KEY L"!!!YelvashSynced"),
    rows::DeleteKey("22", rows::HKLM, DROVANA_OVERLAY_IDENTIFIERS_KEY L"!!!YelvashSyncing"),
    rows::DeleteKey("22", rows::HKLM, DROVANA_OVERLAY_IDENTIFIERS_KEY L"!!!YelvashInvalid"),
    rows::Set("23", rows::HKLM, DROVANA_OVERLAY_IDENTIFIERS_KEY L"     !YelvashSynced", kUnnamed, DROVANA_SYNCED_CLSID),
    rows::Set("24", rows::HKLM, DROVANA_OVERLAY_IDENTIFIERS_KEY L"     !YelvashSyncing", kUnnamed, DROVANA_SYNCING_CLSID),
    rows::Set("25", rows::HKLM, DROVANA_OVERLAY_IDENTIFIERS_KEY L"     !YelvashInvalid", kUnnamed, DROVANA_INVALID_CLSID),
    rows::SetFrom("26", rows::HKLM, DROVANA_OVERLAY_ICONS_KEY, L"SyncedIcon", RegData::LauncherFile, L"Icons\\Synced.ico"),
    rows::SetFrom("27", rows::HKLM, DROVANA_OVERLAY_ICONS_KEY, L"SyncingIcon", RegData::LauncherFile, L"Icons\\Syncing.ico"),
    rows::SetFrom("28", rows::HKLM, DROVANA_OVERLAY_ICONS_KEY, L"InvalidIcon", RegData::LauncherFile, L"Icons\\Invalid.ico"),
    rows::DeleteKey("29", rows::HKLM, DROVANA_OVERLAY_ICONS_KEY L"\\Synced"),
    rows::DeleteKey("29", rows::HKLM, DROVANA_OVERLAY_ICONS_KEY L"\\Syncing"),
    rows::DeleteKey("29", rows::HKLM, DROVANA_OVERLAY_ICONS_KEY L"\\Invalid"),
    rows::Set("30", rows::HKLM, DROVANA_APPROVED_KEY, DROVANA_SYNCED_CLSID, L"PellicorOverlays"),
    rows::Set("31", rows::HKLM, DROVANA_APPROVED_KEY, DROVANA_SYNCING_CLSID, L"PellicorOverlays"),
    rows::Set("32", rows::HKLM, DROVANA_APPROVED_KEY, DROVANA_INVALID_CLSID, L"PellicorOverlays"),
};

// Removal leaves the "!!!" identifiers and the Approved key itself alone. Rows 18 and 19 act on the
// account running the launcher; "place0" goes back to the Recent Items place, "place1" to "place4" stay.
inline constexpr RegRow kRemovalRows[] = {
    rows::DeleteKey("1", rows::HKCR, L"Directory\\Shellex\\CopyHookHandlers\\PellicorCopyHook"),
    rows::DeleteKey("2", rows::HKCR, L"CLSID\\" DROVANA_COPY_HOOK_CLSID),
    rows::DeleteKey("3", rows::HKCR, L"quorvi84.CopyHook.1"),
    rows::DeleteKey("4", rows::HKLM, DROVANA_BROWSER_HELPERS_KEY DROVANA_BROWSER_HELPER_CLSID),
    rows::DeleteKey("5", rows::HKCR, L"CLSID\\" DROVANA_BROWSER_HELPER_CLSID),
    rows::DeleteKey("6", rows::HKCR, L"CLSID\\" DROVANA_SYNCED_CLSID),
    rows::DeleteKey("7", rows::HKCR, L"CLSID\\" DROVANA_SYNCING_CLSID),
    rows::DeleteKey("8", rows::HKCR, L"CLSID\\" DROVANA_INVALID_CLSID),
    rows::DeleteKey("9", rows::HKCR, L"AllFileSystemObjects\\ShellEx\\ContextMenuHandlers\\PellicorShlExt"),
    rows::DeleteKey("10", rows::HKLM, DROVANA_OVERLAY_IDENTIFIERS_KEY L"     !YelvashSynced"),
    rows::DeleteKey("11", rows::HKLM, DROVANA_OVERLAY_IDENTIFIERS_KEY L"     !YelvashSyncing"),
    rows::DeleteKey("12", rows::HKLM, DROVANA_OVERLAY_IDENTIFIERS_KEY L"     !YelvashInvalid"),
    rows::DeleteKey("13", rows::HKLM, DROVANA_OVERLAY_ICONS_KEY),
    rows::DeleteValue("14", rows::HKLM, DROVANA_APPROVED_KEY, DROVANA_SYNCED_CLSID),
    rows::DeleteValue("15", rows::HKLM, DROVANA_APPROVED_KEY, DROVANA_SYNCING_CLSID),
    rows::DeleteValue("16", rows::HKLM, DROVANA_APPROVED_KEY, DROVANA_INVALID_CLSID),
    rows::DeleteKey("17", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY),
    rows::DeleteKey("18", rows::HKCU, DROVANA_NAMESPACE_KEY),
    rows::DeleteValue("19", rows::HKCU, DROVANA_PLACES_BAR_KEY, L"place0"),
    rows::SetNumber("19", rows::HKCU, DROVANA_PLACES_BAR_KEY, L"place0", 8), // Recent Items
};
// clang-format on

} // namespace drovana
