#include "shellhost/kit/FileVersion.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace pellicor::shellkit
{

namespace
{

std::vector<BYTE> VersionBlock(const std::wstring& path)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> block(size);
    if (size == 0 || !::GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        block.clear();
    return block;
}

std::wstring FourParts(DWORD high, DWORD low)
{
    return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
           std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
}

} // namespace

std::optional<FileVersion> ReadFileVersion(const std::wstring& path)
{
    std::vector<BYTE> block = VersionBlock(path);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block.empty() || !::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        !fixed || length < sizeof *fixed || fixed->dwSignature != VS_FFI_SIGNATURE)
        return std::nullopt;
    return FileVersion{FourParts(fixed->dwFileVersionMS, fixed->dwFileVersionLS),
                       FourParts(fixed->dwProductVersionMS, fixed->dwProductVersionLS)};
}

std::wstring ReadVersionText(const std::wstring& path, const wchar_t* name)
{
    std::vector<BYTE> block = VersionBlock(path);
    struct Translation
    {
        WORD language;
        WORD codePage;
    }* translations = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                          &length) ||
        length < sizeof *translations)
        return {};
    wchar_t query[64];
    std::swprintf(query, std::size(query), L"\\StringFileInfo\\%04x%04x\\", translations->language,
                  translations->codePage);
    wchar_t* text = nullptr;
    if (!::VerQueryValueW(block.data(), (std::wstring(query) + name).c_str(), reinterpret_cast<void**>(&text),
                          &length) ||
        !text)
        return {};
    return std::wstring(text, length > 0 && text[length - 1] == L'\0' ? length - 1 : length);
}

} // namespace pellicor::shellkit
