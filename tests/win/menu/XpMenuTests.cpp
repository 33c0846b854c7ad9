// Before Vista the menu cannot show our bitmaps by itself: every item asks for its bitmap through
// the handler's menu messages. Run for real: the program starts itself again with Wine told that it
// runs on Windows XP (only this program, by its file name), shows the menu and lets it draw.
#include "tests/win/menu/MenuFixture.h"
#include "tests/win/support/RegistryScope.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

namespace pellicor::test
{
namespace
{

using XpMenuTest = ContextMenuFixture;

TEST_F(XpMenuTest, ItemsAskForTheirBitmapsThroughTheHandler)
{
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(::GetVersionExW(&version));
    ASSERT_LT(version.dwMajorVersion, 6u) << "the program was not started as an XP program";

    settings.SetDword(L"DrovanaLanguage", 2052);
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    ServeMenuItems({L"2", L"Share link", L"4", L"History"});
    const UniqueMenu shellMenu = ShellMenu();
    ASSERT_EQ(Query(shellMenu.get(), 1), 5);

    const auto entries = ReadMenu(shellMenu.get());
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[2].text, L"\u5353\u74E6\u7EB3") << "the caption in the language of the first menu";
    EXPECT_EQ(entries[2].bitmap, HBMMENU_CALLBACK);
    for (const auto& item : ReadMenu(entries[2].subMenu))
        EXPECT_EQ(item.bitmap, HBMMENU_CALLBACK) << Utf8(item.text);
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
    const UniqueMenu shellMenu = ShellMenu();
    ASSERT_EQ(Query(shellMenu.get(), 1), 2);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = OwnerProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"XpMenuOwner";
    ::RegisterClassW(&windowClass);
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
    ::TrackPopupMenu(shellMenu.get(), TPM_LEFTALIGN | TPM_RETURNCMD, 100, 100, 0, owner.get(), nullptr);
    g_owner = nullptr;

    EXPECT_NE(std::find(record.measured.begin(), record.measured.end(), kFirstId + 1), record.measured.end());
    EXPECT_NE(std::find(record.drawn.begin(), record.drawn.end(), kFirstId + 1), record.drawn.end())
        << "the item's bitmap was drawn by the handler";
}

// Runs the tests in a second process that Wine tells it runs on Windows XP.
int RunAsXp(int argc, wchar_t** argv)
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self);
    const std::wstring exeName = path.substr(path.find_last_of(L'\\') + 1);
    RegistryScope version(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + exeName);
    if (!version.SetString(L"Version", L"winxp64"))
    {
        std::fprintf(stderr, "cannot set the XP compatibility version\n");
        return 1;
    }
    std::wstring commandLine = L"\"" + path + L"\" --xp-child";
    for (int i = 1; i < argc; ++i)
        commandLine += L" \"" + std::wstring(argv[i]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::printf("menu_xp_test: starting the tests again as a Windows XP program\n");
    std::fflush(stdout);
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &process))
    {
        std::fprintf(stderr, "cannot start the XP run\n");
        return 1;
    }
    const UniqueKernelHandle thread(process.hThread);
    const UniqueKernelHandle child(process.hProcess);
    ::WaitForSingleObject(child.get(), INFINITE);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(child.get(), &exitCode);
    return static_cast<int>(exitCode);
}

} // namespace
} // namespace pellicor::test

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc < 2 || std::wstring(argv[1]) != L"--xp-child")
        return pellicor::test::RunAsXp(argc, argv);
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
    {
        if (i != 1)
            arguments.push_back(pellicor::test::Utf8(argv[i]));
    }
    std::vector<char*> pointers;
    for (auto& argument : arguments)
        pointers.push_back(argument.data());
    int count = static_cast<int>(pointers.size());
    ::testing::InitGoogleTest(&count, pointers.data());
    return RUN_ALL_TESTS();
}
