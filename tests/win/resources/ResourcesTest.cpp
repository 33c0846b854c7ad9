// The library's built resources: every text in both languages, the bitmaps and the sign-in dialog,
// read from the real library file the way the library reads them.
#include "PellicorVersion.h"
#include "common/TextConversion.h"
#include "common/UniqueHandle.h"
#include "shellext/resources/LocalizedString.h"
#include "shellext/resources/ResourceIds.h"
#include "shellhost/kit/FileVersion.h"
#include "tests/win/support/ClientSettingsKey.h"
#include "tests/win/support/TestPaths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace pellicor
{
namespace
{
HMODULE g_library = nullptr;
}

// The string lookup reads the module it is told is the library's own.
HINSTANCE ModuleInstance() noexcept
{
    return g_library;
}

namespace test
{
namespace
{

struct ExpectedString
{
    unsigned id;
    const wchar_t* english;
    const wchar_t* chinese;
};

// The texts exactly as the user sees them. Non-ASCII characters are written as escapes so that
// this file does not depend on the encoding the resource script was read in.
const ExpectedString kStrings[] = {
    {122, L"\"", L"\u201C"},
    {123, L"\" is a system folder of Drovana. You are not allowed to use this name.",
     L"\u201D\u662F\u5353\u74E6\u7EB3\u7684\u7CFB\u7EDF\u6587\u4EF6\u5939,"
     L"\u60A8\u4E0D\u53EF\u4EE5\u4F7F\u7528\u8BE5\u540D\u79F0\u3002"},
    {124, L"Drovana Prompt", L"\u5353\u74E6\u7EB3\u63D0\u793A"},
    {125, L"You are not allowed to copy the folder to \"",
     L"\u60A8\u4E0D\u80FD\u62F7\u8D1D\u6587\u4EF6\u5939\u5230\u201C"},
    {126, L"\".", L"\u201D\u3002"},
    {127, L"\", You have no directory upload permission.",
     L"\u201D\uFF0C\u8BE5\u76EE\u5F55\u60A8\u6CA1\u6709\u4E0A\u4F20\u6743\u9650\u3002"},
    {128,
     L"Here is the root directory of Drovana and synchronous documents of the website.If it is required to "
     L"move, Please operate in Drovana setting.",
     L"\u8FD9\u662F\u5353\u74E6\u7EB3\u4E0E\u7F51\u7AD9\u540C\u6B65\u6587\u6863\u7684\u6839\u76EE\u5F55,"
     L"\u5982\u679C\u9700\u8981\u79FB\u52A8,"
     L"\u8BF7\u5728\u5353\u74E6\u7EB3\u8BBE\u7F6E\u91CC\u9762\u64CD\u4F5C\u3002"},
    {129, L"\" is a system folder of Drovana. You are not allowed to move it.",
     L"\u201D\u662F\u5353\u74E6\u7EB3\u7684\u7CFB\u7EDF\u6587\u4EF6\u5939,"
     L"\u60A8\u4E0D\u53EF\u4EE5\u5C06\u5176\u79FB\u52A8\u3002"},
    {130, L"\" is a system folder of Drovana. You are not allowed to use the name.",
     L"\u201D\u662F\u5353\u74E6\u7EB3\u7684\u7CFB\u7EDF\u6587\u4EF6\u5939,"
     L"\u60A8\u4E0D\u53EF\u4EE5\u4F7F\u7528\u8BE5\u540D\u79F0\u3002"},
    {131, L"You are not allowed to move the folder to \"",
     L"\u60A8\u4E0D\u80FD\u79FB\u52A8\u6587\u4EF6\u5939\u5230\u201C"},
    {132, L"You are not allowed to move the sharing folder",
     L"\u60A8\u4E0D\u80FD\u79FB\u52A8\u5171\u4EAB\u6587\u4EF6\u5939\u201C"},
    {133, L"You have no permission to move", L"\u60A8\u6CA1\u6709\u6743\u9650\u79FB\u52A8\u201C"},
    {134, L"\", You can cancel synchronization. The folder can be removed  from the computer by Drovana.",
     L"\u201D\uFF0C\u60A8\u53EF\u4EE5\u53D6\u6D88\u540C\u6B65\uFF0C\u5353\u74E6\u7EB3\u4F1A\u4ECE\u7535\u8111"
     L"\u79FB\u9664\u8BE5\u6587\u4EF6\u5939"},
    {135,
     L"To ensure your data security, If Drovana folder deletion is required, Please open the Drovana "
     L"program, Unbind account in the setting. ",
     L"\u4E3A\u4FDD\u8BC1\u60A8\u7684\u6570\u636E\u5B89\u5168\uFF0C\u5982\u9700\u5220\u9664\u5353\u74E6\u7EB3"
     L"\u6587\u4EF6\u5939\uFF0C\u8BF7\u6253\u5F00\u5353\u74E6\u7EB3\u7A0B\u5E8F\uFF0C\u5728\u8BBE\u7F6E\u91CC"
     L"\u53D6\u6D88\u5E10\u6237\u7ED1\u5B9A\u3002"},
    {136, L"\" is a system folder of Drovana. You are not allowed to delete it.",
     L"\u201D\u662F\u5353\u74E6\u7EB3\u7684\u7CFB\u7EDF\u6587\u4EF6\u5939,"
     L"\u60A8\u4E0D\u53EF\u4EE5\u5C06\u5176\u5220\u9664\u3002"},
    {137, L"You have no permission to delete \"", L"\u60A8\u6CA1\u6709\u6743\u9650\u5220\u9664\u201C"},
    {138, L"\", You can cancel synchronization. The folder can be removed  from computer by Drovana",
     L"\u201D\uFF0C\u60A8\u53EF\u4EE5\u53D6\u6D88\u540C\u6B65\uFF0C\u5353\u74E6\u7EB3\u4F1A\u4ECE\u7535\u8111"
     L"\u79FB\u9664\u8BE5\u6587\u4EF6\u5939"},
    {139,
     L"Here is the root directory of Drovana and synchronous documents of the website. You are not allowed "
     L"to rename it.",
     L"\u8FD9\u662F\u5353\u74E6\u7EB3\u4E0E\u7F51\u7AD9\u540C\u6B65\u6587\u6863\u7684\u6839\u76EE\u5F55,"
     L"\u60A8\u4E0D\u53EF\u4EE5\u5C06\u5176\u91CD\u547D\u540D\u3002"},
    {140, L"\" is a system folder of Drovana. You are not allowed to rename it.",
     L"\u201D\u662F\u5353\u74E6\u7EB3\u7684\u7CFB\u7EDF\u6587\u4EF6\u5939,"
     L"\u60A8\u4E0D\u53EF\u4EE5\u5C06\u5176\u91CD\u547D\u540D\u3002"},
    {141, L"\" is a system folder of Drovana. You are not allowed to use this name.",
     L"\u201D\u662F\u5353\u74E6\u7EB3\u7684\u7CFB\u7EDF\u6587\u4EF6\u5939,"
     L"\u60A8\u4E0D\u53EF\u4EE5\u4F7F\u7528\u8BE5\u540D\u79F0\u3002"},
    {142, L"Unable to rename the sharing folder",
     L"\u4E0D\u80FD\u91CD\u547D\u540D\u5171\u4EAB\u6587\u4EF6\u5939"},
    {143, L"Unable to rename the company folder",
     L"\u4E0D\u80FD\u91CD\u547D\u540D\u516C\u53F8\u6587\u4EF6\u5939"},
    {144, L"You have no permission to rename it.", L"\u60A8\u6CA1\u6709\u6743\u9650\u91CD\u547D\u540D\u201C"},
    {145, L"Login Now", L"\u7ACB\u5373\u767B\u5F55"},
    {146, L"Not login", L"\u672A\u767B\u5F55\u65E0\u6CD5\u540C\u6B65"},
    {147, L"Drovana", L"\u5353\u74E6\u7EB3"},
};

class LibraryResources : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        g_library = ::LoadLibraryW(BinPath(kLibraryFileName).c_str());
        ASSERT_NE(g_library, nullptr);
    }
    static void TearDownTestSuite()
    {
        ::FreeLibrary(g_library);
        g_library = nullptr;
    }

    void SetUp() override { ASSERT_NE(g_library, nullptr); }

    ClientSettingsKey settings;
};

TEST_F(LibraryResources, EveryTextInEnglishAndChinese)
{
    settings.SetDword(L"DrovanaLanguage", 1033);
    for (const auto& s : kStrings)
        EXPECT_EQ(LoadLocalizedString(s.id), s.english) << "string " << s.id;

    settings.SetDword(L"DrovanaLanguage", 2052);
    for (const auto& s : kStrings)
        EXPECT_EQ(LoadLocalizedString(s.id), s.chinese) << "string " << s.id;
}

TEST_F(LibraryResources, LanguageChoiceFollowsTheSettingAtEveryCall)
{
    const std::wstring english = L"Drovana Prompt", chinese = L"\u5353\u74E6\u7EB3\u63D0\u793A";
    EXPECT_EQ(LoadLocalizedString(IDS_GUARD_CAPTION), english) << "no client key";
    settings.SetDword(L"DrovanaLanguage", 1031);
    EXPECT_EQ(LoadLocalizedString(IDS_GUARD_CAPTION), chinese) << "any language but 1033 is Chinese";
    settings.SetDword(L"DrovanaLanguage", 0);
    EXPECT_EQ(LoadLocalizedString(IDS_GUARD_CAPTION), chinese);
    settings.Delete(L"DrovanaLanguage");
    EXPECT_EQ(LoadLocalizedString(IDS_GUARD_CAPTION), english) << "no value";
    settings.SetString(L"DrovanaLanguage", L"2052");
    EXPECT_EQ(LoadLocalizedString(IDS_GUARD_CAPTION), english) << "text is not a language";
}

TEST_F(LibraryResources, UnknownStringsAreEmpty)
{
    for (DWORD language : {1033u, 2052u})
    {
        settings.SetDword(L"DrovanaLanguage", language);
        EXPECT_EQ(LoadLocalizedString(121), L"") << "before the table, same block";
        EXPECT_EQ(LoadLocalizedString(148), L"") << "after the table, same block";
        EXPECT_EQ(LoadLocalizedString(5000), L"") << "no such block";
        EXPECT_EQ(LoadLocalizedString(0), L"");
    }
}

// The raw bitmap resource: its header and the colour of one pixel, counted from the top left.
struct RawBitmap
{
    BITMAPINFOHEADER header{};
    const BYTE* pixels = nullptr;

    COLORREF At(int x, int y) const
    {
        const int stride = (header.biWidth * 3 + 3) & ~3;
        const BYTE* p = pixels + (header.biHeight - 1 - y) * stride + x * 3;
        return RGB(p[2], p[1], p[0]);
    }
};

RawBitmap FindBitmap(unsigned id)
{
    RawBitmap bitmap;
    const HRSRC info = ::FindResourceW(g_library, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    if (!info)
        return bitmap;
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(g_library, info)));
    std::memcpy(&bitmap.header, data, sizeof bitmap.header);
    bitmap.pixels = data + bitmap.header.biSize;
    return bitmap;
}

