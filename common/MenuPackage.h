#pragma once
// The sparse package that gives the library identity, so that Windows 11 shows the client's
// commands in Explorer's first context menu. The build writes its manifest, the launcher registers
// it for the interactive user, the doctor looks for it. Portable: no <windows.h>.

namespace pellicor
{

inline constexpr wchar_t kMenuPackageName[] = L"Drovana.PellicorMenu";  // the identity's name
inline constexpr wchar_t kMenuPackageFile[] = L"PellicorMenu_x64.msix"; // beside the launcher

} // namespace pellicor
