#include "tests/win/support/ClientSettingsKey.h"

#include <stdexcept>

namespace pellicor::test
{

namespace
{

HKEY CreateClientKey()
{
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kTestClientKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the client settings key");
    return key;
}

} // namespace

bool KeyExists(HKEY hive, const wchar_t* path)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(hive, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

void DeleteKeyTree(HKEY hive, const wchar_t* path)
{
    ::RegDeleteTreeW(hive, path);
    ::RegDeleteKeyW(hive, path);
}

ClientSettingsKey::ClientSettingsKey()
{
    DeleteKeyTree(HKEY_CURRENT_USER, kTestClientKey);
}

ClientSettingsKey::~ClientSettingsKey()
{
    DeleteKeyTree(HKEY_CURRENT_USER, kTestClientKey);
}

void ClientSettingsKey::SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = CreateClientKey();
    const LONG status = ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("cannot write a client setting");
}

void ClientSettingsKey::SetString(const wchar_t* name, const std::wstring& value, DWORD type)
{
    SetRaw(name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void ClientSettingsKey::SetDword(const wchar_t* name, DWORD value)
{
    SetRaw(name, REG_DWORD, &value, sizeof value);
}

void ClientSettingsKey::Delete(const wchar_t* name)
{
    HKEY key = CreateClientKey();
    ::RegDeleteValueW(key, name);
    ::RegCloseKey(key);
}

void ClientSettingsKey::SignIn(const std::wstring& syncPath, DWORD language)
{
    SetString(L"username", L"tester");
    SetString(L"syncPath", syncPath);
    SetDword(L"DrovanaLanguage", language);
}

} // namespace pellicor::test
