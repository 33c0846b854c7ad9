#include "shellext/guard/NotCapturedList.h"

#include "common/UniqueHandle.h"
#include "shellext/settings/Settings.h"

#include <windows.h>

#include <cwchar>

namespace pellicor
{

namespace
{

constexpr wchar_t kNotCapturesKeyName[] = L"NotCaptures";
constexpr wchar_t kChangeFlagRaised[] = L"1";
constexpr wchar_t kChangeFlagLowered[] = L"0";

constexpr DWORD kNameCapacity = 260; // UTF-16 units, the terminating NUL included
constexpr DWORD kDataCapacity = 50;  // UTF-16 units: 100 bytes of the client's text

// A key deleted while it is read answers every index with an error other than "no more items";
// the walk gives up after this many failures in a row instead of going on for ever.
constexpr unsigned kMaxConsecutiveEnumFailures = 16;

std::wstring NotCapturesKeyPath()
{
    std::wstring path = kClientKeyPath;
    path += L'\\';
    path += kNotCapturesKeyName;
    return path;
}

// Create-or-open: the key is created empty when the client has not written it yet. Usable only
// when it existed before.
bool OpenExistingKey(REGSAM access, UniqueKey& key)
{
    DWORD disposition = 0;
    const LONG status = ::RegCreateKeyExW(HKEY_CURRENT_USER, NotCapturesKeyPath().c_str(), 0, nullptr,
                                          REG_OPTION_NON_VOLATILE, access, nullptr, key.put(), &disposition);
    return status == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY;
}

} // namespace

bool NotCapturedList::Load()
{
    m_entries.clear();
    UniqueKey key;
    if (!OpenExistingKey(KEY_READ, key))
        return false;

    unsigned failures = 0;
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[kNameCapacity] = {};
        wchar_t data[kDataCapacity] = {};
        DWORD nameLength = kNameCapacity;
        DWORD dataSize = sizeof(data);
        DWORD type = REG_NONE;
        const LONG status = ::RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;

        // Whatever the call answered, the buffers hold what it left there; neither is trusted to be
        // terminated. The unnamed default value (the change flag) is never an entry.
        const std::wstring entry(name, ::wcsnlen(name, kNameCapacity));
        if (!entry.empty())
            m_entries[entry] = std::wstring(data, ::wcsnlen(data, kDataCapacity));

        // A name or text too long for the buffers still means there is a value at this index.
        if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)
            failures = 0;
        else if (++failures >= kMaxConsecutiveEnumFailures)
            break;
    }
    return true;
}

bool NotCapturedList::Contains(const std::wstring& path)
{
    {
        UniqueKey key;
        if (OpenExistingKey(KEY_READ | KEY_SET_VALUE, key))
        {
            std::wstring flag;
            QueryRegistryString(key.get(), L"", flag);
            if (flag == kChangeFlagRaised)
            {
                Load();
                // A failing write leaves the flag raised; the next decision simply reloads again.
                ::RegSetValueExW(key.get(), nullptr, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(kChangeFlagLowered),
                                 sizeof(kChangeFlagLowered));
            }
        }
    }
    return m_entries.contains(path);
}

} // namespace pellicor
