// "overlays <folder>": loads the registered overlay identifiers as Explorer does and shows, for the
// folder and each of its items, which overlay Explorer would draw.
#include "common/ComPtr.h"
#include "shellhost/Commands.h"
#include "shellhost/Console.h"
#include "shellhost/HandlerObjects.h"
#include "shellhost/OverlayOrder.h"
#include "shellhost/RegistryReader.h"
#include "shellhost/ShellLocations.h"

#include "common/UniqueHandle.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>

namespace pellicor::shellhost
{

namespace
{

struct LoadedIdentifier
{
    RankedOverlay ranked;
    ComPtr<IShellIconOverlayIdentifier> identifier;
    std::wstring icon;
    int priority = 100;
    bool loaded = false; // in the slots, created, and reporting an icon
};

std::wstring DisplayName(const RankedOverlay& overlay)
{
    return L"#" + std::to_wstring(overlay.rank) + L" " + Quoted(overlay.registered.name);
}

void Load(LoadedIdentifier& entry)
{
    const RankedOverlay& overlay = entry.ranked;
    PrintLine(L"  " + DisplayName(overlay) + L" -> " + overlay.registered.target);
    PrintClassRegistration(overlay.registered.target, L"      ");
    if (!overlay.inSlots)
    {
        PrintLine(L"      NOT LOADED: rank " + std::to_wstring(overlay.rank) + L" is beyond the " +
                  std::to_wstring(kHandlerSlots) + L" slots Explorer gives to handlers");
        return;
    }
    const HRESULT created = CreateHandler(overlay.registered.target, IID_IShellIconOverlayIdentifier,
                                          entry.identifier.put_void());
    if (FAILED(created))
    {
        PrintLine(L"      CoCreateInstance: " + HresultText(created) + L" (Explorer skips it)");
        return;
    }
    wchar_t icon[MAX_PATH] = {};
    int index = 0;
    DWORD flags = 0;
    const HRESULT info = entry.identifier->GetOverlayInfo(icon, MAX_PATH, &index, &flags);
    entry.icon = icon;
    std::wstring line = L"      GetOverlayInfo: " + HresultText(info);
    if (info == S_OK)
    {
        line +=
            L" icon " + Quoted(entry.icon) + L" index " + std::to_wstring(index) + L" flags " + Hex32(flags);
        line += ::PathFileExistsW(icon) ? L" (file present)" : L" (file MISSING: Explorer draws nothing)";
    }
    PrintLine(line);
    int priority = 100;
    const HRESULT priorityResult = entry.identifier->GetPriority(&priority);
    entry.priority = SUCCEEDED(priorityResult) ? priority : 100;
    PrintLine(L"      GetPriority: " + HresultText(priorityResult) + L" priority " +
              std::to_wstring(priority));
    entry.loaded = info == S_OK;
    if (!entry.loaded)
        PrintLine(L"      no icon: this identifier never draws anything");
}

struct Item
{
    std::wstring name;
    std::wstring path;
    DWORD attributes = 0;
};

std::vector<Item> ListFolder(const std::wstring& folder)
{
    std::vector<Item> items;
    WIN32_FIND_DATAW found = {};
    UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find)
        return items;
    do
    {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        items.push_back({name, folder + L"\\" + name, found.dwFileAttributes});
    } while (::FindNextFileW(find.get(), &found));
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return ::lstrcmpiW(a.name.c_str(), b.name.c_str()) < 0; });
    return items;
}

void ShowItem(const Item& item, std::vector<LoadedIdentifier>& identifiers)
{
    std::vector<OverlayAnswer> answers;
    std::wstring claims;
    for (auto& entry : identifiers)
    {
        OverlayAnswer answer;
        answer.loaded = entry.loaded;
        answer.priority = entry.priority;
        if (entry.loaded)
        {
            const HRESULT hr = entry.identifier->IsMemberOf(item.path.c_str(), item.attributes);
            answer.member = hr == S_OK;
            if (answer.member)
                claims += (claims.empty() ? L"" : L", ") + DisplayName(entry.ranked);
        }
        answers.push_back(answer);
    }
    std::wstring line =
        L"  " + item.name + ((item.attributes & FILE_ATTRIBUTE_DIRECTORY) ? L"\\" : L"") + L"  ->  ";
    if (const auto drawn = ChooseDrawnOverlay(answers))
    {
        const LoadedIdentifier& winner = identifiers[*drawn];
        line += ::PathFindFileNameW(winner.icon.c_str());
        line +=
            L"  (" + DisplayName(winner.ranked) + L", priority " + std::to_wstring(winner.priority) + L")";
        if (claims.find(L", ") != std::wstring::npos)
            line += L"; claimed by " + claims;
    }
    else
    {
        line += L"no overlay";
    }
    PrintLine(line);
}

} // namespace

int RunOverlays(const Words& words)
{
    if (words.size() != 1)
    {
        PrintError(L"usage: PellicorShellHost overlays <folder>");
        return 2;
    }
    const std::wstring folder = FullPath(words[0]);
    const DWORD folderAttributes = ::GetFileAttributesW(folder.c_str());
    if (folder.empty() || folderAttributes == INVALID_FILE_ATTRIBUTES ||
        !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
    {
        PrintError(L"not a folder: " + words[0]);
        return 1;
    }

    std::vector<RegisteredOverlay> registered;
    for (const auto& name : SubKeyNames(HKEY_LOCAL_MACHINE, OverlayIdentifiersKey()))
        registered.push_back({name, HandlerClass(HKEY_LOCAL_MACHINE, OverlayIdentifiersKey(), name)});
    PrintLine(L"Overlay identifiers in Explorer's order (HKLM\\" + OverlayIdentifiersKey() + L"):");
    PrintLine(L"  " + std::to_wstring(registered.size()) + L" registered; Explorer loads the first " +
              std::to_wstring(kHandlerSlots) + L" (" + std::to_wstring(kOverlaySlots) + L" slots, " +
              std::to_wstring(kSystemReservedSlots) + L" kept by Windows)");

    std::vector<LoadedIdentifier> identifiers;
    for (auto& ranked : RankOverlays(std::move(registered)))
    {
        identifiers.push_back({std::move(ranked)});
        Load(identifiers.back());
    }

    PrintLine();
    PrintLine(L"What Explorer draws (the folder itself, then its items):");
    ShowItem({folder, folder, folderAttributes}, identifiers);
    for (const auto& item : ListFolder(folder))
        ShowItem(item, identifiers);
    return 0;
}

} // namespace pellicor::shellhost
