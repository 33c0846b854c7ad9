// PellicorShellHost: plays Explorer's part through the registrations alone. Wine's Explorer never calls
// overlay identifiers, context-menu handlers or copy hooks, and on a customer's machine nobody can see
// why an overlay is missing; this program calls them the way Explorer does and says what it sees.
#include "shellhost/Commands.h"
#include "shellhost/Console.h"

#include <windows.h>
#include <objbase.h>

namespace pellicor::shellhost
{

std::wstring FullPath(const std::wstring& path)
{
    if (path.empty())
        return {};
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = ::GetFullPathNameW(path.c_str(), ARRAYSIZE(buffer), buffer, nullptr);
    if (length == 0 || length >= ARRAYSIZE(buffer))
        return {};
    std::wstring full(buffer, length);
    // Explorer names a folder without a trailing backslash, except a drive's root.
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
    return full;
}

namespace
{

void PrintUsage()
{
    PrintError(
        L"usage: PellicorShellHost <command> ...\r\n"
        L"  overlays <folder>                      which overlay Explorer draws on each item\r\n"
        L"  menu <paths...> [--invoke N]           the context menu of a selection; invoke command N\r\n"
        L"  copyhook <move|copy|delete|rename> <src> [dst] [--no-box] [--flags N] [--perform]\r\n"
        L"                                         ask the copy hooks about a folder operation\r\n"
        L"  doctor                                 check everything the shell integration needs");
}

int Dispatch(int argc, wchar_t** argv)
{
    if (argc < 2)
    {
        PrintUsage();
        return 2;
    }
    const std::wstring command = argv[1];
    const Words words(argv + 2, argv + argc);
    if (command == L"overlays")
        return RunOverlays(words);
    if (command == L"menu")
        return RunMenu(words);
    if (command == L"copyhook")
        return RunCopyHook(words);
    if (command == L"doctor")
        return RunDoctor(words);
    PrintUsage();
    return 2;
}

} // namespace
} // namespace pellicor::shellhost

int wmain(int argc, wchar_t** argv)
{
    using namespace pellicor::shellhost;
    // Explorer calls shell extensions on apartment threads; the handlers are registered "Apartment".
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (FAILED(com))
    {
        PrintError(L"CoInitializeEx failed: " + HresultText(com));
        return 1;
    }
    int result = 1;
    try
    {
        result = Dispatch(argc, argv);
    }
    catch (...)
    {
        PrintError(L"internal error (out of memory?)");
    }
    ::CoUninitialize();
    return result;
}
