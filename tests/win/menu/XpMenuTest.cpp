// Before Vista the menu cannot show our bitmaps by itself: every item asks for its bitmap through
// the handler's menu messages. Run for real: the program starts itself again with Wine told that it
// runs on Windows XP (only this program, by its file name), shows the menu and lets it draw.
#include "tests/win/menu/MenuFixture.h"
#include "tests/win/support/TestWindows.h"
#include "tests/win/support/XpRun.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pellicor::test
{
namespace
{

using XpMenuTest = ContextMenuFixture;

TEST_F(XpMenuTest, ItemsAskForTheirBitmapsThroughTheHandler)
{
    settings.SetDword(L"DrovanaLanguage", 2052);
    const auto entries = RightClick({L"2", L"Share link", L"4", L"History"});
    ASSERT_EQ(identifiers, 5);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[2].text, L"\u5353\u74E6\u7EB3") << "the caption in the language of the first menu";
    EXPECT_EQ(entries[2].bitmap, HBMMENU_CALLBACK);
    for (const auto& item : ReadMenu(entries[2].subMenu))
        EXPECT_EQ(item.bitmap, HBMMENU_CALLBACK) << ToUtf8(item.text);
}

// The menu's owner window forwards the owner-draw messages to the handler, as Explorer does.
struct MenuOwner
{
    IContextMenu2* handler = nullptr;
    std::vector<UINT> measured;
    std::vector<UINT> drawn; // items whose bitmap the handler drew
};
MenuOwner* g_owner = nullptr;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_owner && message == WM_MEASUREITEM)
    {
        g_owner->handler->HandleMenuMsg(message, wParam, lParam);
        g_owner->measured.push_back(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemID);
        return TRUE;
    }
    if (g_owner && message == WM_DRAWITEM)
    {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        ComPtr<IContextMenu3> handler3;
        LRESULT result = 0;
        if (SUCCEEDED(g_owner->handler->QueryInterface(IID_IContextMenu3, handler3.put_void())))
            handler3->HandleMenuMsg2(message, wParam, lParam, &result);
        if (result == 1)
            g_owner->drawn.push_back(draw->itemID);
        return TRUE;
    }
    if (message == WM_TIMER)
    {
        ::KillTimer(window, wParam);
        ::EndMenu();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(XpMenuTest, AShownMenuHasTheHandlerMeasureAndDrawItsBitmaps)
{
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    ServeMenuItems({L"1", L"Open in Drovana"});
    ASSERT_EQ(QueryShellMenu(), 2);

    RegisterWindowClass(L"XpMenuOwner", OwnerProc);
    const UniqueWindow owner(::CreateWindowExW(0, L"XpMenuOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                               50, 50, 300, 200, nullptr, nullptr,
                                               ::GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(owner);
    ::SetForegroundWindow(owner.get());

    ComPtr<IContextMenu2> handler2;
    ASSERT_EQ(menu.As(handler2), S_OK);
    MenuOwner record;
    record.handler = handler2.get();
    g_owner = &record;
    ::SetTimer(owner.get(), 1, 700, nullptr); // closes the menu once it has been drawn
    ::TrackPopupMenu(clicked.get(), TPM_LEFTALIGN | TPM_RETURNCMD, 100, 100, 0, owner.get(), nullptr);
    g_owner = nullptr;

    EXPECT_NE(std::find(record.measured.begin(), record.measured.end(), kFirstId + 1), record.measured.end());
    EXPECT_NE(std::find(record.drawn.begin(), record.drawn.end(), kFirstId + 1), record.drawn.end())
        << "the item's bitmap was drawn by the handler";
}

} // namespace
} // namespace pellicor::test

int main()
{
    return pellicor::test::RunGoogleTestsAsXp();
}
