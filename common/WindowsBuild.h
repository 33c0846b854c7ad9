#pragma once
// The build number of the running Windows. GetVersionEx answers what the program's manifest claims to
// support, so a program that does not list the newest Windows is told an older one; RtlGetVersion
// reports the system as it is. Looked up at run time: it is ntdll's, which nothing imports here.
#include <windows.h>

namespace pellicor
{

// 0 when the build cannot be read.
inline DWORD WindowsBuildNumber() noexcept
{
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const FARPROC proc = ntdll ? ::GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (!proc)
        return 0;
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(proc));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    return rtlGetVersion(&version) == 0 ? version.dwBuildNumber : 0;
}

} // namespace pellicor
