// Removing the product's shortcuts on uninstall from the interactive user's folders, which are not
// the folders of an elevated installer's account.
#include "launcher/Shutdown.h"

#include "common/UniqueHandle.h"
#include "launcher/Log.h"
#include "launcher/ProcessToken.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace drovana
{

namespace
{
struct ShortcutLocation
{
    int folder; // CSIDL of the user folder
    const wchar_t* relativePath;
};

// The product's Chinese name first, then its English name, in the Links and SendTo folders.
constexpr ShortcutLocation kShortcuts[] = {
    {CSIDL_PROFILE, L"\\Links\\\u5353\u74e6\u7eb3.lnk"},
    {CSIDL_PROFILE, L"\\Links\\Drovana.lnk"},
    {CSIDL_SENDTO, L"\\\u5353\u74e6\u7eb3.lnk"},
    {CSIDL_SENDTO, L"\\Drovana.lnk"},
};

} // namespace

bool DeleteShortcut()
{
    pellicor::UniqueKernelHandle token;
    if (!GetProcessTokenByName(kShellImageName, token.put()))
    {
        LogFormat("DeleteShortcut: failed to get process token");
        return false;
    }
    // Without a shell process the token stays null and the folders resolve to the launcher's own user.
    for (const ShortcutLocation& shortcut : kShortcuts)
    {
        wchar_t folder[MAX_PATH] = {};
        // An unresolved folder must not turn the name into a path relative to the drive's root.
        if (FAILED(::SHGetFolderPathW(nullptr, shortcut.folder, token.get(), SHGFP_TYPE_CURRENT, folder)) ||
            folder[0] == L'\0')
            continue;
        const std::wstring path = std::wstring(folder) + shortcut.relativePath;
        ::DeleteFileW(path.c_str());
    }
    return true;
}

} // namespace drovana
