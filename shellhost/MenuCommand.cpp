// "menu <paths...> [--invoke N]": builds the context menu of a selection from the registered
// handlers, as Explorer does on a right click, prints it, and optionally invokes one command.
#include "common/ComPtr.h"
#include "common/UniqueHandle.h"
#include "shellhost/Commands.h"
#include "shellhost/Console.h"
#include "shellhost/kit/DropFilesDataObject.h"
#include "shellhost/HandlerObjects.h"
#include "shellhost/RegistryReader.h"
#include "shellhost/ShellLocations.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>

namespace pellicor::shellhost
{

namespace
{

// Explorer hands out command identifiers from a range of its own; each handler gets the identifiers
// after those the previous handler used.
constexpr UINT kFirstCommandId = 1;
constexpr UINT kLastCommandId = 0x7FFF;

struct MenuHandler
{
    std::wstring name;
    std::wstring clsid;
    ComPtr<IContextMenu> menu;
    UINT first = 0;
    UINT used = 0;
};

void PrintMenu(HMENU menu, const std::wstring& indent, int depth)
{
    const int count = ::GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position)
    {
        wchar_t text[512] = {};
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_BITMAP | MIIM_STATE;
        item.dwTypeData = text;
        item.cch = ARRAYSIZE(text);
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item))
        {
            PrintLine(indent + L"(unreadable item)");
            continue;
        }
        if (item.fType & MFT_SEPARATOR)
        {
            PrintLine(indent + L"----------");
            continue;
        }
        std::wstring line = indent + L"[" + std::to_wstring(item.wID) + L"] " + Quoted(text);
        if (item.hbmpItem == HBMMENU_CALLBACK)
            line += L"  (bitmap drawn by the handler)";
        else if (item.hbmpItem)
            line += L"  (bitmap)";
        if (item.fState & MFS_DISABLED)
            line += L"  (disabled)";
        if (item.hSubMenu)
            line += L"  submenu:";
        PrintLine(line);
        if (item.hSubMenu && depth < 8)
            PrintMenu(item.hSubMenu, indent + L"    ", depth + 1);
    }
}

std::optional<UINT> ParseNumber(const std::wstring& text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    UINT value = 0;
    for (wchar_t c : text)
    {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + static_cast<UINT>(c - L'0');
    }
    return value;
}

} // namespace

int RunMenu(const Words& words)
{
    std::vector<std::wstring> paths;
    std::optional<UINT> invoke;
    for (size_t i = 0; i < words.size(); ++i)
    {
        if (words[i] == L"--invoke" && i + 1 < words.size())
        {
            invoke = ParseNumber(words[++i]);
            if (!invoke)
            {
                PrintError(L"--invoke takes a command identifier as printed in the menu");
                return 2;
            }
            continue;
        }
        const std::wstring full = FullPath(words[i]);
        if (full.empty())
        {
            PrintError(L"not a path: " + words[i]);
            return 2;
        }
        paths.push_back(full);
    }
    if (paths.empty())
    {
        PrintError(L"usage: PellicorShellHost menu <paths...> [--invoke N]");
        return 2;
    }

    PrintLine(L"Selection (CF_HDROP, " + std::to_wstring(paths.size()) + L" path(s)):");
    for (const auto& path : paths)
        PrintLine(L"  " + path);
    ComPtr<IDataObject> selection = shellkit::CreateDropFilesDataObject(paths);
    if (!selection)
    {
        PrintError(L"out of memory");
        return 1;
    }

    UniqueMenu menu(::CreatePopupMenu());
    if (!menu)
    {
        PrintError(L"CreatePopupMenu failed");
        return 1;
    }

    PrintLine(L"Context-menu handlers (HKCR\\" + std::wstring(kContextMenuHandlersKey) + L"):");
    std::vector<MenuHandler> handlers;
    UINT next = kFirstCommandId;
    const auto names = SubKeyNames(HKEY_CLASSES_ROOT, kContextMenuHandlersKey);
    if (names.empty())
        PrintLine(L"  none registered");
    for (const auto& name : names)
    {
        MenuHandler handler{name, HandlerClass(HKEY_CLASSES_ROOT, kContextMenuHandlersKey, name)};
        PrintLine(L"  " + Quoted(name) + L" -> " + handler.clsid);
        PrintClassRegistration(handler.clsid, L"      ");
        ComPtr<IShellExtInit> init;
        const HRESULT created = CreateHandler(handler.clsid, IID_IShellExtInit, init.put_void());
        if (FAILED(created))
        {
            PrintLine(L"      CoCreateInstance: " + HresultText(created) + L" (Explorer skips it)");
            continue;
        }
        const HRESULT initialized = init->Initialize(nullptr, selection.get(), nullptr);
        PrintLine(L"      Initialize: " + HresultText(initialized));
        if (FAILED(initialized) || FAILED(init.As(handler.menu)))
            continue;
        handler.first = next;
        const UINT position = static_cast<UINT>(::GetMenuItemCount(menu.get()));
        const HRESULT queried =
            handler.menu->QueryContextMenu(menu.get(), position, handler.first, kLastCommandId, CMF_NORMAL);
        handler.used = SUCCEEDED(queried) ? HRESULT_CODE(queried) : 0;
        PrintLine(L"      QueryContextMenu(first " + std::to_wstring(handler.first) + L"): " +
                  HresultText(queried) + L", " + std::to_wstring(handler.used) + L" identifier(s) used");
        next += handler.used;
        handlers.push_back(std::move(handler));
    }

    PrintLine();
    PrintLine(L"Menu:");
    if (::GetMenuItemCount(menu.get()) <= 0)
        PrintLine(L"  (empty)");
    PrintMenu(menu.get(), L"  ", 0);

    int result = 0;
    if (invoke)
    {
        PrintLine();
        const MenuHandler* owner = nullptr;
        for (const auto& handler : handlers)
            if (*invoke >= handler.first && *invoke < handler.first + handler.used)
                owner = &handler;
        if (!owner)
        {
            PrintLine(L"Command " + std::to_wstring(*invoke) +
                      L" belongs to no handler's range: nothing invoked");
            result = 1;
        }
        else
        {
            const UINT offset = *invoke - owner->first;
            CMINVOKECOMMANDINFO info = {};
            info.cbSize = sizeof(info);
            info.hwnd = ::GetForegroundWindow();
            info.lpVerb = MAKEINTRESOURCEA(offset);
            info.nShow = SW_SHOWNORMAL;
            const HRESULT invoked = owner->menu->InvokeCommand(&info);
            PrintLine(L"InvokeCommand " + Quoted(owner->name) + L" offset " + std::to_wstring(offset) +
                      L": " + HresultText(invoked));
        }
    }
    // The menu goes before the handlers: its items may show bitmaps that the handlers own.
    menu.reset();
    handlers.clear();
    return result;
}

} // namespace pellicor::shellhost
