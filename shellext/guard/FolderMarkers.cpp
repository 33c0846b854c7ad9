// Marker files are plain profile (INI) files that the client writes; the guard reads two keys and
// writes only the removable mark.
#include "shellext/guard/FolderMarkers.h"

#include "common/UniqueHandle.h"
#include "shellext/guard/PathRules.h"

#include <windows.h>

namespace pellicor
{

namespace
{

constexpr wchar_t kMarkerFileName[] = L"desktop.ini";
constexpr wchar_t kMarkerSection[] = L"Pellicor";
constexpr wchar_t kAttributeKey[] = L"aAttribute";
constexpr wchar_t kCanRemoveKey[] = L"CanRemove";
constexpr wchar_t kRemovableMarkText[] = L"1";

constexpr UINT kDefaultAttribute = 0xFFFE; // every right: what a folder without a marker has
constexpr UINT kChangeRightBit = 0x400;
constexpr UINT kDeleteRightBit = 0x1000;
constexpr UINT kNoRemovableMark = 0;
constexpr UINT kRemovableMark = 1;

// The marker of a folder, or nothing when there can be none: a path of backslashes only names no
// folder (and an empty one would name the root of the current drive), and the profile functions
// take no path of MAX_PATH units or more.
bool MarkerFileOf(const std::wstring& folder, std::wstring& marker)
{
    if (TrimTrailingBackslashes(folder).empty())
        return false;
    marker = folder;
    marker += L'\\';
    marker += kMarkerFileName;
    return marker.size() < MAX_PATH;
}

UINT ReadMarker(const std::wstring& folder, const wchar_t* key, UINT fallback)
{
    std::wstring marker;
    if (!MarkerFileOf(folder, marker))
        return fallback;
    return ::GetPrivateProfileIntW(kMarkerSection, key, static_cast<INT>(fallback), marker.c_str());
}

bool IsDotEntry(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

} // namespace

bool HasChangeRight(const std::wstring& folder)
{
    return (ReadMarker(folder, kAttributeKey, kDefaultAttribute) & kChangeRightBit) != 0;
}

bool HasDeleteRight(const std::wstring& folder)
{
    return (ReadMarker(folder, kAttributeKey, kDefaultAttribute) & kDeleteRightBit) != 0;
}

bool IsMarkedRemovable(const std::wstring& folder)
{
    return ReadMarker(folder, kCanRemoveKey, kNoRemovableMark) == kRemovableMark;
}

void MarkSubfoldersRemovable(const std::wstring& folder)
{
    if (TrimTrailingBackslashes(folder).empty())
        return;
    const std::wstring pattern = folder + L"\\*";
    if (pattern.size() >= MAX_PATH)
        return;

    WIN32_FIND_DATAW entry{};
    UniqueFind find(::FindFirstFileW(pattern.c_str(), &entry));
    if (!find)
        return;
    // Immediate subfolders only, hidden and system ones alike; files are left alone.
    do
    {
        if (IsDotEntry(entry.cFileName) || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            continue;
        std::wstring marker;
        if (MarkerFileOf(folder + L'\\' + entry.cFileName, marker))
            ::WritePrivateProfileStringW(kMarkerSection, kCanRemoveKey, kRemovableMarkText, marker.c_str());
    } while (::FindNextFileW(find.get(), &entry));
}

} // namespace pellicor
