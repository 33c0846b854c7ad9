// Building the menu from the client's reply, read back from a real menu; the selection sent with
// "MenuItems"; bad selections and replies; the bitmaps' lifetime and owner drawing.
#include "tests/win/menu/MenuFixture.h"
#include "tests/win/support/DropFilesDataObject.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

using ContextMenuTest = ContextMenuFixture;

TEST_F(ContextMenuTest, FirstIdOneGivesOnePlainItemBetweenSeparators)
{
    const auto entries =
        RightClick({L"1", L"Open in Drovana", L"2", L"Share"}, {L"C:\\Sync\\a.txt", L"C:\\Sync\\b"});
    EXPECT_EQ(identifiers, 2);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].text, L"Open");
    EXPECT_TRUE(entries[1].IsSeparator());
    EXPECT_EQ(entries[2].id, kFirstId + 1);
    EXPECT_EQ(entries[2].text, L"Open in Drovana");
    EXPECT_EQ(entries[2].subMenu, nullptr);
    EXPECT_EQ(BitmapPixels(entries[2].bitmap), LibraryBitmapPixels(library.Module(), 107));
    EXPECT_TRUE(entries[3].IsSeparator());
    EXPECT_EQ(entries[4].text, L"Properties");
    EXPECT_EQ(ArgumentsOf(L"MenuItems"), (RequestArguments{{L"C:\\Sync\\a.txt", L"C:\\Sync\\b"}}));
}

TEST_F(ContextMenuTest, OtherIdsGoIntoTheProductSubmenuWithTheirBitmaps)
{
    const auto entries = RightClick({L"2", L"Share link", L"5", L"Open on the web"});
    EXPECT_EQ(identifiers, 6);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_TRUE(entries[1].IsSeparator());
    EXPECT_TRUE(entries[3].IsSeparator());
    const MenuEntry& submenu = entries[2];
    EXPECT_EQ(submenu.id, kFirstId);
    EXPECT_EQ(submenu.text, L"Drovana");
    EXPECT_EQ(BitmapPixels(submenu.bitmap), LibraryBitmapPixels(library.Module(), 107));
    ASSERT_NE(submenu.subMenu, nullptr);

    const auto items = ReadMenu(submenu.subMenu);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].id, kFirstId + 2);
    EXPECT_EQ(items[0].text, L"Share link");
    EXPECT_EQ(BitmapPixels(items[0].bitmap), LibraryBitmapPixels(library.Module(), 114));
    EXPECT_EQ(items[1].id, kFirstId + 5);
    EXPECT_EQ(items[1].text, L"Open on the web");
    EXPECT_EQ(BitmapPixels(items[1].bitmap), LibraryBitmapPixels(library.Module(), 115));
    EXPECT_NE(BitmapPixels(items[0].bitmap), BitmapPixels(items[1].bitmap));

    // The caption is read once per process; a later change of language shows in a new process.
    settings.SetDword(L"DrovanaLanguage", 2052);
    CreateHandler();
    const auto again = RightClick({L"2", L"Share link"});
    ASSERT_EQ(identifiers, 3);
    EXPECT_EQ(again[2].text, L"Drovana");
}

TEST_F(ContextMenuTest, PairsWithOtherIdsAndTheirBitmaps)
{
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    ServeMenuItems({L"0", L"Drovana home", L"3", L"Copy link", L"4", L"History", L"7"});
    const UniqueMenu shellMenu(::CreatePopupMenu());

    EXPECT_EQ(Query(shellMenu.get(), 0), 5) << "the unpaired 7 at the end is ignored";
    const auto entries = ReadMenu(shellMenu.get());
    ASSERT_EQ(entries.size(), 3u);
    const auto items = ReadMenu(entries[1].subMenu);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].id, kFirstId) << "id 0 shares the submenu's identifier";
    EXPECT_EQ(BitmapPixels(items[0].bitmap), LibraryBitmapPixels(library.Module(), 107));
    EXPECT_EQ(BitmapPixels(items[1].bitmap), LibraryBitmapPixels(library.Module(), 113));
    EXPECT_EQ(BitmapPixels(items[2].bitmap), LibraryBitmapPixels(library.Module(), 112));
}

