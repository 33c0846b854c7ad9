// Picking an item: the exact "MenuCmd" message, the view window it names, what is refused, and the
// verb name the shell asks for.
#include "tests/win/menu/MenuFixture.h"
#include "tests/win/support/TestWindows.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

using MenuCommandTest = ContextMenuFixture;

// One field as it travels on the pipe: a 32-bit little-endian count of UTF-16 units, then the units.
void AppendField(std::vector<std::uint8_t>& bytes, const std::wstring& text)
{
    const auto count = static_cast<std::uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(count >> shift));
    for (wchar_t unit : text)
    {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

TEST_F(MenuCommandTest, InvokeSendsTheCommandTheViewWindowAndTheSelection)
{
    const ForegroundWindow explorer(true);
    ASSERT_EQ(::GetForegroundWindow(), explorer.Frame());
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt", L"C:\\Sync\\\u5353 b"}), S_OK);

    EXPECT_EQ(InvokeOffset(3), S_OK);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    std::vector<std::uint8_t> expected;
    AppendField(expected, L"MenuCmd");
    AppendField(expected, L"3");
    AppendField(expected, HandleText(explorer.ItemsView()));
    AppendField(expected, L"C:\\Sync\\a.txt");
    AppendField(expected, L"C:\\Sync\\\u5353 b");
    EXPECT_EQ(requests[0].raw, expected);
    ASSERT_EQ(requests[0].request.arguments.size(), 4u);
    EXPECT_EQ(requests[0].request.arguments[1].size(), 16u);
}

// A menu is shown only when the command it offers can be sent. The request is UTF-16, so its length
// is always even: 4096 bytes is the longest that fits, 4098 the shortest that does not.
TEST_F(MenuCommandTest, AMenuIsShownOnlyWhenItsCommandFitsOneRequest)
{
    ServeMenuItems({L"2", L"Share", L"5", L"Open in the browser"});
    // "MenuCmd" 18 bytes, the command number 4 + 2, the window 4 + 32, the path 4 + 2 x length.
    const std::wstring folder = L"C:\\Sync\\";
    const std::wstring fits = folder + std::wstring(2016 - folder.size(), L'f');
    ASSERT_EQ(InitializeWith({fits}), S_OK);
    EXPECT_EQ(QueryShellMenu(), 6);
    EXPECT_EQ(InvokeOffset(5), S_OK);
    const auto sent = server.RequestsFor(L"MenuCmd");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].raw.size(), 4096u);
    EXPECT_EQ(sent[0].request.arguments.back(), fits);

    // Two bytes more: "MenuItems" would still fit (4060 bytes), but the pick could not be sent.
    server.ClearRequests();
    ASSERT_EQ(InitializeWith({fits + L"g"}), S_OK);
    EXPECT_EQ(QueryShellMenu(), 0);
    EXPECT_EQ(::GetMenuItemCount(clicked.get()), 2) << "the shell's menu is left as it was";
    EXPECT_EQ(server.RequestCount(), 0u) << "not even the items are asked for";
}

TEST_F(MenuCommandTest, ViewWindowIsTheForegroundWindowOutsideExplorerAndIsKept)
{
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    HWND firstForeground = nullptr;
    {
        const ForegroundWindow plain(false);
        firstForeground = plain.Frame();
        ASSERT_EQ(::GetForegroundWindow(), firstForeground);
        EXPECT_EQ(InvokeOffset(1), S_OK);
    }
    const ForegroundWindow explorer(true);
    EXPECT_EQ(InvokeOffset(5), S_OK);

    const std::wstring view = HandleText(firstForeground);
    EXPECT_EQ(ArgumentsOf(L"MenuCmd"),
              (RequestArguments{{L"1", view, L"C:\\Sync\\a.txt"}, {L"5", view, L"C:\\Sync\\a.txt"}}))
        << "the view window is found once per handler";
}

TEST_F(MenuCommandTest, VerbStringsAndOffsetsOutsideTheCommandsAreRefused)
{
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    EXPECT_EQ(InvokeOffset(0), E_INVALIDARG);
    EXPECT_EQ(InvokeOffset(6), E_INVALIDARG);
    EXPECT_EQ(InvokeOffset(0xFFFF), E_INVALIDARG);

    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = "open";
    EXPECT_EQ(menu->InvokeCommand(&info), E_INVALIDARG);
    info.lpVerb = "3";
    EXPECT_EQ(menu->InvokeCommand(&info), E_INVALIDARG);
    EXPECT_EQ(menu->InvokeCommand(nullptr), E_INVALIDARG);

    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(MenuCommandTest, ACommandForAClientThatIsGoneStillSucceeds)
{
    ASSERT_EQ(InitializeWith({L"C:\\Sync\\a.txt"}), S_OK);
    server.SetResponse(L"MenuCmd", standin::Response::WithStatus(L"busy"));
    EXPECT_EQ(InvokeOffset(2), S_OK);
    server.Stop();
    EXPECT_EQ(InvokeOffset(2), S_OK);
}

TEST_F(MenuCommandTest, VerbNameIsTheProductsChineseName)
{
    // What GetCommandString answers and writes into 16 units of '#' of which it is told capacity.
    const auto written = [&](UINT type, UINT capacity, HRESULT expected = S_OK, UINT_PTR command = 0)
    {
        std::wstring buffer(16, L'#');
        EXPECT_EQ(
            menu->GetCommandString(command, type, nullptr, reinterpret_cast<CHAR*>(buffer.data()), capacity),
            expected);
        return buffer;
    };
    const std::wstring name = L"\u5353\u74E6\u7EB3";
    EXPECT_EQ(written(GCS_VERBW, 16).c_str(), name);
    settings.SetDword(L"DrovanaLanguage", 2052);
    EXPECT_EQ(written(GCS_HELPTEXTW, 16).c_str(), name) << "in every language";
    EXPECT_EQ(written(GCS_VERBW, 2).substr(0, 3), (std::wstring{L'\u5353', L'\0', L'#'}))
        << "cut to the capacity";
    EXPECT_EQ(written(GCS_VERBW, 0), std::wstring(16, L'#')) << "no room, nothing written";
    EXPECT_EQ(written(GCS_VERBW, 16, E_INVALIDARG, 1), std::wstring(16, L'#'));
    EXPECT_EQ(menu->GetCommandString(0, GCS_VALIDATEW, nullptr, nullptr, 0), S_OK)
        << "validation has no buffer";
    EXPECT_EQ(menu->GetCommandString(0, GCS_VERBW, nullptr, nullptr, 16), S_OK);

    char ansi[16];
    std::fill(std::begin(ansi), std::end(ansi), '#');
    EXPECT_EQ(menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, ansi, 16), S_OK);
    EXPECT_EQ(menu->GetCommandString(0, GCS_VERBA, nullptr, ansi, 16), E_INVALIDARG);
    EXPECT_EQ(menu->GetCommandString(0, GCS_VALIDATEA, nullptr, ansi, 16), E_INVALIDARG);
    EXPECT_EQ(ansi[0], '#') << "nothing written for ANSI";
}

} // namespace
} // namespace pellicor::test