TEST_F(LibraryResources, BitmapsHaveTheirSizesIn24Bits)
{
    const struct
    {
        unsigned id;
        LONG width, height;
    } sizes[] = {{107, 16, 16}, {112, 16, 16}, {113, 16, 16}, {114, 16, 16}, {115, 16, 16},
                 {116, 26, 27}, {117, 2, 38},  {118, 18, 18}, {119, 10, 44}, {120, 26, 26}};
    for (const auto& s : sizes)
    {
        const RawBitmap bitmap = FindBitmap(s.id);
        ASSERT_NE(bitmap.pixels, nullptr) << "bitmap " << s.id;
        EXPECT_EQ(bitmap.header.biWidth, s.width) << "bitmap " << s.id;
        EXPECT_EQ(bitmap.header.biHeight, s.height) << "bitmap " << s.id;
        EXPECT_EQ(bitmap.header.biBitCount, 24) << "bitmap " << s.id;

        const UniqueBitmap loaded(::LoadBitmapW(g_library, MAKEINTRESOURCEW(s.id)));
        ASSERT_TRUE(loaded) << "bitmap " << s.id;
        BITMAP info{};
        ::GetObjectW(loaded.get(), sizeof info, &info);
        EXPECT_EQ(info.bmWidth, s.width);
        EXPECT_EQ(info.bmHeight, s.height);
    }
}

