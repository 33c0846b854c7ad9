#pragma once
// Where a folder path stands relative to the sync folder: the sync folder itself, inside it, one of
// its two system folders, or a folder directly inside one of those. The rules take the sync folder
// path as the caller read it; they keep nothing, so the caller decides how fresh it is.
//
// Letter case is ignored for A-Z only, with no locale: the client writes the paths, and the shell
// may hand them back in any case of the basic Latin letters, nothing more.
#include <string>
#include <string_view>

namespace pellicor
{

// The client's two system folders, directly inside the sync folder; their names are shown in the
// warning texts exactly like this, in both languages.
inline constexpr std::wstring_view kReceivedSharesFolderName = L"收到的共享";
inline constexpr std::wstring_view kCompanyFilesFolderName = L"公司文件";

// The path without all its trailing backslashes (a path of backslashes only becomes empty).
std::wstring_view TrimTrailingBackslashes(std::wstring_view path) noexcept;

// A-Z become a-z; every other code unit stays as it is.
std::wstring FoldAsciiCase(std::wstring_view text);
bool EqualsFolded(std::wstring_view a, std::wstring_view b) noexcept;
bool StartsWithFolded(std::wstring_view text, std::wstring_view prefix) noexcept;

// The text after the last backslash (all of the path when it has none; empty after a trailing one).
std::wstring_view FileNameOf(std::wstring_view path) noexcept;
// The text before the last backslash; empty when there is none or when it is the first character.
std::wstring_view ParentOf(std::wstring_view path) noexcept;

// An empty sync folder path (or one of backslashes only) means no sync folder is configured: then
// no path is the sync folder, a system folder or inside one, so a network path that begins with a
// backslash is never guarded by accident.
bool IsSyncRoot(std::wstring_view path, std::wstring_view syncFolder);
// The sync folder followed by a backslash begins the path; the path itself is not trimmed, so the
// sync folder written with a trailing backslash counts as inside.
bool IsInsideSyncRoot(std::wstring_view path, std::wstring_view syncFolder);
bool IsSystemFolder(std::wstring_view path, std::wstring_view syncFolder, std::wstring_view name);
bool IsReceivedSharesFolder(std::wstring_view path, std::wstring_view syncFolder);
bool IsCompanyFilesFolder(std::wstring_view path, std::wstring_view syncFolder);
// A direct child of the received-shares folder: the folder's prefix and then no further backslash.
bool IsSharedFolder(std::wstring_view path, std::wstring_view syncFolder);
// A direct child of the company-files folder.
bool IsCompanyFolder(std::wstring_view path, std::wstring_view syncFolder);

} // namespace pellicor
