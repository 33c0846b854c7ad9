#pragma once
// The rights the client records for a folder in the folder's marker file, "desktop.ini", section
// "Pellicor". Read afresh on every call: the client rewrites them at any time. A folder without a
// readable marker has both rights and no removable mark.
#include <string>

namespace pellicor
{

// Change right: the folder may be moved or renamed, and folders may be moved into it.
bool HasChangeRight(const std::wstring& folder);
bool HasDeleteRight(const std::wstring& folder);
// The removable mark lets a folder be deleted without the delete right.
bool IsMarkedRemovable(const std::wstring& folder);
// Writes the removable mark into the marker of each immediate subfolder; failures are not reported.
void MarkSubfoldersRemovable(const std::wstring& folder);

} // namespace pellicor
