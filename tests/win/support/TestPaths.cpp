#include "tests/win/support/TestPaths.h"

#include <windows.h>

namespace pellicor::test
{

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

std::wstring BinPath(const std::wstring& name)
{
    return BinFolder() + name;
}

} // namespace pellicor::test
