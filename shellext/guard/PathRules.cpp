#include "shellext/guard/PathRules.h"

namespace pellicor
{

namespace
{

constexpr wchar_t kBackslash = L'\\';

constexpr wchar_t FoldChar(wchar_t c) noexcept
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

// The trimmed sync folder followed by one backslash and, when given, a system folder name and one
// more backslash. Empty when no sync folder is configured.
std::wstring SyncPrefix(std::wstring_view syncFolder, std::wstring_view systemFolder = {})
{
    std::wstring_view root = TrimTrailingBackslashes(syncFolder);
    if (root.empty())
        return {};
    std::wstring prefix(root);
    prefix += kBackslash;
    if (!systemFolder.empty())
    {
        prefix += systemFolder;
        prefix += kBackslash;
    }
    return prefix;
}

bool IsDirectChildOf(std::wstring_view path, std::wstring_view syncFolder, std::wstring_view systemFolder)
{
    std::wstring prefix = SyncPrefix(syncFolder, systemFolder);
    if (prefix.empty() || !StartsWithFolded(path, prefix))
        return false;
    return path.substr(prefix.size()).find(kBackslash) == std::wstring_view::npos;
}

} // namespace

std::wstring_view TrimTrailingBackslashes(std::wstring_view path) noexcept
{
    while (!path.empty() && path.back() == kBackslash)
        path.remove_suffix(1);
    return path;
}

std::wstring FoldAsciiCase(std::wstring_view text)
{
    std::wstring folded(text);
    for (wchar_t& c : folded)
        c = FoldChar(c);
    return folded;
}

bool EqualsFolded(std::wstring_view a, std::wstring_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        if (FoldChar(a[i]) != FoldChar(b[i]))
            return false;
    }
    return true;
}

bool StartsWithFolded(std::wstring_view text, std::wstring_view prefix) noexcept
{
    return text.size() >= prefix.size() && EqualsFolded(text.substr(0, prefix.size()), prefix);
}

std::wstring_view FileNameOf(std::wstring_view path) noexcept
{
    std::size_t last = path.rfind(kBackslash);
    return last == std::wstring_view::npos ? path : path.substr(last + 1);
}

std::wstring_view ParentOf(std::wstring_view path) noexcept
{
    std::size_t last = path.rfind(kBackslash);
    if (last == std::wstring_view::npos || last == 0)
        return {};
    return path.substr(0, last);
}

bool IsSyncRoot(std::wstring_view path, std::wstring_view syncFolder)
{
    std::wstring_view root = TrimTrailingBackslashes(syncFolder);
    return !root.empty() && EqualsFolded(TrimTrailingBackslashes(path), root);
}

bool IsInsideSyncRoot(std::wstring_view path, std::wstring_view syncFolder)
{
    std::wstring prefix = SyncPrefix(syncFolder);
    return !prefix.empty() && !path.empty() && StartsWithFolded(path, prefix);
}

bool IsSystemFolder(std::wstring_view path, std::wstring_view syncFolder, std::wstring_view name)
{
    std::wstring_view root = TrimTrailingBackslashes(syncFolder);
    if (root.empty())
        return false;
    std::wstring folder(root);
    folder += kBackslash;
    folder += name;
    return EqualsFolded(TrimTrailingBackslashes(path), TrimTrailingBackslashes(folder));
}

bool IsReceivedSharesFolder(std::wstring_view path, std::wstring_view syncFolder)
{
    return IsSystemFolder(path, syncFolder, kReceivedSharesFolderName);
}

bool IsCompanyFilesFolder(std::wstring_view path, std::wstring_view syncFolder)
{
    return IsSystemFolder(path, syncFolder, kCompanyFilesFolderName);
}

bool IsSharedFolder(std::wstring_view path, std::wstring_view syncFolder)
{
    return IsDirectChildOf(path, syncFolder, kReceivedSharesFolderName);
}

bool IsCompanyFolder(std::wstring_view path, std::wstring_view syncFolder)
{
    return IsDirectChildOf(path, syncFolder, kCompanyFilesFolderName);
}

} // namespace pellicor
