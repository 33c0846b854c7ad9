#include "shellhost/RegistryReader.h"

#include "common/UniqueHandle.h"

namespace pellicor::shellhost
{

namespace
{
UniqueKey OpenForRead(HKEY hive, const std::wstring& key)
{
    UniqueKey opened;
    if (::RegOpenKeyExW(hive, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, opened.put()) != ERROR_SUCCESS)
        opened.reset();
    return opened;
}
} // namespace

bool KeyExists(HKEY hive, const std::wstring& key)
{
    return static_cast<bool>(OpenForRead(hive, key));
}

std::optional<RegistryString> ReadString(HKEY hive, const std::wstring& key, const wchar_t* value)
{
    UniqueKey opened = OpenForRead(hive, key);
    if (!opened)
        return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(opened.get(), value, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)
        return RegistryString{L"", type};
    std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(opened.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                           &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    buffer.resize(bytes / sizeof(wchar_t));
    if (const auto nul = buffer.find(L'\0'); nul != std::wstring::npos)
        buffer.resize(nul);
    return RegistryString{buffer, type};
}

std::optional<DWORD> ReadDword(HKEY hive, const std::wstring& key, const wchar_t* value)
{
    UniqueKey opened = OpenForRead(hive, key);
    if (!opened)
        return std::nullopt;
    DWORD type = 0;
    DWORD data = 0;
    DWORD bytes = sizeof(data);
    if (::RegQueryValueExW(opened.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || bytes != sizeof(data))
        return std::nullopt;
    return data;
}

std::vector<std::wstring> SubKeyNames(HKEY hive, const std::wstring& key)
{
    std::vector<std::wstring> names;
    UniqueKey opened = OpenForRead(hive, key);
    if (!opened)
        return names;
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[256]; // the registry's own limit for a key name is 255 characters
        DWORD length = ARRAYSIZE(name);
        const LSTATUS status =
            ::RegEnumKeyExW(opened.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            continue;
        names.emplace_back(name, length);
    }
    return names;
}

std::wstring HiveName(HKEY hive)
{
    if (hive == HKEY_LOCAL_MACHINE)
        return L"HKLM";
    if (hive == HKEY_CURRENT_USER)
        return L"HKCU";
    if (hive == HKEY_CLASSES_ROOT)
        return L"HKCR";
    if (hive == HKEY_USERS)
        return L"HKU";
    return L"HK?";
}

std::wstring TypeName(DWORD type)
{
    switch (type)
    {
    case REG_SZ:
        return L"REG_SZ";
    case REG_EXPAND_SZ:
        return L"REG_EXPAND_SZ";
    case REG_MULTI_SZ:
        return L"REG_MULTI_SZ";
    case REG_DWORD:
        return L"REG_DWORD";
    case REG_BINARY:
        return L"REG_BINARY";
    case REG_QWORD:
        return L"REG_QWORD";
    default:
        return L"type " + std::to_wstring(type);
    }
}

InProcRegistration ReadInProcRegistration(const std::wstring& clsid)
{
    InProcRegistration registration;
    const std::wstring classKey = L"CLSID\\" + clsid;
    registration.classKey = KeyExists(HKEY_CLASSES_ROOT, classKey);
    registration.server = ReadString(HKEY_CLASSES_ROOT, classKey + L"\\InProcServer32", nullptr);
    registration.threadingModel =
        ReadString(HKEY_CLASSES_ROOT, classKey + L"\\InProcServer32", L"ThreadingModel");
    return registration;
}

} // namespace pellicor::shellhost
