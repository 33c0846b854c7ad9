#pragma once
// The doctor's judgement of Windows 11's menu package: registered for this user, and its external
// location holding the library that its manifest names. Portable: no <windows.h>; the Win32 side
// (MenuPackageFacts.h) reads the facts from the system.
#include "shellhost/DoctorChecks.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pellicor::shellhost
{

struct MenuPackageFacts
{
    std::uint32_t windowsBuild = 0;
    std::wstring fullName;         // empty: not registered for this user
    std::wstring externalLocation; // empty: none known
    std::wstring libraryNamed;     // the file the manifest's COM class names; empty when unread
};

// The Path of the manifest's COM class (an element named Class in any namespace), as UTF-8; empty
// when there is none or the text is cut.
std::string ManifestLibraryName(std::string_view manifest);

// One finding: ok, or a fault with what to do. libraryFolder is this user's folder of the library
// ("...\Pellicor\"), or empty when unknown.
void CheckMenuPackage(const InstallFacts& files, const MenuPackageFacts& package,
                      const std::wstring& libraryFolder, std::vector<Finding>& findings);

} // namespace pellicor::shellhost