// The icon of Explorer's command menu: every size the menu asks for, with transparency.
TEST_F(LibraryResources, ProductIconInEverySizeTheMenuUses)
{
    for (const int size : {16, 20, 24, 32, 40, 48})
    {
        const HRSRC group = ::FindResourceW(g_library, MAKEINTRESOURCEW(IDI_PRODUCT), RT_GROUP_ICON);
        ASSERT_NE(group, nullptr);
        const int id = ::LookupIconIdFromDirectoryEx(
            static_cast<BYTE*>(::LockResource(::LoadResource(g_library, group))), TRUE, size, size, LR_DEFAULTCOLOR);
        const HRSRC image = ::FindResourceW(g_library, MAKEINTRESOURCEW(id), RT_ICON);
        ASSERT_NE(image, nullptr) << size;
        BITMAPINFOHEADER header{};
        std::memcpy(&header, ::LockResource(::LoadResource(g_library, image)), sizeof header);
        EXPECT_EQ(header.biWidth, size);
        EXPECT_EQ(header.biHeight, 2 * size) << "colour and mask";
        EXPECT_EQ(header.biBitCount, 32) << "with an alpha channel";
    }
}

// Both deliverables carry the project's one version, as Explorer's Details tab and installers read it.
TEST(VersionResources, BothBinariesCarryTheProjectsVersion)
{
    for (const std::wstring name : {kLibraryFileName, L"DrovanaLauncher_x64.exe"})
    {
        const std::wstring path = BinPath(name);
        const auto version = shellkit::ReadFileVersion(path);
        ASSERT_TRUE(version) << ToUtf8(name);
        EXPECT_EQ(version->fileVersion, L"" PELLICOR_VERSION_TEXT);
        EXPECT_EQ(version->productVersion, L"" PELLICOR_VERSION_TEXT);
        EXPECT_EQ(shellkit::ReadVersionText(path, L"FileVersion"), L"" PELLICOR_VERSION_TEXT);
        EXPECT_EQ(shellkit::ReadVersionText(path, L"ProductVersion"), L"" PELLICOR_VERSION_TEXT);
        EXPECT_EQ(shellkit::ReadVersionText(path, L"ProductName"), L"Drovana");
        EXPECT_EQ(shellkit::ReadVersionText(path, L"OriginalFilename"), name);
        EXPECT_FALSE(shellkit::ReadVersionText(path, L"FileDescription").empty());
    }
}

