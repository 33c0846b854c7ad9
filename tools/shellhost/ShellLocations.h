#pragma once
// Where Explorer itself looks for shell extensions. The shell host reads only these places, as Explorer
// does; what our launcher writes there is checked by the doctor against the launcher's own table.

namespace pellicor::shellhost
{

constexpr wchar_t kOverlayIdentifiersKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";          // HKLM
constexpr wchar_t kContextMenuHandlersKey[] = L"AllFileSystemObjects\\ShellEx\\ContextMenuHandlers"; // HKCR
constexpr wchar_t kCopyHookHandlersKey[] = L"Directory\\Shellex\\CopyHookHandlers";                  // HKCR
constexpr wchar_t kApprovedKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved"; // HKLM
constexpr wchar_t kBrowserHelpersKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects"; // HKLM

} // namespace pellicor::shellhost
