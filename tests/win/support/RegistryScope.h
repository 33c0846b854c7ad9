#pragma once
// Registry reads and writes for tests, and a key that a test owns for its duration: deleted with its
// whole tree when the scope starts and again when it ends, so a test neither sees nor leaves
// anything behind. Writes fail the test when they fail.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

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
    bool SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) const;
    bool SetDword(const wchar_t* name, DWORD value) const;
    void Delete(const wchar_t* name) const;

    // Deletes the key's tree now (also done on exit).
    void Clear() const;

private:
    HKEY m_hive;
    std::wstring m_subKey;
};

// Reads that check the form of what was written.
struct RegValue
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
std::optional<RegValue> ReadRegValue(HKEY root, const std::wstring& key, const wchar_t* name);
// A REG_SZ value whose data is the text and exactly one terminating zero; nullopt otherwise.
std::optional<std::wstring> ReadRegString(HKEY root, const std::wstring& key, const wchar_t* name);
std::optional<DWORD> ReadRegNumber(HKEY root, const std::wstring& key, const wchar_t* name);
bool RegKeyExists(HKEY root, const std::wstring& key);

void SetRegRaw(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type, const void* data,
               DWORD size);
void SetRegString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text);
// The key with its whole tree.
void DeleteRegKey(HKEY root, const std::wstring& key);

} // namespace pellicor::test
