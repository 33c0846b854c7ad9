// Removing the product's shortcuts on uninstall from the interactive user's folders, which are not
// the folders of an elevated installer's account. That user can write them, so each folder is opened
// from the user's profile down without following a link, and each shortcut is deleted through the
// handle that was checked (see UserFolder.h); a shortcut behind a link stays where it is.
#include "launcher/Shutdown.h"

#include "common/UniqueHandle.h"
#include "launcher/Log.h"
#include "launcher/ProcessToken.h"
#include "launcher/UserEnvironment.h"
#include "launcher/UserFolder.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace drovana
{

namespace
{
struct ShortcutLocation
{
    int folder;               // CSIDL of the user folder
    const wchar_t* subfolder; // below it, or empty
    const wchar_t* name;
};

// The product's Chinese name first, then its English name, in the Links and SendTo folders.
constexpr ShortcutLocation kShortcuts[] = {
    {CSIDL_PROFILE, L"\\Links", L"\u5353\u74e6\u7eb3.lnk"},
    {CSIDL_PROFILE, L"\\Links", L"Drovana.lnk"},
    {CSIDL_SENDTO, L"", L"\u5353\u74e6\u7eb3.lnk"},
    {CSIDL_SENDTO, L"", L"Drovana.lnk"},
};

constexpr const wchar_t* kShortcutLeft = L"DeleteShortcut: %s left in place: a link, a junction or a folder "
                                         L"outside the user's profile is on its way";

// Deletes one shortcut; a missing folder or file is no fault and says nothing.
void DeleteOne(const std::wstring& profile, const std::wstring& folderPath, const wchar_t* name)
{
    const std::wstring path = folderPath + L"\\" + name;
    const UserFolder folder(profile, folderPath, false);
    UserPathStatus status = folder.status();
    if (status == UserPathStatus::Open)
    {
        // Another name of the same file elsewhere keeps its data; only this name goes.
        UserFile shortcut =
            folder.OpenFile(name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            UserFolder::Create::No, false);
        status = shortcut.status;
        if (status == UserPathStatus::Open)
            DeleteOpenFile(shortcut.handle.get());
    }
    if (status == UserPathStatus::Refused)
        LogFormatWide(kShortcutLeft, path.c_str());
}
} // namespace

bool DeleteShortcut(const wchar_t* preferredSid)
{
    pellicor::UniqueKernelHandle token;
    if (!GetProcessTokenByName(kShellImageName, token.put(), preferredSid))
    {
        LogFormat("DeleteShortcut: failed to get process token");
        return false;
    }
    // Without a shell process the token stays null and the folders resolve to the launcher's own user.
    const std::wstring profile = UserProfileFolder(token.get());
    for (const ShortcutLocation& shortcut : kShortcuts)
    {
        wchar_t folder[MAX_PATH] = {};
        // An unresolved folder must not turn the name into a path relative to the drive's root.
        if (FAILED(::SHGetFolderPathW(nullptr, shortcut.folder, token.get(), SHGFP_TYPE_CURRENT, folder)) ||
            folder[0] == L'\0')
            continue;
        DeleteOne(profile, std::wstring(folder) + shortcut.subfolder, shortcut.name);
    }
    return true;
}

} // namespace drovana
