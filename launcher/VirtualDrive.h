#pragma once
// The sync folder as a drive-like entry under "Computer" and first in the file dialogs' places bar.
#include <windows.h>
#include <string>

namespace drovana
{

// Registers the folder-shortcut class machine-wide with placeholder name, tip, icon and target,
// and logs whether every row was written.
void CreateVirtualDisk();

// Gives the class the client's icon and, for a user with a sync folder, that user's name, tip and
// target, the entry under Computer and the places bar. An empty sid means HKEY_CURRENT_USER;
// otherwise the user's hive HKEY_USERS\<sid> must be loaded, or nothing is written.
void WriteUserVirtualDisk(const std::wstring& clientPath, const std::wstring& sid);

// The client's language setting in the user's hive; 2052 when it cannot be read as a number.
DWORD ReadClientLanguage(HKEY userRoot);

} // namespace drovana
