#pragma once
// Conversions between UTF-16, the form every Win32 call takes, and the byte encodings of files, pipes
// and command lines. Header-only, so that each program keeps its own copy.
#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

namespace pellicor
{

// UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD. Empty when the text cannot be converted.
inline std::string ToUtf8(std::wstring_view text)
{
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int units = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), units, out.data(), bytes, nullptr, nullptr);
    return out;
}

// Text in a code page (CP_UTF8, or CP_ACP for what programs before Unicode wrote) as UTF-16. Empty
// when it cannot be converted; with MB_ERR_INVALID_CHARS that includes any byte sequence the code
// page does not allow.
inline std::wstring ToUtf16(std::string_view text, UINT codePage, DWORD flags = 0)
{
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int bytes = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(codePage, flags, text.data(), bytes, nullptr, 0);
    if (units <= 0)
        return {};
    std::wstring out(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(codePage, flags, text.data(), bytes, out.data(), units);
    return out;
}

// Writes text to a console as it is, or to a redirected handle or a file as UTF-8 (which support
// staff can mail and read anywhere).
inline void WriteText(HANDLE out, std::wstring_view text)
{
    if (text.empty() || text.size() > INT_MAX)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(out, &mode))
    {
        ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string utf8 = ToUtf8(text);
    if (!utf8.empty())
        ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

} // namespace pellicor
