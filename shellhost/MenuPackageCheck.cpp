#include "shellhost/MenuPackageCheck.h"

#include "common/MenuPackage.h"
#include "launcher/core/MenuPackageCommands.h"

namespace pellicor::shellhost
{

namespace
{
constexpr const wchar_t* kArea = L"menu package";
constexpr std::string_view kSpaces = " \t\r\n";

// The value of attribute name among an element's attributes, or nothing.
std::optional<std::string_view> Attribute(std::string_view attributes, std::string_view name)
{
    for (std::size_t at = attributes.find(name); at != std::string_view::npos;
         at = attributes.find(name, at + 1))
    {
        const bool ownWord = at > 0 && kSpaces.find(attributes[at - 1]) != std::string_view::npos;
        const std::size_t equals = at + name.size();
        if (!ownWord || equals + 1 >= attributes.size() || attributes[equals] != '=')
            continue;
        const char quote = attributes[equals + 1];
        if (quote != '"' && quote != '\'')
            continue;
        const std::size_t end = attributes.find(quote, equals + 2);
        if (end == std::string_view::npos)
            return std::nullopt;
        return attributes.substr(equals + 2, end - equals - 2);
    }
    return std::nullopt;
}

std::wstring WithoutTrailingBackslashes(std::wstring path)
{
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

bool SameFolder(const std::wstring& a, const std::wstring& b)
{
    const std::wstring x = WithoutTrailingBackslashes(a);
    const std::wstring y = WithoutTrailingBackslashes(b);
    return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(),
                                              [](wchar_t p, wchar_t q)
                                              {
                                                  const auto fold = [](wchar_t c)
                                                  { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; };
                                                  return fold(p) == fold(q);
                                              });
}
} // namespace

std::string ManifestLibraryName(std::string_view manifest)
{
    for (std::size_t open = manifest.find('<'); open != std::string_view::npos;
         open = manifest.find('<', open + 1))
    {
        const std::size_t nameEnd = manifest.find_first_of(" \t\r\n/>", open + 1);
        if (nameEnd == std::string_view::npos)
            return {};
        std::string_view name = manifest.substr(open + 1, nameEnd - open - 1);
        if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos)
            name.remove_prefix(colon + 1);
        if (name != "Class")
            continue;
        const std::size_t close = manifest.find('>', nameEnd);
        if (close == std::string_view::npos)
            return {};
        if (const auto path = Attribute(manifest.substr(nameEnd, close - nameEnd), "Path"))
            return std::string(*path);
    }
    return {};
}

void CheckMenuPackage(const InstallFacts& files, const MenuPackageFacts& package,
                      const std::wstring& libraryFolder, std::vector<Finding>& findings)
{
    const std::wstring name = pellicor::kMenuPackageName;
    const std::wstring repair =
        L"run \"DrovanaLauncher_x64.exe /Commit\" as administrator while this user is "
        L"signed in; its log says why a registration failed";
    if (package.fullName.empty())
    {
        if (drovana::MenuPackageWanted(package.windowsBuild))
            findings.push_back({Verdict::Fault, kArea,
                                name + L" is not registered for this user: the client's commands are only "
                                       L"under \"Show more options\"",
                                repair});
        else
            findings.push_back({Verdict::Ok, kArea,
                                name + L" is not registered; Windows build " +
                                    std::to_wstring(package.windowsBuild) +
                                    L" shows the classic menu only, which needs no package",
                                L""});
        return;
    }
    if (package.externalLocation.empty())
    {
        findings.push_back({Verdict::Fault, kArea,
                            package.fullName + L" is registered without an external location", repair});
        return;
    }
    if (package.libraryNamed.empty())
    {
        findings.push_back({Verdict::Fault, kArea,
                            package.fullName + L" is registered, but its manifest names no library", repair});
        return;
    }
    const std::wstring library =
        WithoutTrailingBackslashes(package.externalLocation) + L"\\" + package.libraryNamed;
    if (!files.FileExists(library))
    {
        findings.push_back({Verdict::Fault, kArea,
                            package.fullName + L" names " + library + L", which does not exist", repair});
        return;
    }
    findings.push_back({Verdict::Ok, kArea, package.fullName + L" is registered and finds " + library, L""});
    if (!libraryFolder.empty() && !SameFolder(package.externalLocation, libraryFolder))
        findings.push_back({Verdict::Note, kArea,
                            L"the package's external location " + package.externalLocation +
                                L" is not this user's library folder " + libraryFolder,
                            repair});
}

} // namespace pellicor::shellhost
