#pragma once
// Read-only registry access for the shell host. It opens keys and never creates them: looking at a
// customer's installation must not change it.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace pellicor::shellhost
{

struct RegistryString
{
    std::wstring text; // up to the first NUL
    DWORD type = REG_NONE;
};

bool KeyExists(HKEY hive, const std::wstring& key);
// value null: the key's default value. Any string type is returned with its type for the caller to judge.
std::optional<RegistryString> ReadString(HKEY hive, const std::wstring& key, const wchar_t* value);
std::optional<DWORD> ReadDword(HKEY hive, const std::wstring& key, const wchar_t* value);
std::vector<std::wstring> SubKeyNames(HKEY hive, const std::wstring& key); // in the order the registry gives

std::wstring HiveName(HKEY hive);  // "HKLM" and the like
std::wstring TypeName(DWORD type); // "REG_SZ" and the like

// Where Windows finds a class's server, from HKCR\CLSID\{...}\InProcServer32.
struct InProcRegistration
{
    bool classKey = false; // HKCR\CLSID\{...} exists
    std::optional<RegistryString> server;
    std::optional<RegistryString> threadingModel;
};
InProcRegistration ReadInProcRegistration(const std::wstring& clsid);

} // namespace pellicor::shellhost
