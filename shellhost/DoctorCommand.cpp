// "doctor": one report of everything the shell integration needs on this machine, each finding marked
// ok or with what to do. It reads and asks; it changes nothing that the library itself would not.
#include "common/ComPtr.h"
#include "common/TextConversion.h"
#include "common/UniqueHandle.h"
#include "launcher/Registration.h"
#include "launcher/core/RegistrationTable.h"
#include "launcher/core/VirtualDriveTable.h"
#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/ClientRequests.h"
#include "shellext/channel/PipeClient.h"
#include "shellext/settings/Settings.h"
#include "shellhost/Commands.h"
#include "shellhost/Console.h"
#include "shellhost/DoctorChecks.h"
#include "shellhost/HandlerObjects.h"
#include "shellhost/kit/FileVersion.h"
#include "shellhost/kit/MessageBoxWatcher.h"
#include "shellhost/MenuPackageFacts.h"
#include "shellhost/RegistryReader.h"
#include "shellhost/ShellLocations.h"

#include "PellicorVersion.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <deque>
#include <fstream>

namespace pellicor::shellhost
{

namespace
{

using drovana::RegRoot;

constexpr size_t kLogLinesShown = 15; // a whole run of /Commit
constexpr const wchar_t* kStartClient =
    L"start the client (\"DrovanaLauncher_x64.exe\" without arguments starts it)";

// The doctor looks at the user it runs as.
HKEY HiveOf(RegRoot root)
{
    return drovana::RootKey(root, HKEY_CURRENT_USER);
}

class MachineFacts final : public InstallFacts
{
public:
    bool KeyExists(RegRoot root, const std::wstring& key) const override
    {
        return shellhost::KeyExists(HiveOf(root), key);
    }
    std::optional<RegistryValue> Value(RegRoot root, const std::wstring& key,
                                       const wchar_t* name) const override
    {
        RegistryValue value;
        if (const auto number = ReadDword(HiveOf(root), key, name))
        {
            value.isNumber = true;
            value.number = *number;
            return value;
        }
        const auto text = ReadString(HiveOf(root), key, name);
        if (!text)
            return std::nullopt;
        value.isString = text->type == REG_SZ;
        value.text = text->text;
        return value;
    }
    std::vector<std::wstring> SubKeys(RegRoot root, const std::wstring& key) const override
    {
        return SubKeyNames(HiveOf(root), key);
    }
    bool FileExists(const std::wstring& path) const override
    {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
};

bool FolderExists(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring AppDataFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

// The virtual drive's texts and target as the launcher would write them for this user.
RowContext ContextForThisUser()
{
    RowContext context;
    if (const std::wstring appData = AppDataFolder(); !appData.empty())
        context.expectedLibraryPath = appData + drovana::kLibraryFolder + drovana::kLibraryFileName;
    const auto language =
        ReadDword(HKEY_CURRENT_USER, drovana::kClientSettingsKey, drovana::kClientLanguageValue);
    const auto& texts = drovana::VirtualDriveTextsFor(language.value_or(drovana::kDefaultClientLanguage));
    context.displayName = texts.displayName;
    context.infoTip = texts.infoTip;
    if (const auto sync = ReadString(HKEY_CURRENT_USER, drovana::kClientSettingsKey, drovana::kSyncPathValue))
        context.syncFolder = sync->text; // the launcher takes the text whatever the value's type
    return context;
}

// Each class the launcher registers, created as Explorer creates it and asked for its role.
struct ClassRole
{
    const wchar_t* clsid;
    const wchar_t* role;
    const IID* iid;
    const wchar_t* interfaceName;
};

const ClassRole kClassRoles[] = {
    {DROVANA_SYNCED_CLSID, L"synced overlay", &IID_IShellIconOverlayIdentifier,
     L"IShellIconOverlayIdentifier"},
    {DROVANA_SYNCED_CLSID, L"context menu", &IID_IContextMenu, L"IContextMenu"},
    {DROVANA_SYNCING_CLSID, L"syncing overlay", &IID_IShellIconOverlayIdentifier,
     L"IShellIconOverlayIdentifier"},
    {DROVANA_INVALID_CLSID, L"invalid overlay", &IID_IShellIconOverlayIdentifier,
     L"IShellIconOverlayIdentifier"},
    {DROVANA_COPY_HOOK_CLSID, L"copy hook", &IID_ICopyHookW, L"ICopyHookW"},
    {DROVANA_BROWSER_HELPER_CLSID, L"browser helper", &IID_IObjectWithSite, L"IObjectWithSite"},
};

void CheckClasses(std::vector<Finding>& findings)
{
    for (const ClassRole& role : kClassRoles)
    {
        ComPtr<IUnknown> object;
        const HRESULT hr = CreateHandler(role.clsid, *role.iid, object.put_void());
        const std::wstring what = std::wstring(role.role) + L" " + role.clsid;
        if (SUCCEEDED(hr))
            findings.push_back(
                {Verdict::Ok, L"classes", what + L" created, answers " + role.interfaceName, L""});
        else
            findings.push_back(
                {Verdict::Fault, L"classes",
                 what + L" cannot be created: CoCreateInstance " + HresultText(hr),
                 L"see the library and registration findings above; a library built for another "
                 L"processor or missing system files also fail here"});
    }
}

// The version of the library the registration names, against this doctor's own: support staff see
// which build Explorer loads.
void ReportLibraryVersion(std::vector<Finding>& findings)
{
    const auto registered = ReadString(HKEY_CLASSES_ROOT, L"CLSID\\" DROVANA_SYNCED_CLSID L"\\InProcServer32", nullptr);
    if (!registered || !::PathFileExistsW(registered->text.c_str()))
        return; // reported with the registration
    const std::wstring library = registered->text;
    const std::wstring ours = L"" PELLICOR_VERSION_TEXT;
    const auto version = shellkit::ReadFileVersion(library);
    if (!version)
        findings.push_back({Verdict::Note, L"library", library + L" has no version: a build from before versions",
                            L"install the current release"});
    else if (version->productVersion != ours)
        findings.push_back({Verdict::Note, L"library",
                            L"version " + version->productVersion + L" at " + library + L", this doctor is " + ours,
                            L"use the doctor of the installed release, or install this one"});
    else
        findings.push_back({Verdict::Ok, L"library", L"version " + version->productVersion + L" at " + library, L""});
}

void CheckOverlayIcons(std::vector<Finding>& findings)
{
    for (const wchar_t* clsid : {DROVANA_SYNCED_CLSID, DROVANA_SYNCING_CLSID, DROVANA_INVALID_CLSID})
    {
        ComPtr<IShellIconOverlayIdentifier> overlay;
        if (FAILED(CreateHandler(clsid, IID_IShellIconOverlayIdentifier, overlay.put_void())))
            continue; // reported with the classes
        wchar_t icon[MAX_PATH] = {};
        int index = 0;
        DWORD flags = 0;
        const HRESULT info = overlay->GetOverlayInfo(icon, MAX_PATH, &index, &flags);
        int priority = 0;
        overlay->GetPriority(&priority);
        const std::wstring who = std::wstring(clsid) + L" (priority " + std::to_wstring(priority) + L")";
        if (info != S_OK)
            findings.push_back({Verdict::Fault, L"overlay icons",
                                who + L" reports no icon: GetOverlayInfo " + HresultText(info),
                                kRepairRegistration});
        else if (!::PathFileExistsW(icon))
            findings.push_back({Verdict::Fault, L"overlay icons", who + L" reports a missing file " + icon,
                                L"reinstall: the Icons folder belongs beside DrovanaLauncher_x64.exe"});
        else
            findings.push_back({Verdict::Ok, L"overlay icons", who + L" draws " + icon, L""});
    }
    if (KeyExists(HKEY_CURRENT_USER, DROVANA_OVERLAY_ICONS_KEY))
        findings.push_back(
            {Verdict::Note, L"overlay icons",
             L"HKCU\\" DROVANA_OVERLAY_ICONS_KEY L" exists: its icon paths win over the machine's",
             L"delete that key unless someone set it on purpose"});
}

void CheckBrowserHelper(std::vector<Finding>& findings)
{
    const std::wstring key = DROVANA_BROWSER_HELPERS_KEY DROVANA_BROWSER_HELPER_CLSID;
    if (ReadDword(HKEY_LOCAL_MACHINE, key, kNoExplorerValue) ||
        ReadString(HKEY_LOCAL_MACHINE, key, kNoExplorerValue))
        findings.push_back({Verdict::Fault, L"browser helper",
                            L"HKLM\\" + key + L" has \"" + kNoExplorerValue +
                                L"\": Explorer windows get no panel and no sign-in band",
                            L"delete that value"});
}

void CheckCopyHook(const std::wstring& syncFolder, std::vector<Finding>& findings)
{
    if (syncFolder.empty() || !FolderExists(syncFolder))
        return; // nothing to guard; reported with the client settings
    ComPtr<ICopyHookW> hook;
    if (FAILED(CreateHandler(DROVANA_COPY_HOOK_CLSID, IID_ICopyHookW, hook.put_void())))
        return; // reported with the classes
    // Deleting the sync folder is refused before anything else is read; the box is read and closed.
    UINT answer = 0;
    std::vector<shellkit::SeenMessageBox> boxes;
    {
        shellkit::MessageBoxWatcher watcher({.threadId = ::GetCurrentThreadId()});
        answer = hook->CopyCallback(nullptr, FO_DELETE, FOF_ALLOWUNDO, syncFolder.c_str(),
                                    ::GetFileAttributesW(syncFolder.c_str()), nullptr, 0);
        boxes = watcher.Take();
    }
    const std::wstring shown = boxes.empty() ? L"no warning shown" : L"warning " + Quoted(boxes.front().text);
    if (answer == IDNO)
        findings.push_back(
            {Verdict::Ok, L"copy hook", L"refuses deleting the sync folder (" + shown + L")", L""});
    else
        findings.push_back(
            {Verdict::Fault, L"copy hook",
             L"lets the sync folder be deleted (answer " + std::to_wstring(answer) + L", " + shown + L")",
             L"check the client settings findings; the guard needs the sync folder"});
}

void CheckClientSettings(const RowContext& context, std::vector<Finding>& findings)
{
    const std::wstring seen = SyncFolderPath(); // as the library reads it
    if (seen.empty() && !context.syncFolder.empty())
        findings.push_back({Verdict::Fault, L"client settings",
                            L"syncPath is " + Quoted(context.syncFolder) +
                                L" but the library reads no sync folder: no user name, or not a REG_SZ value",
                            L"sign in to the client again"});
    else if (seen.empty())
        findings.push_back({Verdict::Note, L"client settings",
                            L"no sync folder: nobody is signed in, so there are no overlays and no guard",
                            L"sign in to the client"});
    else if (!FolderExists(seen))
        findings.push_back({Verdict::Fault, L"client settings",
                            L"the sync folder " + seen + L" does not exist",
                            L"let the client create it again (sign out and in)"});
    else
        findings.push_back({Verdict::Ok, L"client settings", L"sync folder " + seen, L""});

    const DWORD language = ReadLanguageId();
    findings.push_back({Verdict::Ok, L"client settings",
                        L"language " + std::to_wstring(language) +
                            (language == drovana::kEnglishLanguage ? L": English texts" : L": Chinese texts"),
                        L""});

    const std::wstring client = ReadClientExecutablePath();
    if (client.empty())
        findings.push_back({Verdict::Note, L"App Paths",
                            L"no App Paths entry for the client: the sign-in link cannot start it",
                            L"reinstall the client"});
    else if (!::PathFileExistsW(client.c_str()))
        findings.push_back({Verdict::Fault, L"App Paths",
                            L"the App Paths entry names a missing file " + client, L"reinstall the client"});
    else
        findings.push_back({Verdict::Ok, L"App Paths", client, L""});
}

void CheckPipe(const std::wstring& syncFolder, std::vector<Finding>& findings)
{
    if (!::WaitNamedPipeW(kPipeName, kPipeWaitMilliseconds))
    {
        const DWORD error = ::GetLastError();
        findings.push_back(
            {Verdict::Fault, L"pipe",
             std::wstring(kPipeName) +
                 (error == ERROR_SEM_TIMEOUT ? L" is busy" : L" has no listener (client not running)") +
                 L": no overlays and no menu items",
             kStartClient});
        return;
    }
    const std::wstring path = syncFolder.empty() ? FullPath(L".") : syncFolder;
    ClientReply reply;
    if (!PipeClient().Transact(MakePathStateRequest(path), reply))
    {
        findings.push_back(
            {Verdict::Fault, L"pipe",
             std::wstring(kPipeName) + L" is there but gave no well-formed answer to " + kCommandPathState,
             L"restart the client"});
        return;
    }
    std::wstring answer = L"status " + Quoted(reply.status);
    for (const auto& value : reply.values)
        answer += L", " + Quoted(value);
    findings.push_back(
        {reply.IsOk() ? Verdict::Ok : Verdict::Note, L"pipe",
         std::wstring(kPipeName) + L" answers " + kCommandPathState + L" " + path + L": " + answer,
         reply.IsOk() ? L"" : L"the client refused the question; see its own log"});
}

// The launcher writes its log into the same "Pellicor" folder of the application data as the library;
// the newest .log file there is the current log (the archive is older).
std::wstring FindLauncherLog()
{
    const std::wstring appData = AppDataFolder();
    if (appData.empty())
        return {};
    const std::wstring folder = appData + drovana::kLibraryFolder;
    WIN32_FIND_DATAW found = {};
    UniqueFind find(::FindFirstFileW((folder + L"*.log").c_str(), &found));
    if (!find)
        return {};
    std::wstring newest;
    FILETIME newestTime = {};
    do
    {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (newest.empty() || ::CompareFileTime(&found.ftLastWriteTime, &newestTime) > 0)
        {
            newest = folder + found.cFileName;
            newestTime = found.ftLastWriteTime;
        }
    } while (::FindNextFileW(find.get(), &found));
    return newest;
}

std::deque<std::string> LastLines(const std::wstring& path, size_t count)
{
    std::deque<std::string> lines;
    std::ifstream file(path.c_str(), std::ios::binary);
    std::string line;
    while (std::getline(file, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        if (lines.size() > count)
            lines.pop_front();
    }
    return lines;
}

// Log lines are UTF-8 or the ANSI code page (the command line); shown as UTF-8 when they are valid.
std::wstring Widen(const std::string& bytes)
{
    std::wstring text = ToUtf16(bytes, CP_UTF8, MB_ERR_INVALID_CHARS);
    return text.empty() ? ToUtf16(bytes, CP_ACP) : text;
}

void ShowLauncherLog(std::vector<Finding>& findings, std::vector<std::wstring>& tail)
{
    const std::wstring log = FindLauncherLog();
    if (log.empty())
    {
        findings.push_back(
            {Verdict::Note, L"launcher log",
             L"no launcher log for this user (it is kept for the account that ran the launcher)",
             L"look in the installing administrator's %APPDATA%\\Pellicor"});
        return;
    }
    findings.push_back({Verdict::Ok, L"launcher log", log, L""});
    for (const auto& line : LastLines(log, kLogLinesShown))
        tail.push_back(Widen(line));
}

} // namespace

int RunDoctor(const Words& words)
{
    if (!words.empty())
    {
        PrintError(L"usage: PellicorShellHost doctor");
        return 2;
    }
    PrintLine(L"Pellicor shell integration doctor");
    const MachineFacts facts;
    const RowContext context = ContextForThisUser();
    std::vector<Finding> findings;
    std::vector<std::wstring> logTail;

    PrintLine(L"  checking the registration against the launcher's table...");
    CheckInstallerRows(facts, context, findings);
    CheckOverlaySlots(facts, findings);
    ReportLibraryVersion(findings);
    PrintLine(L"  creating each class as Explorer does...");
    CheckClasses(findings);
    CheckOverlayIcons(findings);
    CheckBrowserHelper(findings);
    PrintLine(L"  looking for Windows 11's menu package...");
    const std::wstring appData = AppDataFolder();
    CheckMenuPackage(facts, ReadMenuPackageFacts(),
                     appData.empty() ? appData : appData + drovana::kLibraryFolder, findings);
    PrintLine(L"  checking the virtual drive, the client settings and the pipe...");
    CheckVirtualDrive(facts, context, findings);
    CheckClientSettings(context, findings);
    CheckCopyHook(SyncFolderPath(), findings);
    CheckPipe(SyncFolderPath(), findings);
    ShowLauncherLog(findings, logTail);

    PrintLine();
    size_t faults = 0;
    size_t notes = 0;
    for (const auto& finding : findings)
    {
        faults += finding.verdict == Verdict::Fault ? 1 : 0;
        notes += finding.verdict == Verdict::Note ? 1 : 0;
        for (const auto& line : FormatFinding(finding))
            PrintLine(line);
    }
    if (!logTail.empty())
    {
        PrintLine();
        PrintLine(L"Last lines of the launcher log:");
        for (const auto& line : logTail)
            PrintLine(L"  " + line);
    }
    PrintLine();
    PrintLine(L"Summary: " + std::to_wstring(faults) + L" fault(s), " + std::to_wstring(notes) +
              L" note(s), " + std::to_wstring(findings.size() - faults - notes) + L" ok");
    return faults == 0 ? 0 : 1;
}

} // namespace pellicor::shellhost
