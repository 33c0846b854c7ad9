#pragma once
// Where the launcher finds its neighbours: the client and the 64-bit launcher lie beside it.
#include <string>
#include <string_view>

namespace drovana
{

constexpr const wchar_t* kClientFileName = L"drovana.exe";
constexpr const char* kLauncher64FileName = "DrovanaLauncher_x64.exe";

// The path up to and including its last backslash; empty when the path holds none.
template <typename Char> std::basic_string<Char> DirectoryOf(std::basic_string_view<Char> path)
{
    const std::size_t slash = path.rfind(Char('\\'));
    if (slash == std::basic_string_view<Char>::npos)
        return {};
    return std::basic_string<Char>(path.substr(0, slash + 1));
}

inline std::wstring ClientPath(std::wstring_view launcherDirectory)
{
    return std::wstring(launcherDirectory) + kClientFileName;
}

} // namespace drovana
