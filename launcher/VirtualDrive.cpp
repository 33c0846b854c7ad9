// The class key is machine-wide while the entries that show it are per user, so every run rewrites
// the class with the values of the user it runs for.
#include "launcher/VirtualDrive.h"

#include "common/UniqueHandle.h"
#include "launcher/Log.h"
#include "launcher/Registration.h"
#include "launcher/core/VirtualDriveTable.h"

#include <cstring>
#include <vector>

namespace drovana
{

using pellicor::UniqueKey;

namespace
{
// Opens the client's settings in the user's hive. Opening with create makes a missing key exist
// (empty) from here on; only a key that was there before holds anything worth reading.
bool OpenExistingClientSettings(HKEY userRoot, UniqueKey& key)
{
    DWORD disposition = 0;
    if (::RegCreateKeyExW(userRoot, kClientSettingsKey, 0, nullptr, 0, KEY_READ, nullptr, key.put(),
                          &disposition) != ERROR_SUCCESS)
        return false;
    return disposition == REG_OPENED_EXISTING_KEY;
}

// The value's bytes whatever its type; empty when it is missing or changes between the two reads.
std::vector<BYTE> ReadValueBytes(HKEY key, const wchar_t* valueName, DWORD& type)
{
    DWORD size = 0;
    if (::RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    std::vector<BYTE> data(size);
    if (::RegQueryValueExW(key, valueName, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return {};
    data.resize(size);
    return data;
}

// The sync folder as the client wrote it: the text up to the first zero or the end of the data,
// whatever the registry type; the data need not be terminated.
std::wstring ReadSyncFolder(HKEY userRoot)
{
    UniqueKey key;
    if (!OpenExistingClientSettings(userRoot, key))
        return {};
    DWORD type = 0;
    const std::vector<BYTE> data = ReadValueBytes(key.get(), kSyncPathValue, type);
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty())
        std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    const std::size_t zero = text.find(L'\0');
    if (zero != std::wstring::npos)
        text.resize(zero);
    return text;
}
} // namespace

void CreateVirtualDisk()
{
    const RegRowContext context;
    bool allWritten = true;
    for (const RegRow& row : kVirtualDriveClassRows)
    {
        if (!ApplyRegRow(row, context))
            allWritten = false;
    }
    LogFormat("CreateVirtualDisk return: %s", allWritten ? "true" : "false");
}

DWORD ReadClientLanguage(HKEY userRoot)
{
    UniqueKey key;
    if (!OpenExistingClientSettings(userRoot, key))
        return kDefaultClientLanguage;
    DWORD type = 0;
    const std::vector<BYTE> data = ReadValueBytes(key.get(), kClientLanguageValue, type);
    if (type != REG_DWORD || data.size() < sizeof(DWORD))
        return kDefaultClientLanguage;
    DWORD language = 0;
    std::memcpy(&language, data.data(), sizeof(language));
    return language;
}

void WriteUserVirtualDisk(const std::wstring& clientPath, const std::wstring& sid)
{
    UniqueKey userHive;
    RegRowContext context;
    if (!sid.empty())
    {
        // A user who is not logged on has no hive loaded under HKEY_USERS: write nothing at all.
        if (::RegOpenKeyExW(HKEY_USERS, sid.c_str(), 0, KEY_ALL_ACCESS, userHive.put()) != ERROR_SUCCESS)
        {
            LogFormatWide(L"RegOpenKeyEx open HKEY_USERS\\%s failed", sid.c_str());
            return;
        }
        context.userRoot = userHive.get();
    }

    context.clientPath = clientPath;
    ApplyRegRow(kVirtualDriveIconRow, context);

    context.syncFolder = ReadSyncFolder(context.userRoot);
    if (context.syncFolder.empty())
        return; // the client has no sync folder yet: the class keeps its placeholders

    const VirtualDriveTexts& texts = VirtualDriveTextsFor(ReadClientLanguage(context.userRoot));
    context.displayName = texts.displayName;
    context.infoTip = texts.infoTip;
    for (const RegRow& row : kVirtualDriveUserRows)
        ApplyRegRow(row, context);
}

} // namespace drovana
