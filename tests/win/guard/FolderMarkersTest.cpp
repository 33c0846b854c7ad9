// Folder markers on real "desktop.ini" files, written and read through the platform's profile functions.
#include "shellext/guard/FolderMarkers.h"
#include "tests/win/guard/TempTree.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace pellicor::test
{
namespace
{

TEST(FolderMarkers, AttributeBitsGiveTheRights)
{
    TempTree tree;
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
        ::DeleteFileW((folder + L"\\desktop.ini").c_str());
        WriteMarker(folder, L"CanRemove", L"0");
        if (row.attribute)
            WriteMarker(folder, L"aAttribute", row.attribute);
        EXPECT_EQ(HasChangeRight(folder), row.change);
        EXPECT_EQ(HasDeleteRight(folder), row.remove);
    }
}

TEST(FolderMarkers, RemovableMarkIsExactlyOne)
{
    TempTree tree;
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
    TempTree tree;
    const std::wstring plain = tree.Folder(L"Plain");
    const std::wstring otherSection = tree.Folder(L"Other");
    tree.File(L"Other\\desktop.ini", "[.ShellClassInfo]\r\naAttribute=0\r\nCanRemove=1\r\n");
    const std::wstring markerIsFolder = tree.Folder(L"Odd\\desktop.ini");
    const std::wstring odd = tree.Root() + L"\\Odd";
    const std::wstring locked = tree.Folder(L"Locked");
    tree.File(L"Locked\\desktop.ini", "[Pellicor]\r\naAttribute=0\r\nCanRemove=1\r\n");
    HANDLE exclusive = ::CreateFileW((locked + L"\\desktop.ini").c_str(), GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    TempTree tree;
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
    EXPECT_FALSE(FileExists(deep + L"\\desktop.ini"));
    EXPECT_FALSE(FileExists(parent + L"\\desktop.ini"));
    EXPECT_FALSE(FileExists(file + L"\\desktop.ini"));

    char content[16] = {};
    DWORD read = 0;
    HANDLE f = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ::ReadFile(f, content, sizeof content, &read, nullptr);
    ::CloseHandle(f);
    EXPECT_EQ(std::string(content, read), "content");
}

TEST(FolderMarkers, MarkingNothingWhereThereIsNothingToMark)
{
    TempTree tree;
    MarkSubfoldersRemovable(tree.Root() + L"\\Missing");
    MarkSubfoldersRemovable(tree.Root() + L"\\" + std::wstring(300, L'x'));
    MarkSubfoldersRemovable(L"");
    MarkSubfoldersRemovable(L"\\\\\\");
    const std::wstring empty = tree.Folder(L"Empty");
    MarkSubfoldersRemovable(empty);
    EXPECT_FALSE(FileExists(empty + L"\\desktop.ini"));
}

} // namespace
} // namespace pellicor::test
