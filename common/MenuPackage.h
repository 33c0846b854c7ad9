#pragma once
// The sparse package that gives the library identity, so that Windows 11 shows the client's
// commands in Explorer's first context menu. The build writes its manifest, the launcher registers
// it for the interactive user, the doctor looks for it. Portable: no <windows.h>.

namespace pellicor
{

inline constexpr wchar_t kMenuPackageName[] = L"Drovana.PellicorMenu";  // the identity's name
inline constexpr wchar_t kMenuPackageFile[] = L"PellicorMenu_x64.msix"; // beside the launcher
// The library's class for Explorer's command menu, as the package names it.
inline constexpr wchar_t kMenuCommandClsid[] = L"9326E65E-3AA1-402C-B88E-F2156E7A83F1";

} // namespace pellicor
