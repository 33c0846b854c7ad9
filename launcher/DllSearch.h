#pragma once
// Where the elevated launcher loads libraries from. Someone else may have put a library of a system
// name beside the launcher or in the current folder; only the system folder is searched.
#include <windows.h>

namespace drovana
{

// Restricts the search for libraries loaded by name to the system folder. SetDefaultDllDirectories
// came with an update of Windows 7 and is looked up at run time, so that a system without it can
// still run the launcher: there only the current folder is taken out of the search, and this returns
// false with the thread's last error set.
bool RestrictDllSearch();

// Loads a library of the system folder by its full path there; null on failure.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

} // namespace drovana
