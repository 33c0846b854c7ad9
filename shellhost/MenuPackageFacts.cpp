// The user's package repository in the registry lists the full names of the packages registered for
// the user; it is the one place that does without the publisher, which the family name needs and the
// build sets. Everything else comes from the documented package functions of kernel32, looked up at
// run time because MinGW declares none of them and older systems lack them.
#include "shellhost/MenuPackageFacts.h"

#include "common/MenuPackage.h"
#include "common/TextConversion.h"
#include "common/WindowsBuild.h"
#include "shellhost/RegistryReader.h"

#include <windows.h>

#include <cwchar>
#include <fstream>
#include <iterator>
#include <vector>

namespace pellicor::shellhost
{

namespace
{
constexpr const wchar_t* kRepositoryKey = L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\"
                                          L"CurrentVersion\\AppModel\\Repository\\Packages";
constexpr const wchar_t* kManifestName = L"\\AppxManifest.xml";
constexpr std::streamsize kManifestLimit = 1 << 20;

// appmodel.h: GetPackagePathByFullName and GetPackagePathByFullName2 with PackagePathType.
using PackagePathFn = LONG(WINAPI*)(PCWSTR, UINT32*, PWSTR);
using PackagePathOfTypeFn = LONG(WINAPI*)(PCWSTR, int, UINT32*, PWSTR);
constexpr int kEffectiveExternalPath = 5; // PackagePathType_EffectiveExternal

template <typename Fn> Fn Kernel32Function(const char* name)
{
    const FARPROC proc = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name);
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// Asks for the length first, then the text; empty when the package has no such path.
template <typename Call> std::wstring PathFromCall(Call call)
{
    UINT32 length = 0;
    if (call(&length, nullptr) != ERROR_INSUFFICIENT_BUFFER || length == 0 || length > 32768)
        return {};
    std::vector<wchar_t> path(length);
    if (call(&length, path.data()) != ERROR_SUCCESS)
        return {};
    return std::wstring(path.data(), wcsnlen(path.data(), path.size()));
}

std::string ReadManifest(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    std::string text(static_cast<std::size_t>(kManifestLimit), '\0');
    file.read(text.data(), kManifestLimit);
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text;
}
} // namespace

MenuPackageFacts ReadMenuPackageFacts()
{
    MenuPackageFacts facts;
    facts.windowsBuild = WindowsBuildNumber();
    const auto installPath = Kernel32Function<PackagePathFn>("GetPackagePathByFullName");
    const auto pathOfType = Kernel32Function<PackagePathOfTypeFn>("GetPackagePathByFullName2");
    if (!installPath)
        return facts;

    const std::wstring prefix = std::wstring(kMenuPackageName) + L"_";
    for (const std::wstring& fullName : SubKeyNames(HKEY_CURRENT_USER, kRepositoryKey))
    {
        if (_wcsnicmp(fullName.c_str(), prefix.c_str(), prefix.size()) != 0)
            continue;
        // A key that outlived its package has no installed path: not registered.
        const std::wstring installed = PathFromCall([&](UINT32* length, PWSTR path)
                                                    { return installPath(fullName.c_str(), length, path); });
        if (installed.empty())
            continue;
        facts.fullName = fullName;
        if (pathOfType)
            facts.externalLocation =
                PathFromCall([&](UINT32* length, PWSTR path)
                             { return pathOfType(fullName.c_str(), kEffectiveExternalPath, length, path); });
        facts.libraryNamed = ToUtf16(ManifestLibraryName(ReadManifest(installed + kManifestName)), CP_UTF8);
        break;
    }
    return facts;
}

} // namespace pellicor::shellhost
