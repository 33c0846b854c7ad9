// The signed-in user's picture in the band: the file the client names in "AvatarPath", decoded by
// the system's picture decoder, or our default picture when there is none or it cannot be read.
// It is loaded once per window and drawn over its frame after every repaint of the frame.
#include "shellext/server/ShellExt.h"

#include "shellext/resources/ResourceIds.h"

#include <olectl.h>

namespace pellicor
{

namespace
{

// Where the picture goes in the band, in pixels.
constexpr int kAvatarLeft = 20;
constexpr int kAvatarTop = 12;
constexpr int kAvatarSize = 22;

// A user picture is a few kilobytes; a larger file is not read into Explorer's memory.
constexpr ULONGLONG kMaxAvatarFileSize = 16ull * 1024 * 1024;

// Bitmap 120 as a picture that owns the bitmap.
ComPtr<IPicture> DefaultPicture()
{
    ComPtr<IPicture> picture;
    UniqueBitmap bitmap(static_cast<HBITMAP>(::LoadImageW(
        ModuleInstance(), MAKEINTRESOURCEW(IDB_DEFAULT_AVATAR), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (!bitmap)
        return picture;
    PICTDESC description{};
    description.cbSizeofstruct = sizeof(description);
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap.get();
    description.bmp.hpal = nullptr;
    if (SUCCEEDED(::OleCreatePictureIndirect(&description, IID_IPicture, TRUE, picture.put_void())) &&
        picture)
        bitmap.release(); // the picture owns it now
    return picture;
}

} // namespace

void CShellExt::DrawAvatar(HWND window)
{
    if (!m_avatarPicture && !LoadAvatarPicture())
        m_avatarPicture = DefaultPicture();
    if (!m_avatarPicture || !window)
        return;

    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(m_avatarPicture->get_Width(&width)) || FAILED(m_avatarPicture->get_Height(&height)))
        return;
    const ScopedWindowDc dc(window);
    if (!dc.get())
        return;
    // Pictures measure from the bottom up: start at the bottom row with a negative height.
    m_avatarPicture->Render(dc.get(), kAvatarLeft, kAvatarTop, kAvatarSize, kAvatarSize, 0, height, width,
                            -height, nullptr);
}

bool CShellExt::LoadAvatarPicture()
{
    if (m_avatarPath.empty())
        return false;
    UniqueFile file(::CreateFileW(m_avatarPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<ULONGLONG>(size.QuadPart) > kMaxAvatarFileSize)
        return false;
    const auto byteCount = static_cast<DWORD>(size.QuadPart);

    UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, byteCount));
    if (!memory)
        return false;
    {
        const ScopedGlobalLock bytes(memory.get());
        DWORD read = 0;
        if (!bytes || !::ReadFile(file.get(), bytes.get(), byteCount, &read, nullptr) || read != byteCount)
            return false;
    }

    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(memory.get(), TRUE, stream.put())) || !stream)
        return false;
    memory.release(); // freed with the stream
    ComPtr<IPicture> picture;
    if (FAILED(::OleLoadPicture(stream.get(), static_cast<LONG>(byteCount), TRUE, IID_IPicture,
                                picture.put_void())) ||
        !picture)
        return false;
    m_avatarPicture = picture;
    return true;
}

} // namespace pellicor
