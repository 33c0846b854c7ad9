// Dialog 111 as the user and the client meet it: the link (cursor, underline, colour, the client
// started by a click), the user picture, and what is left behind when the dialog goes.
#include "tests/win/view/ViewFixture.h"

#include "tests/win/support/RegistryScope.h"
#include "tests/win/support/TempFolder.h"
#include "tests/win/support/TestPaths.h"

#include <gtest/gtest.h>

#include <set>

namespace pellicor::test
{
namespace
{

using namespace std::chrono_literals;

constexpr const wchar_t* kOriginalProc = L"_Hyperlink_Original_Proc_";
constexpr const wchar_t* kOriginalFont = L"_Hyperlink_Original_Font_";
constexpr const wchar_t* kUnderlineFont = L"_Hyperlink_Underline_Font_";
constexpr const wchar_t* kFromStatic = L"_Hyperlink_From_Static_";

std::set<std::wstring> PropertyNames(HWND window)
{
    std::set<std::wstring> names;
    ::EnumPropsExW(
        window,
        [](HWND, LPWSTR name, HANDLE, ULONG_PTR context) -> BOOL
        {
            if (!IS_INTRESOURCE(name))
                reinterpret_cast<std::set<std::wstring>*>(context)->insert(name);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&names));
    return names;
}

bool IsUnderlined(HFONT font)
{
    LOGFONTW description{};
    return ::GetObjectW(font, sizeof(description), &description) && description.lfUnderline;
}

class PromptTest : public ViewTest
{
protected:
    HWND ShowBand()
    {
        Refuse();
        Navigate(kInsideFolder);
        PumpMessages(50ms);
        return PromptDialog();
    }
};

TEST_F(PromptTest, TheLinkLooksAndFeelsLikeALink)
{
    const HWND dialog = ShowBand();
    ASSERT_NE(nullptr, dialog);
    const HWND link = ::GetDlgItem(dialog, kPromptLinkId);
    EXPECT_TRUE(::GetWindowLongPtrW(link, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ((std::set<std::wstring>{kOriginalProc, kOriginalFont, kUnderlineFont, kFromStatic}),
              PropertyNames(link));
    EXPECT_EQ((std::set<std::wstring>{kOriginalProc}), PropertyNames(dialog));

    EXPECT_EQ(TRUE, ::SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_HAND), ::GetCursor());

    const auto original = reinterpret_cast<HFONT>(::SendMessageW(link, WM_GETFONT, 0, 0));
    EXPECT_FALSE(IsUnderlined(original));
    ::SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(link, ::GetCapture());
    EXPECT_TRUE(IsUnderlined(reinterpret_cast<HFONT>(::SendMessageW(link, WM_GETFONT, 0, 0))));
    ::SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(-20, 3));
    EXPECT_NE(link, ::GetCapture());
    EXPECT_EQ(original, reinterpret_cast<HFONT>(::SendMessageW(link, WM_GETFONT, 0, 0)));

    // Every static is drawn without background over the band; the link's text is blue.
    const HDC dc = ::GetDC(link);
    ::SetTextColor(dc, RGB(0, 0, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)),
              ::SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(link)));
    EXPECT_EQ(RGB(0, 0, 192), ::GetTextColor(dc));
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));
    const HWND status = ::GetDlgItem(dialog, 1007);
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(status));
    EXPECT_EQ(RGB(0, 0, 0), ::GetTextColor(dc)) << "other texts keep their colour";
    ::ReleaseDC(link, dc);
}

// What the link and its parent still carry once each has handled its WM_DESTROY.
struct AfterDestroy
{
    HWND link = nullptr;
    HWND dialog = nullptr;
    HFONT underline = nullptr;
    std::set<std::wstring> linkProperties{L"not seen"};
    std::set<std::wstring> dialogProperties{L"not seen"};
    HFONT linkFont = nullptr;
    bool underlineAlive = true;
};
AfterDestroy* g_afterDestroy = nullptr;

LRESULT CALLBACK WatchDestroy(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && g_afterDestroy && call->message == WM_DESTROY)
    {
        if (call->hwnd == g_afterDestroy->link)
        {
            g_afterDestroy->linkProperties = PropertyNames(call->hwnd);
            g_afterDestroy->linkFont = reinterpret_cast<HFONT>(::SendMessageW(call->hwnd, WM_GETFONT, 0, 0));
            g_afterDestroy->underlineAlive = ::GetObjectType(g_afterDestroy->underline) != 0;
        }
        else if (call->hwnd == g_afterDestroy->dialog)
        {
            g_afterDestroy->dialogProperties = PropertyNames(call->hwnd);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(PromptTest, DestroyingTheDialogLeavesNoLinkBehind)
{
    const HWND dialog = ShowBand();
    ASSERT_NE(nullptr, dialog);
    AfterDestroy watch;
    watch.dialog = dialog;
    watch.link = ::GetDlgItem(dialog, kPromptLinkId);
    watch.underline = static_cast<HFONT>(::GetPropW(watch.link, kUnderlineFont));
    ASSERT_NE(nullptr, watch.underline);
    const auto original = static_cast<HFONT>(::GetPropW(watch.link, kOriginalFont));
    ::SendMessageW(watch.link, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3)); // underlined when it goes

    g_afterDestroy = &watch;
    const HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, WatchDestroy, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    // The next navigation replaces the dialog, as Explorer's own destruction of the view would.
    Accept();
    Navigate(L"C:\\Drovana\\Photos");
    ::UnhookWindowsHookEx(hook);
    g_afterDestroy = nullptr;

    EXPECT_FALSE(::IsWindow(dialog));
    EXPECT_TRUE(watch.linkProperties.empty());
    EXPECT_TRUE(watch.dialogProperties.empty());
    EXPECT_EQ(original, watch.linkFont) << "the link gets its own font back";
    EXPECT_FALSE(watch.underlineAlive) << "the underlined font is deleted";
}

TEST_F(PromptTest, TheLinkStartsTheClientOncePerClick)
{
    const HWND dialog = ShowBand();
    ASSERT_NE(nullptr, dialog);
    const HWND link = ::GetDlgItem(dialog, kPromptLinkId);

    // Without an App Paths entry a click does nothing at all.
    RegistryScope appPath(HKEY_LOCAL_MACHINE, kTestAppPathKey);
    ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));

    ASSERT_TRUE(appPath.SetString(L"", BinPath(L"view_fake_client.exe")));
    UniqueKernelHandle starts(::CreateSemaphoreW(nullptr, 0, 10, L"PellicorViewTestClientStarts"));
    ASSERT_TRUE(starts);
    ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    ::SendMessageW(link, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
    ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(starts.get(), 10000)) << "the client is started";
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(starts.get(), 1500)) << "a double click starts it once";
}

