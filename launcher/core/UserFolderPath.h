#pragma once
// Paths of the folders an elevated launcher works in although a user can write them: the log folder
// in the application data, the Links and SendTo folders. Each is opened folder by folder from the
// user's profile down, so that no link planted on the way is followed (see the Win32 side,
// launcher/UserFolder.h); these functions only cut the path.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drovana
{

// The folder names from root down to folder ("C:\Users\u1" and "C:\Users\u1\AppData\Roaming" give
// "AppData", "Roaming"); empty when folder is root itself. Nothing when folder does not lie inside
// root, or when a name on the way is empty, "." or "..", which could lead out of it. Backslashes
// separate; one trailing backslash on either path is ignored; letters A-Z compare without case.
std::optional<std::vector<std::wstring>> FoldersBelow(std::wstring_view root, std::wstring_view folder);

// Whether name is one plain name inside a folder: not empty, not "." or "..", and without a separator
// or a stream marker that could reach another folder or object.
bool IsPlainName(std::wstring_view name);

// Whether two paths that the system reported name the same object: equal after dropping a "\\?\"
// (or "\\?\UNC\" for "\\") prefix and one trailing backslash, letters A-Z without case. Names outside
// ASCII must match exactly; the system reports them as they are stored, so they do.
bool SameReportedPath(std::wstring_view a, std::wstring_view b);

} // namespace drovana
