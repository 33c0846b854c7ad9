#pragma once
// The client's settings as the library reads them. Nothing is cached: every call opens the key,
// reads and closes it, so the client's changes show at the next shell call.
#include "common/ClientSettingsNames.h"
#include "common/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace pellicor
{

// HKEY_CURRENT_USER key the client keeps its settings under (its subkeys belong to their readers).
inline constexpr const wchar_t* kClientKeyPath = kClientSettingsKey;

// Create-or-open for reading; usable only when the key already existed.
bool OpenKeyForRead(HKEY hive, const wchar_t* path, UniqueKey& key);
bool QueryRegistryString(HKEY key, const wchar_t* name, std::wstring& out); // REG_SZ only
bool QueryRegistryDword(HKEY key, const wchar_t* name, DWORD& out);         // REG_DWORD only

std::wstring SyncFolderPath();                                          // empty: no sync folder
bool ReadUserProfile(std::wstring* nickName, std::wstring* avatarPath); // missing values keep the caller's
DWORD ReadLanguageId();                                                 // 1033 when absent
std::wstring ReadClientExecutablePath();                                // empty when unknown

} // namespace pellicor
