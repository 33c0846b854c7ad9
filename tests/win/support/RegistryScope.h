#pragma once
// A registry key that a test owns for its duration: deleted with its whole tree when the scope
// starts and again when it ends, so a test neither sees nor leaves anything behind.
#include <windows.h>

#include <string>

namespace pellicor::test
{

class RegistryScope
{
public:
    RegistryScope(HKEY hive, std::wstring subKey);
    ~RegistryScope();
    RegistryScope(const RegistryScope&) = delete;
    RegistryScope& operator=(const RegistryScope&) = delete;

    // Each creates the key when needed; true on success.
    bool SetString(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) const;
    bool SetBytes(const wchar_t* name, const void* data, DWORD size, DWORD type) const;
    bool SetDword(const wchar_t* name, DWORD value) const;
    bool CreateEmpty() const;

    // Deletes the key's tree now (also done on exit).
    void Clear() const;

    HKEY Hive() const { return m_hive; }
    const std::wstring& SubKey() const { return m_subKey; }

private:
    HKEY m_hive;
    std::wstring m_subKey;
};

} // namespace pellicor::test
