// The client's registry settings. The client writes them at any time, so every operation opens the
// key, reads and closes it again; nothing is remembered between calls.
#include "shellext/settings/Settings.h"

#include "common/NoThrow.h"

#include <vector>

namespace pellicor
{

namespace
{

constexpr const wchar_t* kClientAppPathKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\drovana.exe";

constexpr DWORD kDefaultLanguage = 1033;

// Two-step read: the size first, then the data into a buffer of exactly that size. A value that
// grows in between makes the second call fail, which counts as missing.
bool QueryValueBytes(HKEY key, const wchar_t* name, DWORD wantedType, std::vector<BYTE>& data)
{
    DWORD size = 0;
    if (::RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return false;
    data.assign(size, 0);
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return false;
    if (type != wantedType)
        return false;
    data.resize(size);
    return true;
}

} // namespace

bool OpenKeyForRead(HKEY hive, const wchar_t* path, UniqueKey& key)
{
    // Create-or-open: a key that did not exist is created empty and left behind, but reads as missing.
    DWORD disposition = 0;
    const LONG status =
        ::RegCreateKeyExW(hive, path, 0, nullptr, 0, KEY_READ, nullptr, key.put(), &disposition);
    return status == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY;
}

bool QueryRegistryString(HKEY key, const wchar_t* name, std::wstring& out)
{
    return NoThrow(
        [&]
        {
            std::vector<BYTE> data;
            if (!QueryValueBytes(key, name, REG_SZ, data))
                return false;
            // The stored text ends at its first NUL, or at the end of the data when it holds none.
            const auto* units = reinterpret_cast<const wchar_t*>(data.data());
            const std::size_t count = data.size() / sizeof(wchar_t);
            std::size_t length = 0;
            while (length < count && units[length] != L'\0')
                ++length;
            out.assign(units, length);
            return true;
        });
}

bool QueryRegistryDword(HKEY key, const wchar_t* name, DWORD& out)
{
    return NoThrow(
        [&]
        {
            std::vector<BYTE> data;
            if (!QueryValueBytes(key, name, REG_DWORD, data) || data.size() < sizeof(DWORD))
                return false;
            out = static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
                  static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24;
            return true;
        });
}

std::wstring SyncFolderPath()
{
    return NoThrow(
        []
        {
            std::wstring result;
            UniqueKey key;
            if (!OpenKeyForRead(HKEY_CURRENT_USER, kClientKeyPath, key))
                return result;
            // No signed-in user means no sync folder, whatever path was left behind.
            std::wstring userName;
            QueryRegistryString(key.get(), kUserNameValue, userName);
            if (!userName.empty())
                QueryRegistryString(key.get(), kSyncPathValue, result);
            return result;
        });
}

bool ReadUserProfile(std::wstring* nickName, std::wstring* avatarPath)
{
    UniqueKey key;
    if (!OpenKeyForRead(HKEY_CURRENT_USER, kClientKeyPath, key))
        return false;
    // A value that cannot be read leaves the caller's earlier one in place.
    if (nickName)
        QueryRegistryString(key.get(), kNickNameValue, *nickName);
    if (avatarPath)
        QueryRegistryString(key.get(), kAvatarPathValue, *avatarPath);
    return true;
}

DWORD ReadLanguageId()
{
    DWORD language = kDefaultLanguage;
    UniqueKey key;
    if (OpenKeyForRead(HKEY_CURRENT_USER, kClientKeyPath, key))
        QueryRegistryDword(key.get(), kClientLanguageValue, language);
    return language;
}

std::wstring ReadClientExecutablePath()
{
    return NoThrow(
        []
        {
            std::wstring result;
            UniqueKey key;
            // Explorer runs unelevated: under the machine hive a missing key simply fails to open.
            if (OpenKeyForRead(HKEY_LOCAL_MACHINE, kClientAppPathKey, key))
                QueryRegistryString(key.get(), L"", result);
            return result;
        });
}

} // namespace pellicor