TEST_F(LibraryResources, BandBackgroundIsTheGradientBetweenWhiteRowsAndTheBottomLine)
{
    const RawBitmap band = FindBitmap(IDB_PROMPT_BAND);
    ASSERT_NE(band.pixels, nullptr);
    for (int x : {0, 9})
    {
        EXPECT_EQ(band.At(x, 0), RGB(0xFF, 0xFF, 0xFF));
        EXPECT_EQ(band.At(x, 1), RGB(0xFB, 0xFC, 0xFD));
        EXPECT_EQ(band.At(x, 41), RGB(0xF2, 0xF6, 0xF9));
        EXPECT_EQ(band.At(x, 42), RGB(0xFF, 0xFF, 0xFF));
        EXPECT_EQ(band.At(x, 43), RGB(0xC2, 0xCB, 0xD7));
    }
    for (int y = 2; y <= 41; ++y) // darkening steadily toward the bottom
        EXPECT_LE(GetBValue(band.At(5, y)), GetBValue(band.At(5, y - 1))) << "row " << y;
}

// Reads a dialog template field that is either empty, an ordinal or a string.
std::wstring ReadNameOrOrdinal(const WORD*& p)
{
    if (*p == 0xFFFF)
    {
        std::wstring ordinal = L"#" + std::to_wstring(p[1]);
        p += 2;
        return ordinal;
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(p));
    p += text.size() + 1;
    return text;
}

struct DialogItem
{
    DWORD style;
    short x, y, cx, cy;
    int id;
    std::wstring windowClass, text;
};

// An extended dialog template (DLGTEMPLATEEX), read field by field.
struct DialogTemplate
{
    WORD version = 0, signature = 0;
    DWORD exStyle = 0, style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, windowClass, title;
    WORD pointSize = 0, weight = 0, italicAndCharset = 0;
    std::wstring font;
    std::vector<DialogItem> items;
};

