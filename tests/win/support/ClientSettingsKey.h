#pragma once
// Throwaway client settings for tests: the key HKEY_CURRENT_USER\Software\Pellicor\Client is removed
// when the fixture is made and again when it goes away, so no test sees another's values. Every test
// program that rewrites it takes the ctest lock pellicor_client_settings.
#include "tests/win/support/RegistryScope.h"

namespace pellicor::test
{

constexpr const wchar_t* kTestClientKey = L"Software\\Pellicor\\Client";
constexpr const wchar_t* kTestAppPathKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\drovana.exe";

class ClientSettingsKey : public RegistryScope
{
public:
    ClientSettingsKey() : RegistryScope(HKEY_CURRENT_USER, kTestClientKey) {}

    // The typical signed-in client: a user name and a sync folder.
    void SignIn(const std::wstring& syncPath, DWORD language = 1033) const
    {
        SetString(L"username", L"tester");
        SetString(L"syncPath", syncPath);
        SetDword(L"DrovanaLanguage", language);
    }
};

} // namespace pellicor::test
