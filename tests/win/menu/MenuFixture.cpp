#include "tests/win/menu/MenuFixture.h"

#include "tests/win/support/DropFilesDataObject.h"
#include "tests/win/support/ShellClassIds.h"
#include "tests/win/support/TestWindows.h"

namespace pellicor::test
{

std::vector<MenuEntry> ReadMenu(HMENU menu)
{
    std::vector<MenuEntry> entries;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
    {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_BITMAP | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = static_cast<UINT>(std::size(text));
        MenuEntry entry;
        if (::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info))
        {
            entry.id = info.wID;
            entry.type = info.fType;
            entry.text = text;
            entry.bitmap = info.hbmpItem;
            entry.subMenu = info.hSubMenu;
        }
        entries.push_back(entry);
    }
    return entries;
}

std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap)
{
    BITMAP header{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof header, &header))
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = header.bmWidth;
    info.bmiHeader.biHeight = -header.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(header.bmWidth) * header.bmHeight);
    const HDC screen = ::GetDC(nullptr);
    const int rows = ::GetDIBits(screen, bitmap, 0, header.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (rows != header.bmHeight)
        return {};
    for (auto& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

std::vector<std::uint32_t> LibraryBitmapPixels(HMODULE library, unsigned id)
{
    const UniqueBitmap bitmap(::LoadBitmapW(library, MAKEINTRESOURCEW(id)));
    return BitmapPixels(bitmap.get());
}

HRESULT InvokeOffset(IContextMenu& menu, UINT offset)
{
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    return menu.InvokeCommand(&info);
}

void ContextMenuFixture::SetUp()
{
    StandInFixture::SetUp();
    if (HasFatalFailure())
        return;
    // The submenu caption is read once per loaded library, in the language of that moment.
    settings.SetDword(L"DrovanaLanguage", 1033);
    ASSERT_TRUE(library.IsLoaded());
    CreateHandler();
}

void ContextMenuFixture::TearDown()
{
    menu.reset();
    init.reset();
    StandInFixture::TearDown();
}

void ContextMenuFixture::CreateHandler()
{
    menu.reset();
    init.reset();
    ASSERT_EQ(library.CreateObject(kClsidSynced, IID_IShellExtInit, init.put_void()), S_OK);
    ASSERT_EQ(init.As(menu), S_OK);
}

HRESULT ContextMenuFixture::InitializeWith(const std::vector<std::wstring>& paths)
{
    const ComPtr<IDataObject> data = CreateDropFilesDataObject(paths);
    return init->Initialize(nullptr, data.get(), nullptr);
}

int ContextMenuFixture::Query(HMENU target, UINT position, UINT flags, UINT first, UINT last)
{
    const HRESULT hr = menu->QueryContextMenu(target, position, first, last, flags);
    return FAILED(hr) ? -1 : HRESULT_CODE(hr);
}

void ContextMenuFixture::ServeMenuItems(std::vector<std::wstring> values)
{
    server.SetResponse(L"MenuItems", standin::Response::Ok(std::move(values)));
}

int ContextMenuFixture::QueryShellMenu(UINT flags, UINT last)
{
    clicked = ShellMenu();
    return Query(clicked.get(), 1, flags, kFirstId, last);
}

std::vector<MenuEntry> ContextMenuFixture::RightClick(std::vector<std::wstring> items,
                                                      const std::vector<std::wstring>& selection)
{
    EXPECT_EQ(InitializeWith(selection), S_OK);
    ServeMenuItems(std::move(items));
    identifiers = QueryShellMenu();
    return ReadMenu(clicked.get());
}

namespace
{
HWND ChildWindow(HWND parent, const wchar_t* className)
{
    return ::CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, parent, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}
} // namespace

ForegroundWindow::ForegroundWindow(bool explorerTab)
{
    for (const wchar_t* name : {L"MenuTestFrame", L"ShellTabWindowClass", L"DUIViewWndClassName", L"DirectUIHWND"})
        RegisterWindowClass(name);
    m_frame.reset(::CreateWindowExW(0, L"MenuTestFrame", L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400,
                                    300, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (explorerTab)
    {
        const HWND tab = ChildWindow(m_frame.get(), L"ShellTabWindowClass");
        const HWND view = ChildWindow(tab, L"DUIViewWndClassName");
        ChildWindow(view, L"MenuTestFrame"); // a sibling of another class is passed over
        m_itemsView = ChildWindow(view, L"DirectUIHWND");
        ChildWindow(view, L"MenuTestFrame");
    }
    ::SetForegroundWindow(m_frame.get());
    PumpMessages();
}

UniqueMenu ShellMenu()
{
    UniqueMenu shellMenu(::CreatePopupMenu());
    ::AppendMenuW(shellMenu.get(), MF_STRING, 1, L"Open");
    ::AppendMenuW(shellMenu.get(), MF_STRING, 2, L"Properties");
    return shellMenu;
}

} // namespace pellicor::test
