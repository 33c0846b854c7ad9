#pragma once
// The client's not-captured list: the folders it does not sync as value names, and its change flag
// as the default value.
#include "tests/win/support/ClientSettingsKey.h"

#include <string>

namespace pellicor::test
{

inline const std::wstring kListKey = std::wstring(kTestClientKey) + L"\\NotCaptures";

// Writes a value of the list (the empty name: the flag), creating the key when needed.
inline void SetListValue(const std::wstring& name, const std::wstring& text)
{
    SetRegString(HKEY_CURRENT_USER, kListKey, name.c_str(), text);
}

// The flag as text; "<none>" when it is missing or no string.
inline std::wstring ListFlag()
{
    return ReadRegString(HKEY_CURRENT_USER, kListKey, nullptr).value_or(L"<none>");
}

} // namespace pellicor::test
