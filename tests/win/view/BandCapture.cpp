// Draws the sign-in band the way a user meets it (client not running, default picture) and saves it
// as a bitmap file, for the pictures in docs/screenshots:
//   view_band_capture.exe <output.bmp> <language id: 1033 or 2052> <display name>
#include "tests/win/view/ViewFixture.h"

#include <cstdio>
#include <fstream>
#include <filesystem>
#include <string>

namespace pellicor::test
{
namespace
{

bool SaveScreenRect(const RECT& rect, const std::wstring& path)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = ::GetDC(nullptr);
    UniqueMemoryDc memory(::CreateCompatibleDC(screen));
    UniqueBitmap bitmap(::CreateCompatibleBitmap(screen, width, height));
    {
        ScopedSelectObject selected(memory.get(), bitmap.get());
        ::BitBlt(memory.get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int stride = (width * 3 + 3) & ~3;
    info.biSizeImage = static_cast<DWORD>(stride * height);
    std::string pixels(info.biSizeImage, '\0');
    const int lines = ::GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
                                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (lines != height)
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

int Capture(const std::wstring& output, DWORD language, const std::wstring& nickName)
{
    std::printf("capturing the sign-in band (language %lu)\n", static_cast<unsigned long>(language));
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ClientSettingsKey settings;
    settings.SignIn(kSyncFolder, language);
    settings.SetString(L"NickName", nickName);

    LibraryUnderTest library;
    if (!library.IsLoaded())
    {
        std::fprintf(stderr, "the library did not load\n");
        return 1;
    }
    VistaExplorerWindow window;
    auto browser = FakeBrowser::Create();
    browser->window = window.TopLevel();
    SiteObject object(library);
    object.SetSite(static_cast<IWebBrowser2*>(browser.get()));
    // No client listens: the panel is refused and the band shows.
    FireDocumentComplete(*browser.get(), kInsideFolder);
    FireDocumentComplete(*browser.get(), kInsideFolder);
    ::RedrawWindow(window.TopLevel(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(std::chrono::milliseconds(800));

    const HWND dialog = ::FindWindowExW(window.ViewHost(), nullptr, L"#32770", nullptr);
    RECT band{};
    if (!dialog || !::GetWindowRect(dialog, &band))
    {
        std::fprintf(stderr, "no band was shown\n");
        return 1;
    }
    const bool saved = SaveScreenRect(band, output);
    std::printf("%s\n", saved ? "saved" : "could not save the picture");
    browser->Events().DropSinks();
    object.Release();
    ::CoUninitialize();
    return saved ? 0 : 1;
}

} // namespace
} // namespace pellicor::test

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: view_band_capture <output.bmp> <1033|2052> <display name>\n");
        return 2;
    }
    return pellicor::test::Capture(argv[1], static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)), argv[3]);
}
