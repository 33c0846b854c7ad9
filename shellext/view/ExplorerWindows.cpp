#include "shellext/view/ExplorerWindows.h"

namespace pellicor
{

namespace
{
constexpr DWORD kVistaMajorVersion = 6;
} // namespace

// GetVersionExW with the extended structure; Wine and Windows both honour a program's compatibility
// version here, which is what lets XP be exercised for real.
bool RunsBeforeVista() noexcept
{
    static const bool beforeVista = []
    {
        OSVERSIONINFOEXW version{};
        version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)))
            return false;
#pragma GCC diagnostic pop
        return version.dwMajorVersion < kVistaMajorVersion;
    }();
    return beforeVista;
}

HWND FindChild(HWND parent, const wchar_t* className) noexcept
{
    return parent ? ::FindWindowExW(parent, nullptr, className, nullptr) : nullptr;
}

HWND FindChildOfDescendant(HWND ancestor, const wchar_t* className) noexcept
{
    if (!ancestor)
        return nullptr;
    struct Search
    {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    ::EnumChildWindows(
        ancestor,
        [](HWND descendant, LPARAM context) -> BOOL
        {
            auto* s = reinterpret_cast<Search*>(context);
            s->found = ::FindWindowExW(descendant, nullptr, s->className, nullptr);
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTabViewWindow(HWND tab) noexcept
{
    return FindChild(FindChild(tab, kDuiViewWindowClass), kDirectUiWindowClass);
}

HWND FindViewWindowOf(HWND topLevel) noexcept
{
    const HWND tab = FindChild(topLevel, kShellTabWindowClass);
    return tab ? FindTabViewWindow(tab) : topLevel;
}

} // namespace pellicor