DialogTemplate ReadDialogTemplate(const WORD* p)
{
    DialogTemplate dialog;
    dialog.version = p[0];
    dialog.signature = p[1];
    std::memcpy(&dialog.exStyle, p + 4, 4);
    std::memcpy(&dialog.style, p + 6, 4);
    const WORD count = p[8];
    dialog.x = static_cast<short>(p[9]);
    dialog.y = static_cast<short>(p[10]);
    dialog.cx = static_cast<short>(p[11]);
    dialog.cy = static_cast<short>(p[12]);
    p += 13;
    dialog.menu = ReadNameOrOrdinal(p);
    dialog.windowClass = ReadNameOrOrdinal(p);
    dialog.title = ReadNameOrOrdinal(p);
    dialog.pointSize = p[0];
    dialog.weight = p[1];
    dialog.italicAndCharset = p[2];
    p += 3;
    dialog.font = ReadNameOrOrdinal(p);
    for (WORD i = 0; i < count; ++i)
    {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR{3});
        DialogItem item{};
        std::memcpy(&item.style, p + 4, 4);
        item.x = static_cast<short>(p[6]);
        item.y = static_cast<short>(p[7]);
        item.cx = static_cast<short>(p[8]);
        item.cy = static_cast<short>(p[9]);
        std::int32_t id;
        std::memcpy(&id, p + 10, 4);
        item.id = id;
        p += 12;
        item.windowClass = ReadNameOrOrdinal(p);
        item.text = ReadNameOrOrdinal(p);
        p += 1 + (*p + 1) / 2; // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

DialogTemplate ChineseSignInDialog()
{
    const HRSRC info =
        ::FindResourceExW(g_library, MAKEINTRESOURCEW(5) /* RT_DIALOG */, MAKEINTRESOURCEW(IDD_SIGNIN_PROMPT),
                          MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    EXPECT_NE(info, nullptr);
    if (!info)
        return {};
    return ReadDialogTemplate(static_cast<const WORD*>(::LockResource(::LoadResource(g_library, info))));
}

TEST_F(LibraryResources, SignInDialogTemplateInChinese)
{
    const DialogTemplate dialog = ChineseSignInDialog();
    ASSERT_EQ(dialog.version, 1);
    ASSERT_EQ(dialog.signature, 0xFFFF) << "an extended template";
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_CHILD | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS | DS_3DLOOK));
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 461);
    EXPECT_EQ(dialog.cy, 31);
    EXPECT_EQ(dialog.menu, L"");
    EXPECT_EQ(dialog.windowClass, L"");
    EXPECT_EQ(dialog.title, L"");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.weight, 400);
    EXPECT_EQ(dialog.italicAndCharset, 0x0100) << "not italic, character set 1";
    EXPECT_EQ(dialog.font, L"MS Shell Dlg");
}

TEST_F(LibraryResources, SignInDialogControlsInChinese)
{
    const DWORD shown = WS_CHILD | WS_VISIBLE;
    const DialogItem expected[] = {
        {shown | SS_BITMAP, 12, 6, 17, 17, 1006, L"#130", L"#116"},
        {shown | WS_GROUP | SS_LEFT, 35, 9, 84, 8, 1001, L"#130", L""},
        {shown | SS_BITMAP, 121, 2, 1, 24, -1, L"#130", L"#117"},
        {shown | SS_BITMAP, 127, 8, 12, 11, -1, L"#130", L"#118"},
        {shown | WS_GROUP | SS_LEFT, 145, 10, 62, 8, 1007, L"#130",
         L"\u672A\u767B\u5F55\u65E0\u6CD5\u540C\u6B65"},
        {shown | WS_GROUP | SS_NOTIFY, 204, 10, 37, 8, 1002, L"#130", L"\u7ACB\u5373\u767B\u5F55"},
    };
    const std::vector<DialogItem> items = ChineseSignInDialog().items;
    ASSERT_EQ(items.size(), std::size(expected));
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        const auto &got = items[i], &want = expected[i];
        EXPECT_EQ(got.id, want.id) << "control " << i;
        EXPECT_EQ(got.style, want.style) << "control " << want.id;
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.windowClass, want.windowClass) << "the system Static class";
        if (want.id != IDC_PROMPT_NICKNAME) // its placeholder is replaced at creation
        {
            EXPECT_EQ(got.text, want.text) << "control " << want.id;
        }
    }
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

TEST_F(LibraryResources, SignInDialogCreatesHiddenWithItsBitmaps)
{
    const UniqueWindow parent(::CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 800, 100, nullptr,
                                                nullptr, nullptr, nullptr));
    ASSERT_TRUE(parent);
    const UniqueWindow dialog(::CreateDialogParamW(g_library, MAKEINTRESOURCEW(IDD_SIGNIN_PROMPT),
                                                   parent.get(), QuietDialogProc, 0));
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(::GetWindowLongW(dialog.get(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_NE(::SendDlgItemMessageW(dialog.get(), IDC_PROMPT_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    for (int control : {IDC_PROMPT_LINK, IDC_PROMPT_STATUS, IDC_PROMPT_NICKNAME})
        EXPECT_NE(::GetDlgItem(dialog.get(), control), nullptr) << "control " << control;
}

} // namespace
} // namespace test
} // namespace pellicor
