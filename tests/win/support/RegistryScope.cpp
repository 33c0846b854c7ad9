#include "tests/win/support/RegistryScope.h"

#include "common/UniqueHandle.h"
#include "common/TextConversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace pellicor::test
{

namespace
{

// A string value's size: the text and its terminating zero.
DWORD TextSize(const std::wstring& text)
{
    return static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
}

} // namespace

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
    DeleteRegKey(m_hive, m_subKey);
}

bool RegistryScope::SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) const
{
    // The key is created when needed.
    const bool written = ::RegSetKeyValueW(m_hive, m_subKey.c_str(), name, type, data, size) == ERROR_SUCCESS;
    EXPECT_TRUE(written) << "cannot write " << ToUtf8(m_subKey) << " value " << ToUtf8(name ? name : L"");
    return written;
}

bool RegistryScope::SetString(const wchar_t* name, const std::wstring& value, DWORD type) const
{
    return SetRaw(name, type, value.c_str(), TextSize(value));
}

bool RegistryScope::SetDword(const wchar_t* name, DWORD value) const
{
    return SetRaw(name, REG_DWORD, &value, sizeof value);
}

void RegistryScope::Delete(const wchar_t* name) const
{
    ::RegDeleteKeyValueW(m_hive, m_subKey.c_str(), name);
}

std::optional<RegValue> ReadRegValue(HKEY root, const std::wstring& key, const wchar_t* name)
{
    UniqueKey opened;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS)
        return std::nullopt;
    RegValue value;
    DWORD size = 0;
    if (::RegQueryValueExW(opened.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    if (::RegQueryValueExW(opened.get(), name, nullptr, &value.type, value.data.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    return value;
}

std::optional<std::wstring> ReadRegString(HKEY root, const std::wstring& key, const wchar_t* name)
{
    const auto value = ReadRegValue(root, key, name);
    if (!value || value->type != REG_SZ || value->data.size() < sizeof(wchar_t) ||
        value->data.size() % 2 != 0)
        return std::nullopt;
    std::wstring text(value->data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value->data.data(), value->data.size());
    // Exactly one terminating zero, counted in the data.
    if (text.back() != L'\0')
        return std::nullopt;
    text.pop_back();
    if (text.find(L'\0') != std::wstring::npos)
        return std::nullopt;
    return text;
}

std::optional<DWORD> ReadRegNumber(HKEY root, const std::wstring& key, const wchar_t* name)
{
    const auto value = ReadRegValue(root, key, name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, value->data.data(), sizeof(number));
    return number;
}

bool RegKeyExists(HKEY root, const std::wstring& key)
{
    UniqueKey opened;
    return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

void SetRegRaw(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type, const void* data,
               DWORD size)
{
    ASSERT_EQ(::RegSetKeyValueW(root, key.c_str(), name, type, data, size), ERROR_SUCCESS) << ToUtf8(key);
}

void SetRegString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text)
{
    SetRegRaw(root, key, name, REG_SZ, text.c_str(), TextSize(text));
}

void DeleteRegKey(HKEY root, const std::wstring& key)
{
    ::RegDeleteTreeW(root, key.c_str());
    ::RegDeleteKeyW(root, key.c_str());
}

} // namespace pellicor::test