TEST_F(ContextMenuTest, OnePairWithIdZeroUsesOneIdentifier)
{
    const auto entries = RightClick({L"0", L"Drovana"});
    EXPECT_EQ(identifiers, 1);
    ASSERT_EQ(entries.size(), 5u);
    const auto items = ReadMenu(entries[2].subMenu);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, entries[2].id);
}

TEST_F(ContextMenuTest, DefaultOnlyAndVerbsOnlyAskTheClientNothing)
{
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    ServeMenuItems({L"1", L"Open"});
    for (const UINT flags : {CMF_DEFAULTONLY, CMF_VERBSONLY, CMF_DEFAULTONLY | CMF_EXPLORE})
    {
        EXPECT_EQ(QueryShellMenu(flags), 0) << flags;
        EXPECT_EQ(::GetMenuItemCount(clicked.get()), 2);
    }
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(ContextMenuTest, RepliesWithoutUsableItemsAddNothing)
{
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    const std::vector<std::vector<std::wstring>> replies = {
        {},
        {L"2"},
        {L"1"},
        {L"abc", L"Not a number"},
        {L"", L"Empty id"},
        {L"-1", L"Negative", L"6", L"Beyond the commands", L"99999999999", L"Huge"},
    };
    for (const auto& values : replies)
    {
        ServeMenuItems(values);
        EXPECT_EQ(QueryShellMenu(), 0) << values.size() << " values";
        EXPECT_EQ(::GetMenuItemCount(clicked.get()), 2) << "no separator either";
    }

    const std::vector<standin::Response> failures = {
        standin::Response::WithStatus(L"OK", {L"1", L"Open"}), standin::Response::Malformed(),
        standin::Response::Truncated({L"1", L"Open"}), standin::Response::Close()};
    for (const auto& failure : failures)
    {
        server.SetResponse(L"MenuItems", failure);
        EXPECT_EQ(QueryShellMenu(), 0) << ToUtf8(failure.Describe());
        EXPECT_EQ(::GetMenuItemCount(clicked.get()), 2);
    }

    server.Stop();
    EXPECT_EQ(QueryShellMenu(), 0) << "client not running";
    EXPECT_EQ(::GetMenuItemCount(clicked.get()), 2);
}

TEST_F(ContextMenuTest, ItemsBeyondTheShellsRangeAreLeftOut)
{
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    ServeMenuItems({L"2", L"A", L"5", L"B"});
    EXPECT_EQ(QueryShellMenu(CMF_NORMAL, kFirstId + 3), 3);
    const auto entries = ReadMenu(clicked.get());
    ASSERT_EQ(entries.size(), 5u);
    const auto items = ReadMenu(entries[2].subMenu);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, kFirstId + 2);
}

TEST_F(ContextMenuTest, SelectionsWithoutFilesAreRefused)
{
    EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(init->Initialize(nullptr, CreateDataObjectWithoutFiles().get(), nullptr), E_INVALIDARG);

    const auto counters = std::make_shared<DropFilesCounters>();
    EXPECT_EQ(init->Initialize(nullptr, CreateDropFilesDataObject({}, counters).get(), nullptr),
              E_INVALIDARG);
    EXPECT_EQ(init->Initialize(nullptr, CreateDropFilesDataObject({L"C:\\x"}, counters).get(), nullptr),
              S_OK);
    EXPECT_EQ(counters->dataRequests, 2);
    EXPECT_EQ(counters->releases, 2) << "every file list is given back";

    // Nothing was selected by the refused calls: the menu still asks for the last good selection.
    ServeMenuItems({L"1", L"Open"});
    EXPECT_EQ(QueryShellMenu(), 2);
    EXPECT_EQ(ArgumentsOf(L"MenuItems"), (RequestArguments{{L"C:\\x"}}));
}

