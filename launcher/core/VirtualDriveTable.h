#pragma once
// The virtual drive folder as data: a folder-shortcut class under HKEY_CLASSES_ROOT pointing at the
// sync folder, shown under "Computer" and first in the file dialogs' places bar for one user.
// Self-contained (no <windows.h>), like the registration sheets it extends.
#include "common/ClientSettingsNames.h"
#include "launcher/core/RegistrationTable.h"

namespace drovana
{

constexpr std::uint32_t kEnglishLanguage = 1033;
constexpr std::uint32_t kDefaultClientLanguage = 2052; // the launcher's default; the library's differs

struct VirtualDriveTexts
{
    const wchar_t* displayName;
    const wchar_t* infoTip;
};

constexpr VirtualDriveTexts kEnglishVirtualDriveTexts = {L"Drovana", L"Enter Drovana directory here"};
constexpr VirtualDriveTexts kChineseVirtualDriveTexts = {L"卓瓦纳", L"从这里进入同步目录"};

// English for 1033 only; every other language gets the Chinese texts.
constexpr const VirtualDriveTexts& VirtualDriveTextsFor(std::uint32_t language)
{
    return language == kEnglishLanguage ? kEnglishVirtualDriveTexts : kChineseVirtualDriveTexts;
}

// Where the client keeps its settings in each user's hive.
using pellicor::kClientLanguageValue;
using pellicor::kClientSettingsKey;
using pellicor::kSyncPathValue;

// SFGAO_HASSUBFOLDER | FILESYSTEM | FOLDER | FILESYSANCESTOR | BROWSABLE | STORAGEANCESTOR | DROPTARGET |
// STORAGE
constexpr std::uint32_t kVirtualDriveAttributes = 0xF8800108;

// clang-format off
// Machine-wide class with placeholders; the per-user rows below put in the real icon, texts and target.
inline constexpr RegRow kVirtualDriveClassRows[] = {
    rows::Set("1", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY, kUnnamed, L"卓瓦纳"),
    rows::Set("2", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY, L"InfoTip", L"从这里进入同步目录"),
    rows::Set("3", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\DefaultIcon", kUnnamed, L"C:\\drovana.exe,0"),
    rows::Set("4", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\InprocServer32", kUnnamed, L"shdocvw.dll"),
    rows::Set("5", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
    rows::Set("6", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\Instance", L"CLSID", L"{0afaced1-e828-11d1-9187-b532f1e9575d}"), // CLSID_FolderShortcut
    rows::Set("7", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\Instance\\InitPropertyBag", L"Target", L"C:\\卓瓦纳"),
    rows::SetNumber("8", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\ShellFolder", L"Attributes", kVirtualDriveAttributes),
    rows::Set("9", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\ShellFolder", L"wantsFORPARSING", L""),
    rows::Set("10", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\ShellFolder", L"QueryForOverlay", L""),
    rows::Set("11", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\ShellFolder", L"PinToNameSpaceTree", L""),
};

// Written whenever the user's hive opens, sync folder or not.
inline constexpr RegRow kVirtualDriveIconRow =
    rows::SetFrom("icon", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\DefaultIcon", kUnnamed, RegData::ClientIcon);

// Written only for a user with a sync folder. "place0" names the class as a child of My Computer;
// the other four places are set whatever the user had there.
inline constexpr RegRow kVirtualDriveUserRows[] = {
    rows::SetFrom("a", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY, kUnnamed, RegData::DisplayName),
    rows::SetFrom("b", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY, L"InfoTip", RegData::InfoTip),
    rows::SetFrom("c", rows::HKCR, DROVANA_VIRTUAL_DRIVE_CLASS_KEY L"\\Instance\\InitPropertyBag", L"Target", RegData::SyncFolder),
    rows::Set("d", rows::User, DROVANA_NAMESPACE_KEY, kUnnamed, L"pellicor drovana"),
    rows::DeleteValue("e", rows::User, DROVANA_PLACES_BAR_KEY, L"place0"),
    rows::Set("f", rows::User, DROVANA_PLACES_BAR_KEY, L"place0", L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::" DROVANA_VIRTUAL_DRIVE_CLSID),
    rows::SetNumber("g", rows::User, DROVANA_PLACES_BAR_KEY, L"place1", 0),  // Desktop
    rows::SetNumber("h", rows::User, DROVANA_PLACES_BAR_KEY, L"place2", 5),  // Documents
    rows::SetNumber("i", rows::User, DROVANA_PLACES_BAR_KEY, L"place3", 17), // Computer
    rows::SetNumber("j", rows::User, DROVANA_PLACES_BAR_KEY, L"place4", 18), // Network
};
// clang-format on

} // namespace drovana
