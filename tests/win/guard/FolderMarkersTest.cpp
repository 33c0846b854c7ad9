// Folder markers on real "desktop.ini" files, written and read through the platform's profile functions.
#include "shellext/guard/FolderMarkers.h"
#include "tests/win/guard/MarkerFiles.h"

#include <gtest/gtest.h>

#include "common/UniqueHandle.h"

#include <windows.h>

#include <map>
#include <optional>

namespace pellicor::test
{
namespace
{

TEST(FolderMarkers, AttributeBitsGiveTheRights)
{
    TempFolder tree;
    struct Row
    {
        const wchar_t* attribute; // nullptr: no such key
        bool change;
        bool remove;
    };
    for (const Row& row : {Row{L"0", false, false}, Row{L"1024", true, false}, Row{L"4096", false, true},
                           Row{L"5120", true, true}, Row{L"65534", true, true}, Row{L"1023", false, false},
                           Row{nullptr, true, true}})
    {
        SCOPED_TRACE(row.attribute ? row.attribute : L"absent");
        const std::wstring folder = tree.Folder(L"F");
        ::DeleteFileW((MarkerOf(folder)).c_str());
        WriteMarker(folder, L"CanRemove", L"0");
        if (row.attribute)
            WriteMarker(folder, L"aAttribute", row.attribute);
        EXPECT_EQ(HasChangeRight(folder), row.change);
        EXPECT_EQ(HasDeleteRight(folder), row.remove);
    }
}

TEST(FolderMarkers, RemovableMarkIsExactlyOne)
{
    TempFolder tree;
    const std::wstring folder = tree.Folder(L"F");
    EXPECT_FALSE(IsMarkedRemovable(folder));
    for (const auto& [value, marked] :
         {std::pair{L"1", true}, std::pair{L"2", false}, std::pair{L"0", false}})
    {
        WriteMarker(folder, L"CanRemove", value);
        EXPECT_EQ(IsMarkedRemovable(folder), marked) << value;
    }
}

// No marker, another section, a folder that does not exist, a marker that cannot be read: both
// rights, no mark.
TEST(FolderMarkers, WithoutAReadableMarkerAFolderHasEveryRight)
{
    TempFolder tree;
    const std::wstring plain = tree.Folder(L"Plain");
    const std::wstring otherSection = tree.Folder(L"Other");
    tree.File(L"Other\\desktop.ini", "[.ShellClassInfo]\r\naAttribute=0\r\nCanRemove=1\r\n");
    const std::wstring markerIsFolder = tree.Folder(L"Odd\\desktop.ini");
    const std::wstring odd = tree.Root() + L"\\Odd";
    const std::wstring locked = tree.Folder(L"Locked");
    tree.File(L"Locked\\desktop.ini", "[Pellicor]\r\naAttribute=0\r\nCanRemove=1\r\n");
    HANDLE exclusive = ::CreateFileW((MarkerOf(locked)).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);

    const std::wstring longPath = tree.Root() + L"\\" + std::wstring(300, L'x');
    for (const std::wstring& folder : {plain, otherSection, odd, locked, tree.Root() + L"\\Missing", longPath,
                                       std::wstring(), std::wstring(L"\\\\")})
    {
        SCOPED_TRACE(folder);
        EXPECT_TRUE(HasChangeRight(folder));
        EXPECT_TRUE(HasDeleteRight(folder));
        EXPECT_FALSE(IsMarkedRemovable(folder));
    }
    ::CloseHandle(exclusive);
    // Readable again once the client lets go of it.
    EXPECT_FALSE(HasChangeRight(locked));
    EXPECT_TRUE(IsMarkedRemovable(locked));
}

TEST(FolderMarkers, MarkingTouchesOnlyImmediateSubfolders)
{
    TempFolder tree;
    const std::wstring parent = tree.Folder(L"P");
    const std::wstring a = tree.Folder(L"P\\A");
    const std::wstring deep = tree.Folder(L"P\\A\\Deep");
    const std::wstring hidden = tree.Folder(L"P\\Hidden");
    ::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    const std::wstring file = tree.File(L"P\\f", "content");
    WriteMarker(a, L"aAttribute", L"0");

    MarkSubfoldersRemovable(parent);

    EXPECT_EQ(ReadMarker(a, L"CanRemove"), L"1");
    EXPECT_EQ(ReadMarker(a, L"aAttribute"), L"0") << "the client's rights stay as they were";
    EXPECT_EQ(ReadMarker(hidden, L"CanRemove"), L"1");
    EXPECT_TRUE(IsMarkedRemovable(a));
    EXPECT_FALSE(FileExists(MarkerOf(deep)));
    EXPECT_FALSE(FileExists(MarkerOf(parent)));
    EXPECT_FALSE(FileExists(MarkerOf(file)));
    EXPECT_EQ(ReadFileBytes(file), "content");
}

// The marker files of the current drive's top-level folders, by folder: their bytes, or nothing.
std::map<std::wstring, std::optional<std::string>> TopLevelMarkers()
{
    std::map<std::wstring, std::optional<std::string>> markers;
    WIN32_FIND_DATAW entry{};
    UniqueFind find(::FindFirstFileW(L"\\*", &entry));
    for (bool more = static_cast<bool>(find); more; more = ::FindNextFileW(find.get(), &entry))
    {
        const std::wstring folder = std::wstring(L"\\") + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            markers[folder] = ReadFileBytes(MarkerOf(folder));
    }
    return markers;
}

TEST(FolderMarkers, MarkingNothingWhereThereIsNothingToMark)
{
    TempFolder tree;
    const std::wstring empty = tree.Folder(L"Empty");
    MarkSubfoldersRemovable(tree.Root() + L"\\Missing");
    MarkSubfoldersRemovable(tree.Root() + L"\\" + std::wstring(300, L'x'));
    MarkSubfoldersRemovable(empty);
    EXPECT_FALSE(FileExists(MarkerOf(empty)));

    // An empty path or one of backslashes only names no folder; read as "\", it would be the root of
    // the current drive, here the one that holds the temporary folder.
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(tree.Root().c_str()));
    const auto before = TopLevelMarkers();
    MarkSubfoldersRemovable(L"");
    MarkSubfoldersRemovable(L"\\\\\\");
    const auto after = TopLevelMarkers();
    EXPECT_EQ(before, after) << "top-level folders of the drive were marked";
    for (const auto& [folder, marker] : before)
    {
        if (ReadFileBytes(MarkerOf(folder)) == marker)
            continue;
        if (marker)
            WriteFileBytes(MarkerOf(folder), *marker);
        else
            RemoveTree(MarkerOf(folder));
    }
    ::SetCurrentDirectoryW(previous);
}

} // namespace
} // namespace pellicor::test