// A 26 x 26 bitmap file of one colour.
void WriteOneColourBitmap(const std::wstring& path, COLORREF colour)
{
    constexpr int side = 26;
    constexpr int stride = (side * 3 + 3) & ~3;
    std::string rows(stride * side, '\0');
    for (int y = 0; y < side; ++y)
    {
        for (int x = 0; x < side; ++x)
        {
            rows[y * stride + x * 3 + 0] = static_cast<char>(GetBValue(colour));
            rows[y * stride + x * 3 + 1] = static_cast<char>(GetGValue(colour));
            rows[y * stride + x * 3 + 2] = static_cast<char>(GetRValue(colour));
        }
    }
    BITMAPINFOHEADER info{};
    info.biWidth = side;
    info.biHeight = side;
    WriteBitmapFile(path, info, rows);
}

class AvatarTest : public StandInFixture
{
protected:
    void SetUp() override
    {
        StandInFixture::SetUp();
        ASSERT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        server.SetResponse(kCommandNotifyCreatePluginWin, standin::Response::WithStatus(L"later"));
    }
    void TearDown() override
    {
        ::CoUninitialize();
        StandInFixture::TearDown();
    }

    // The centre of the user picture as the band draws it for this "AvatarPath".
    COLORREF DrawnPictureCentre(const std::wstring& avatarPath)
    {
        ClientSettingsKey settings;
        settings.SignIn(kSyncFolder);
        settings.SetString(L"AvatarPath", avatarPath);
        const BandWindow band(library);
        PumpMessages(100ms);
        ::SendMessageW(band.Dialog(), kDrawAvatarMessage, 0, 0);
        const HDC dc = ::GetDC(band.Dialog());
        const COLORREF centre = ::GetPixel(dc, 31, 23);
        ::ReleaseDC(band.Dialog(), dc);
        return centre;
    }

    LibraryUnderTest library;
    TempFolder pictures;
};

TEST_F(AvatarTest, ThePictureFileIsShownOrElseTheDefaultPicture)
{
    const std::wstring red = pictures.Path(L"red.bmp");
    WriteOneColourBitmap(red, RGB(255, 0, 0));
    const std::wstring junk = pictures.File(L"junk.jpg", "this is no picture at all");

    EXPECT_EQ(RGB(255, 0, 0), DrawnPictureCentre(red));
    // The default picture (bitmap 120) is a grey silhouette; its centre is the silhouette's grey.
    const COLORREF silhouette = RGB(0xA4, 0xA4, 0xA4);
    EXPECT_EQ(silhouette, DrawnPictureCentre(pictures.Path(L"missing.png"))) << "a missing file";
    EXPECT_EQ(silhouette, DrawnPictureCentre(junk)) << "an undecodable file";
    EXPECT_EQ(silhouette, DrawnPictureCentre(L"")) << "an empty path";
}

// Nothing the client posts reaches the band before it is initialised.
HWND g_panel = nullptr;
bool g_sentBeforeInit = false;

LRESULT CALLBACK SendBeforeInit(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    wchar_t className[16] = {};
    if (code == HC_ACTION && !g_sentBeforeInit && call->message == WM_SETFONT &&
        ::GetClassNameW(call->hwnd, className, 16) && std::wstring(className) == L"#32770")
    {
        g_sentBeforeInit = true;
        ::SendMessageW(call->hwnd, kSignedOutMessage, 0, 0);
        ::SendMessageW(call->hwnd, kAttachWindowMessage, 0, reinterpret_cast<LPARAM>(g_panel));
        ::SendMessageW(call->hwnd, kDrawAvatarMessage, 0, 0);
        ::SendMessageW(call->hwnd, WM_COMMAND, kPromptLinkId, 0);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ViewTest, ClientMessagesBeforeTheDialogIsInitialisedAreIgnored)
{
    UniqueWindow panel = CreatePlainWindow();
    g_panel = panel.get();
    g_sentBeforeInit = false;
    const HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, SendBeforeInit, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    Navigate(kInsideFolder);
    ::UnhookWindowsHookEx(hook);
    PumpMessages(50ms);

    EXPECT_TRUE(g_sentBeforeInit);
    EXPECT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin));
    EXPECT_FALSE(::GetWindowLongPtrW(PromptDialog(), GWL_STYLE) & WS_VISIBLE)
        << "no band for a sign-out never seen";
    EXPECT_EQ(::GetDesktopWindow(), ::GetAncestor(panel.get(), GA_PARENT));
}

} // namespace
} // namespace pellicor::test
