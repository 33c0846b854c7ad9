#pragma once
// Throwaway client settings for tests: the key HKEY_CURRENT_USER\Software\Pellicor\Client is removed
// when the fixture is made and again when it goes away, so no test sees another's values.
#include <windows.h>

#include <string>

namespace pellicor::test
{

constexpr const wchar_t* kTestClientKey = L"Software\\Pellicor\\Client";
constexpr const wchar_t* kTestAppPathKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\drovana.exe";

class ClientSettingsKey
{
public:
    ClientSettingsKey();
    ~ClientSettingsKey();
    ClientSettingsKey(const ClientSettingsKey&) = delete;
    ClientSettingsKey& operator=(const ClientSettingsKey&) = delete;

    // Each creates the key when needed and writes one value of the given type.
    void SetString(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ);
    void SetDword(const wchar_t* name, DWORD value);
    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size);
    void Delete(const wchar_t* name);

    // The typical signed-in client: a user name and a sync folder.
    void SignIn(const std::wstring& syncPath, DWORD language = 1033);
};

// True when the key exists under the hive.
bool KeyExists(HKEY hive, const wchar_t* path);
void DeleteKeyTree(HKEY hive, const wchar_t* path);

} // namespace pellicor::test