TEST_F(ContextMenuTest, LongPathsReachTheClientWhole)
{
    const std::wstring longPath = L"C:\\Sync\\" + std::wstring(300, L'x') + L"\\file.txt";
    RightClick({L"1", L"Open"}, {longPath, L"C:\\Sync\\short"});
    EXPECT_EQ(identifiers, 2);
    EXPECT_EQ(ArgumentsOf(L"MenuItems"), (RequestArguments{{longPath, L"C:\\Sync\\short"}}));
}

TEST_F(ContextMenuTest, MeasureItemMakesRoomForTheBitmap)
{
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemWidth = 40;
    measure.itemHeight = 12;
    LRESULT result = -1;
    EXPECT_EQ(menu->HandleMenuMsg2(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure), &result), S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(measure.itemWidth, 42u);
    EXPECT_EQ(measure.itemHeight, 16u);

    measure.itemHeight = 20;
    EXPECT_EQ(menu->HandleMenuMsg(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), S_OK);
    EXPECT_EQ(measure.itemHeight, 20u) << "a taller item keeps its height";

    EXPECT_EQ(menu->HandleMenuMsg2(WM_MEASUREITEM, 0, 0, &result), S_OK);
    EXPECT_EQ(result, 0) << "no record, nothing done";
    EXPECT_EQ(menu->HandleMenuMsg2(WM_INITMENUPOPUP, 0, 0, nullptr), S_OK);
}

// Draws the item with the given identifier into a white 64 x 32 bitmap, the item's rectangle at
// x 20..60 and y 4..26; returns the result slot and the pixels.
LRESULT DrawItem(IContextMenu3& handler, UINT itemId, UINT controlType, std::vector<std::uint32_t>& pixels)
{
    const HDC screen = ::GetDC(nullptr);
    const UniqueMemoryDc dc(::CreateCompatibleDC(screen));
    const UniqueBitmap canvas(::CreateCompatibleBitmap(screen, 64, 32));
    ::ReleaseDC(nullptr, screen);
    LRESULT result = -1;
    {
        const ScopedSelectObject select(dc.get(), canvas.get());
        const RECT all{0, 0, 64, 32};
        ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        DRAWITEMSTRUCT draw{};
        draw.CtlType = controlType;
        draw.itemID = itemId;
        draw.hDC = dc.get();
        draw.rcItem = {20, 4, 60, 26};
        handler.HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), &result);
    }
    pixels = BitmapPixels(canvas.get());
    return result;
}

// The 16 x 16 square at (x, y) of a 64-wide pixel buffer.
std::vector<std::uint32_t> Square(const std::vector<std::uint32_t>& pixels, int x, int y)
{
    std::vector<std::uint32_t> square;
    for (int row = 0; row < 16; ++row)
        for (int column = 0; column < 16; ++column)
            square.push_back(pixels[static_cast<std::size_t>((y + row) * 64 + x + column)]);
    return square;
}

TEST_F(ContextMenuTest, DrawItemCopiesTheItemsBitmapLeftOfItsRectangle)
{
    RightClick({L"2", L"Share link", L"5", L"Open on the web"});
    ASSERT_EQ(identifiers, 6);

    std::vector<std::uint32_t> pixels;
    EXPECT_EQ(DrawItem(*menu.get(), kFirstId + 2, ODT_MENU, pixels), 1);
    ASSERT_EQ(pixels.size(), 64u * 32u);
    // x = 20 - 16, y = 4 + (22 - 16) / 2
    EXPECT_EQ(Square(pixels, 4, 7), LibraryBitmapPixels(library.Module(), 114));
    EXPECT_EQ(pixels[static_cast<std::size_t>(6 * 64 + 4)], 0xFFFFFFu) << "nothing above the square";
    EXPECT_EQ(pixels[static_cast<std::size_t>(7 * 64 + 20)], 0xFFFFFFu) << "nothing in the item itself";

    EXPECT_EQ(DrawItem(*menu.get(), kFirstId, ODT_MENU, pixels), 1) << "the submenu's own bitmap";
    EXPECT_EQ(Square(pixels, 4, 7), LibraryBitmapPixels(library.Module(), 107));

    EXPECT_EQ(DrawItem(*menu.get(), kFirstId + 3, ODT_MENU, pixels), 0) << "not one of ours";
    EXPECT_EQ(DrawItem(*menu.get(), kFirstId + 2, ODT_BUTTON, pixels), 0) << "not a menu";
    EXPECT_EQ(Square(pixels, 4, 7), std::vector<std::uint32_t>(256, 0xFFFFFF));
    LRESULT result = -1;
    EXPECT_EQ(menu->HandleMenuMsg2(WM_DRAWITEM, 0, 0, &result), S_OK);
    EXPECT_EQ(result, 0);
}

