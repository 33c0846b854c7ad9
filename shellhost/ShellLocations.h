#pragma once
// Where Explorer itself looks for shell extensions. The shell host reads these places as Explorer does;
// what our launcher writes there is checked by the doctor against the launcher's own table.
#include "launcher/RegistrationTable.h"

#include <string>

namespace pellicor::shellhost
{

constexpr wchar_t kContextMenuHandlersKey[] = L"AllFileSystemObjects\\ShellEx\\ContextMenuHandlers"; // HKCR
constexpr wchar_t kCopyHookHandlersKey[] = L"Directory\\Shellex\\CopyHookHandlers";                  // HKCR

// HKLM; the launcher's table spells it with a trailing backslash for its rows.
inline std::wstring OverlayIdentifiersKey()
{
    const std::wstring withSeparator = DROVANA_OVERLAY_IDENTIFIERS_KEY;
    return withSeparator.substr(0, withSeparator.size() - 1);
}

// A browser helper with this value under its key is loaded by Internet Explorer only, never by Explorer.
constexpr wchar_t kNoExplorerValue[] = L"NoExplorer";

} // namespace pellicor::shellhost
