// IShellIconOverlayIdentifier: Explorer asks every registered identifier about every item it
// draws, on many threads at once. Membership is the running client's answer, asked afresh on
// every call; the icon path is read from the registry on every call, so changes show at once.
#include "shellext/server/ShellExt.h"

#include <cstring>
#include <string>

namespace pellicor
{

namespace
{

constexpr const wchar_t* kOverlayIconKey = L"Software\\PellicorOverlays";
constexpr DWORD kIconValueLimitBytes = 1024; // a larger value counts as absent in that hive

// The icon path of one hive, or empty when the key or value is missing, too large or empty.
std::wstring ReadIconPath(HKEY hive, const wchar_t* valueName)
{
    UniqueKey key;
    if (::RegOpenKeyExW(hive, kOverlayIconKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return {};

    // One spare unit so that a full 1024-byte value still ends in NUL.
    wchar_t data[kIconValueLimitBytes / sizeof(wchar_t) + 1] = {};
    DWORD size = kIconValueLimitBytes;
    if (::RegQueryValueExW(key.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return {};
    // The type is not examined and the text not expanded: REG_SZ as the launcher writes it.
    const std::size_t units = size / sizeof(wchar_t);
    return std::wstring(data, wcsnlen(data, units));
}

} // namespace

IFACEMETHODIMP CShellExt::IsMemberOf(PCWSTR path, DWORD)
{
    if (path == nullptr)
        return E_INVALIDARG;
    const PipeClient pipe;
    return pipe.QueryPathState(m_kind, path) ? S_OK : S_FALSE;
}

IFACEMETHODIMP CShellExt::GetOverlayInfo(PWSTR iconFile, int capacity, int* index, DWORD* flags)
{
    if (iconFile == nullptr || index == nullptr || flags == nullptr)
        return E_POINTER;
    if (capacity < 1)
        return E_INVALIDARG;
    iconFile[0] = L'\0';
    *index = 0;
    *flags = 0;

    const wchar_t* valueName = InfoForKind(m_kind).iconValueName;
    if (valueName == nullptr)
        return S_FALSE;

    try
    {
        // The user's own setting wins; an empty one falls through to the machine's.
        std::wstring path;
        for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        {
            path = ReadIconPath(hive, valueName);
            if (!path.empty())
                break;
        }
        if (path.empty())
            return S_FALSE;
        if (path.size() >= static_cast<std::size_t>(capacity))
            return E_INVALIDARG;

        std::memcpy(iconFile, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        *flags = ISIOI_ICONFILE;
        return S_OK;
    }
    catch (...)
    {
        return S_FALSE;
    }
}

IFACEMETHODIMP CShellExt::GetPriority(int* priority)
{
    if (priority == nullptr)
        return E_POINTER;
    *priority = InfoForKind(m_kind).priority;
    return InfoForKind(m_kind).iconValueName != nullptr ? S_OK : S_FALSE;
}

} // namespace pellicor
