// OverlayDemo.exe FOLDER: loads the shell extension beside it, as Explorer does, and asks each of
// its five overlay identifiers about every item under FOLDER. Prints what Explorer would draw.
#include "common/ComPtr.h"
#include "common/UniqueHandle.h"
#include "shellext/server/ClassTable.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

using namespace pellicor;

constexpr const wchar_t* kLibraryFileName = L"PellicorOverlays_x64_10060.dll";
constexpr const wchar_t* kKindNames[] = {L"Syncing", L"Synced", L"Safe", L"Share", L"Invalid"};

using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(__stdcall*)();

void Print(const std::wstring& line)
{
    const std::wstring text = line + L"\n";
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                          nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

std::wstring Padded(std::wstring text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), L' ');
    return text;
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

void CollectItems(const std::wstring& folder, std::vector<std::wstring>& items, int depth)
{
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find)
        return;
    do
    {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        items.push_back(folder + L"\\" + name);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && depth < 3)
            CollectItems(folder + L"\\" + name, items, depth + 1);
    } while (::FindNextFileW(find.get(), &data));
}

struct Identifier
{
    std::wstring name;
    ComPtr<IShellIconOverlayIdentifier> object;
};

int Run(const std::wstring& folder)
{
    const std::wstring libraryPath = ProgramFolder() + kLibraryFileName;
    UniqueModule library(::LoadLibraryW(libraryPath.c_str()));
    if (!library)
    {
        Print(L"OverlayDemo: cannot load " + libraryPath);
        return 1;
    }
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "DllGetClassObject")));
    auto canUnloadNow = reinterpret_cast<CanUnloadNowFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "DllCanUnloadNow")));
    if (!getClassObject || !canUnloadNow)
    {
        Print(L"OverlayDemo: the library lacks its exports");
        return 1;
    }
    Print(L"OverlayDemo: loaded " + libraryPath);

    std::vector<Identifier> identifiers;
    Print(L"OverlayDemo: the five overlay identifiers, as Explorer sees them:");
    for (const ClassEntry& entry : kClassTable)
    {
        if (entry.kind < Syncing || entry.kind > Invalid)
            continue;
        Identifier id{kKindNames[entry.kind], {}};
        ComPtr<IClassFactory> factory;
        HRESULT hr = getClassObject(entry.clsid, IID_IClassFactory, factory.put_void());
        if (SUCCEEDED(hr))
            hr = factory->CreateInstance(nullptr, IID_IShellIconOverlayIdentifier, id.object.put_void());
        if (FAILED(hr))
        {
            Print(L"  " + id.name + L": cannot be created");
            continue;
        }
        int priority = -1;
        const HRESULT priorityResult = id.object->GetPriority(&priority);
        wchar_t icon[MAX_PATH] = {};
        int index = 0;
        DWORD flags = 0;
        const HRESULT iconResult = id.object->GetOverlayInfo(icon, MAX_PATH, &index, &flags);
        std::wstring iconText = iconResult == S_OK ? std::wstring(icon) : L"(none registered)";
        Print(L"  " + Padded(id.name, 8) + L" priority " + Padded(std::to_wstring(priority), 4) +
              (priorityResult == S_OK ? L"" : L"(no overlay) ") + L"icon " + iconText);
        identifiers.push_back(std::move(id));
    }

    std::vector<std::wstring> items;
    CollectItems(folder, items, 0);
    Print(L"OverlayDemo: asking every identifier about the " + std::to_wstring(items.size()) +
          L" items under " + folder + L":");
    std::size_t width = 0;
    for (const std::wstring& item : items)
        width = std::max(width, item.size());
    for (const std::wstring& item : items)
    {
        std::wstring claims;
        for (const Identifier& id : identifiers)
        {
            if (id.object->IsMemberOf(item.c_str(), ::GetFileAttributesW(item.c_str())) == S_OK)
                claims += (claims.empty() ? L"" : L", ") + id.name;
        }
        Print(L"  " + Padded(item, width) + L"  " + (claims.empty() ? L"(no overlay)" : claims));
    }

    identifiers.clear();
    Print(std::wstring(L"OverlayDemo: all objects released; the library ") +
          (canUnloadNow() == S_OK ? L"may be unloaded" : L"still has live objects"));
    return 0;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 2)
    {
        Print(L"usage: OverlayDemo.exe FOLDER");
        return 2;
    }
    const std::wstring folder = argv[1];
    ::LocalFree(argv);
    return Run(folder);
}
