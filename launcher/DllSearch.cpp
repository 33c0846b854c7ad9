#include "launcher/DllSearch.h"

#include <string>

namespace drovana
{

namespace
{
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFn SetDefaultDllDirectoriesOrNull()
{
    return reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
}
} // namespace

bool RestrictDllSearch()
{
    const SetDefaultDllDirectoriesFn setDefaultDllDirectories = SetDefaultDllDirectoriesOrNull();
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    const DWORD error =
        setDefaultDllDirectories ? ::GetLastError() : static_cast<DWORD>(ERROR_PROC_NOT_FOUND);
    ::SetDllDirectoryW(L"");
    ::SetLastError(error);
    return false;
}

HMODULE LoadSystemLibrary(const wchar_t* fileName)
{
    wchar_t folder[MAX_PATH] = {};
    const UINT units = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (units == 0 || units >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, units) + L"\\" + fileName;
    // The library's own imports come from the system folder too: through the search flags where the
    // system knows them, otherwise through the search that starts in the library's folder.
    const DWORD flags =
        SetDefaultDllDirectoriesOrNull() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    return ::LoadLibraryExW(path.c_str(), nullptr, flags);
}

} // namespace drovana
