#include "launcher/core/UserFolderPath.h"

#include <algorithm>

namespace drovana
{

namespace
{
wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool EqualFolded(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
}

std::wstring_view WithoutTrailingSlash(std::wstring_view path)
{
    if (!path.empty() && path.back() == L'\\')
        path.remove_suffix(1);
    return path;
}

// "\\?\C:\x" -> "C:\x", "\\?\UNC\server\share" -> "\\server\share"; "\\" is kept in front of UNC names.
std::wstring WithoutLongPrefix(std::wstring_view path)
{
    constexpr std::wstring_view kUnc = L"\\\\?\\UNC\\";
    constexpr std::wstring_view kLong = L"\\\\?\\";
    if (path.size() >= kUnc.size() && EqualFolded(path.substr(0, kUnc.size()), kUnc))
        return L"\\\\" + std::wstring(path.substr(kUnc.size()));
    if (path.substr(0, kLong.size()) == kLong)
        return std::wstring(path.substr(kLong.size()));
    return std::wstring(path);
}
} // namespace

std::optional<std::vector<std::wstring>> FoldersBelow(std::wstring_view root, std::wstring_view folder)
{
    root = WithoutTrailingSlash(root);
    folder = WithoutTrailingSlash(folder);
    if (root.empty() || folder.size() < root.size() || !EqualFolded(folder.substr(0, root.size()), root))
        return std::nullopt;
    std::wstring_view rest = folder.substr(root.size());
    std::vector<std::wstring> names;
    if (rest.empty())
        return names;
    if (rest.front() != L'\\')
        return std::nullopt; // "C:\Users\u10" is not inside "C:\Users\u1"
    rest.remove_prefix(1);
    for (;;)
    {
        const std::size_t slash = rest.find(L'\\');
        const std::wstring_view name = rest.substr(0, slash);
        if (!IsPlainName(name))
            return std::nullopt;
        names.emplace_back(name);
        if (slash == std::wstring_view::npos)
            return names;
        rest.remove_prefix(slash + 1);
    }
}

bool IsPlainName(std::wstring_view name)
{
    return !name.empty() && name != L"." && name != L".." &&
           name.find_first_of(L"\\/:") == std::wstring_view::npos;
}

bool SameReportedPath(std::wstring_view a, std::wstring_view b)
{
    const std::wstring left = WithoutLongPrefix(a);
    const std::wstring right = WithoutLongPrefix(b);
    return EqualFolded(WithoutTrailingSlash(left), WithoutTrailingSlash(right));
}

} // namespace drovana