bool IsLiveBitmap(HBITMAP bitmap)
{
    return ::GetObjectType(bitmap) == OBJ_BITMAP;
}

TEST_F(ContextMenuTest, BitmapsAMenuMayStillShowLiveUntilTheHandlerGoes)
{
    const auto firstEntries = RightClick({L"2", L"Share link"});
    ASSERT_EQ(identifiers, 3);
    const HBITMAP firstSubmenuBitmap = firstEntries[2].bitmap;
    const HBITMAP firstItemBitmap = ReadMenu(firstEntries[2].subMenu)[0].bitmap;
    ASSERT_TRUE(IsLiveBitmap(firstSubmenuBitmap));

    // The shell initializes the same handler again while the first menu is still open.
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\b.txt"}), S_OK);
    EXPECT_TRUE(IsLiveBitmap(firstSubmenuBitmap)) << "still drawn by the open menu";
    EXPECT_TRUE(IsLiveBitmap(firstItemBitmap));

    const UniqueMenu second = ShellMenu();
    ASSERT_EQ(Query(second.get(), 1), 3);
    const HBITMAP secondBitmap = ReadMenu(second.get())[2].bitmap;
    EXPECT_NE(secondBitmap, firstSubmenuBitmap) << "a fresh bitmap for the new menu";

    menu.reset();
    init.reset();
    EXPECT_FALSE(IsLiveBitmap(firstSubmenuBitmap)) << "deleted with the handler";
    EXPECT_FALSE(IsLiveBitmap(firstItemBitmap));
    EXPECT_FALSE(IsLiveBitmap(secondBitmap));
}

// Fills the process's GDI handle table until it refuses more, then gives back `room` slots: a
// handler that leaks bitmaps then runs out within a few calls.
std::vector<UniqueBitmap> FillGdiTableBut(std::size_t room)
{
    std::vector<UniqueBitmap> held;
    for (UniqueBitmap bitmap(::CreateBitmap(1, 1, 1, 1, nullptr)); bitmap;
         bitmap.reset(::CreateBitmap(1, 1, 1, 1, nullptr)))
        held.push_back(std::move(bitmap));
    held.resize(held.size() > room ? held.size() - room : 0);
    return held;
}

TEST_F(ContextMenuTest, ReplacedAndHeldBitmapsAreGivenBack)
{
    ServeMenuItems({L"2", L"Share link"});
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    const auto table = FillGdiTableBut(200);
    ASSERT_GT(table.size(), 1000u);

    for (int i = 0; i < 300; ++i) // 1800 bitmaps loaded and replaced
        ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    for (int i = 0; i < 150; ++i) // 1800 more, half of them held for a shown menu until the end
    {
        CreateHandler();
        ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
        ASSERT_EQ(QueryShellMenu(), 3);
        ASSERT_EQ(InitializeWith({L"C:\\Sync\\b.txt"}), S_OK);
    }

    ASSERT_EQ(QueryShellMenu(), 3);
    const auto entries = ReadMenu(clicked.get());
    EXPECT_TRUE(IsLiveBitmap(entries[2].bitmap)) << "bitmaps still load";
    EXPECT_TRUE(IsLiveBitmap(ReadMenu(entries[2].subMenu)[0].bitmap));
}

} // namespace
} // namespace pellicor::test
