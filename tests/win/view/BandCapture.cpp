// Draws the sign-in band the way a user meets it (client not running, default picture) and saves it
// as a bitmap file, for the pictures in docs/screenshots:
//   view_band_capture.exe <output.bmp> <language id: 1033 or 2052> <display name>
#include "tests/win/view/ViewFixture.h"

#include "tests/win/support/TempFolder.h"

#include <cstdio>
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
    std::string rows(static_cast<std::size_t>(((width * 3 + 3) & ~3) * height), '\0');
    const int lines = ::GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), rows.data(),
                                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (lines != height)
        return false;
    WriteBitmapFile(path, info, rows);
    return FileExists(path);
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
    // No client listens: the panel is refused and the band shows.
    bool saved = false;
    {
        const BandWindow band(library);
        ::RedrawWindow(band.window.TopLevel(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages(std::chrono::milliseconds(800));
        RECT rect{};
        if (!band.Dialog() || !::GetWindowRect(band.Dialog(), &rect))
        {
            std::fprintf(stderr, "no band was shown\n");
            return 1;
        }
        saved = SaveScreenRect(rect, output);
    }
    std::printf("%s\n", saved ? "saved" : "could not save the picture");
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
