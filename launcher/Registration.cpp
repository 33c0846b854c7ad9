// The rows are machine-wide and need administrative rights; the launcher reports no single failure,
// it only logs where the writing started and ended, so a half-registered machine shows in the log.
#include "launcher/Registration.h"

#include "common/UniqueHandle.h"
#include "launcher/Log.h"
#include "launcher/ProcessToken.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace drovana
{

using pellicor::UniqueKernelHandle;
using pellicor::UniqueKey;

namespace
{
constexpr const wchar_t* kShellFoldersKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const wchar_t* kAppDataValue = L"AppData";

std::wstring RowText(const RegRow& row, const RegRowContext& context)
{
    std::wstring text = row.text ? row.text : L"";
    switch (row.data)
    {
    case RegData::Text:
        return text;
    case RegData::LibraryPath:
        return context.libraryPath;
    case RegData::LauncherFile:
        return context.launcherDirectory + text;
    case RegData::ClientIcon:
        return context.clientPath + kClientIconSuffix;
    case RegData::DisplayName:
        return context.displayName;
    case RegData::InfoTip:
        return context.infoTip;
    case RegData::SyncFolder:
        return context.syncFolder;
    }
    return text;
}

bool OpenOrCreateForWriting(HKEY root, const wchar_t* key, UniqueKey& opened)
{
    if (::RegOpenKeyExW(root, key, 0, KEY_WRITE, opened.put()) == ERROR_SUCCESS)
        return true;
    return ::RegCreateKeyW(root, key, opened.put()) == ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY root, const wchar_t* key, const wchar_t* valueName)
{
    UniqueKey opened;
    if (::RegOpenKeyExW(root, key, 0, KEY_ALL_ACCESS, opened.put()) != ERROR_SUCCESS)
        return false;
    return ::RegDeleteValueW(opened.get(), valueName) == ERROR_SUCCESS;
}

// The Shell Folders value is the fallback when the folder cannot be resolved with the token; only
// string data counts, and the text always ends inside the buffer.
std::wstring AppDataFromShellFolders()
{
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return {};
    wchar_t folder[MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = sizeof(folder) - sizeof(wchar_t);
    if (::RegQueryValueExW(key.get(), kAppDataValue, nullptr, &type, reinterpret_cast<BYTE*>(folder),
                           &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    return std::wstring(folder, wcsnlen(folder, size / sizeof(wchar_t)));
}
} // namespace

// The folder of whoever owns the shell, so the library lands in the profile of the user who will load
// it, not of the administrator running the installer.
std::wstring InteractiveAppDataFolder(HANDLE token)
{
    wchar_t folder[MAX_PATH] = {};
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, token, SHGFP_TYPE_CURRENT, folder)))
        return folder;
    return AppDataFromShellFolders();
}

bool WriteRegString(HKEY root, const wchar_t* key, const wchar_t* valueName, const wchar_t* text)
{
    UniqueKey opened;
    if (!OpenOrCreateForWriting(root, key, opened))
        return false;
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(opened.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) ==
           ERROR_SUCCESS;
}

bool WriteRegNumber(HKEY root, const wchar_t* key, const wchar_t* valueName, DWORD number)
{
    UniqueKey opened;
    if (!OpenOrCreateForWriting(root, key, opened))
        return false;
    return ::RegSetValueExW(opened.get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                            sizeof(number)) == ERROR_SUCCESS;
}

bool ApplyRegRow(const RegRow& row, const RegRowContext& context)
{
    const HKEY root = RootKey(row.root, context.userRoot);
    if (!root || !row.key)
        return false;
    switch (row.action)
    {
    case RegAction::SetString:
        return WriteRegString(root, row.key, row.value, RowText(row, context).c_str());
    case RegAction::SetNumber:
        return WriteRegNumber(root, row.key, row.value, row.number);
    case RegAction::DeleteKey:
        return ::SHDeleteKeyW(root, row.key) == ERROR_SUCCESS;
    case RegAction::DeleteValue:
        return DeleteRegValue(root, row.key, row.value);
    }
    return false;
}

void WriteInstallerReg(const std::wstring& launcherDirectory, const wchar_t* preferredSid)
{
    LogFormatWide(L"start write installer reg.");

    HANDLE rawToken = nullptr;
    const bool listed = GetProcessTokenByName(kShellImageName, &rawToken, preferredSid);
    UniqueKernelHandle token(rawToken);
    if (!listed)
    {
        LogFormatWide(L"Get token failed.");
        return;
    }

    // Without a token (no shell running) the folder is that of the account running the launcher.
    const std::wstring appData = InteractiveAppDataFolder(token.get());
    LogFormatWide(L"AppData Folder: %s", appData.c_str());

    RegRowContext context;
    context.libraryPath = appData + kLibraryFolder + kLibraryFileName;
    context.launcherDirectory = launcherDirectory;
    for (const RegRow& row : kInstallerRows)
        ApplyRegRow(row, context);

    LogFormatWide(L"end write reg.");
}

void RemoveInstallerReg()
{
    const RegRowContext context;
    for (const RegRow& row : kRemovalRows)
        ApplyRegRow(row, context);
}

} // namespace drovana
