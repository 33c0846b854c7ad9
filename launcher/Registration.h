#pragma once
// Shell registration of the library: class registrations, copy hook, browser helper, overlay
// identifiers, overlay icons and approvals, written and removed row by row from RegistrationTable.h.
#include "launcher/core/RegistrationTable.h"

#include <windows.h>
#include <string>

namespace drovana
{

// The hive a row names; userRoot is the hive of the user whose entries are written (HKEY_USERS\<SID>,
// or HKEY_CURRENT_USER). Inline, so that the shell host's doctor reads the rows where they are written.
inline HKEY RootKey(RegRoot root, HKEY userRoot) noexcept
{
    switch (root)
    {
    case RegRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case RegRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegRoot::UserRoot:
        return userRoot;
    }
    return nullptr;
}

// Opens the key for writing or else creates it, sets one value and closes the key again: one key
// opening per value, so one value that cannot be written costs only itself.
bool WriteRegString(HKEY root, const wchar_t* key, const wchar_t* valueName, const wchar_t* text);
bool WriteRegNumber(HKEY root, const wchar_t* key, const wchar_t* valueName, DWORD number);

// The data that rows take from the running system instead of from the sheet.
struct RegRowContext
{
    HKEY userRoot = HKEY_CURRENT_USER;
    std::wstring libraryPath;
    std::wstring launcherDirectory;
    std::wstring clientPath;
    std::wstring displayName;
    std::wstring infoTip;
    std::wstring syncFolder;
};

// The application-data folder of the token's user (the launcher's own for a null token), where the
// library is registered; the Shell Folders value when the token cannot resolve it; empty when unknown.
std::wstring InteractiveAppDataFolder(HANDLE token);

// Applies one row; false when its key or value could not be opened, created, set or deleted.
bool ApplyRegRow(const RegRow& row, const RegRowContext& context);

// Writes every installer row in order; a row that fails is skipped. The library path follows the
// interactive user's application-data folder, the icon paths the launcher directory (ending in "\").
// preferredSid (the command line's SID, or null) picks that user's Explorer when several are signed in.
void WriteInstallerReg(const std::wstring& launcherDirectory, const wchar_t* preferredSid = nullptr);

// Applies every removal row in order; missing keys and values are skipped.
void RemoveInstallerReg();

} // namespace drovana
