#pragma once
// The marker files the client writes into folders: "desktop.ini", section "Pellicor".
#include "tests/win/support/TempFolder.h"

#include <windows.h>

#include <string>

namespace pellicor::test
{

inline std::wstring MarkerOf(const std::wstring& folder)
{
    return folder + L"\\desktop.ini";
}

inline void WriteMarker(const std::wstring& folder, const wchar_t* key, const wchar_t* value)
{
    ::WritePrivateProfileStringW(L"Pellicor", key, value, MarkerOf(folder).c_str());
}

// A key's value; "<none>" when missing.
inline std::wstring ReadMarker(const std::wstring& folder, const wchar_t* key)
{
    wchar_t value[64] = {};
    ::GetPrivateProfileStringW(L"Pellicor", key, L"<none>", value, 64, MarkerOf(folder).c_str());
    return value;
}

} // namespace pellicor::test
