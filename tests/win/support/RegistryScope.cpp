#include "tests/win/support/RegistryScope.h"

#include "common/UniqueHandle.h"

#include <utility>

namespace pellicor::test
{

RegistryScope::RegistryScope(HKEY hive, std::wstring subKey) : m_hive(hive), m_subKey(std::move(subKey))
{
    Clear();
}

RegistryScope::~RegistryScope()
{
    Clear();
}

void RegistryScope::Clear() const
{
    ::RegDeleteTreeW(m_hive, m_subKey.c_str());
    ::RegDeleteKeyW(m_hive, m_subKey.c_str());
}

bool RegistryScope::CreateEmpty() const
{
    UniqueKey key;
    return ::RegCreateKeyExW(m_hive, m_subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                             nullptr) == ERROR_SUCCESS;
}

bool RegistryScope::SetBytes(const wchar_t* name, const void* data, DWORD size, DWORD type) const
{
    UniqueKey key;
    if (::RegCreateKeyExW(m_hive, m_subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool RegistryScope::SetString(const wchar_t* name, const std::wstring& value, DWORD type) const
{
    return SetBytes(name, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)), type);
}

bool RegistryScope::SetDword(const wchar_t* name, DWORD value) const
{
    return SetBytes(name, &value, sizeof value, REG_DWORD);
}

} // namespace pellicor::test
