#include "shellhost/Console.h"

#include <windows.h>

namespace pellicor::shellhost
{

namespace
{
void WriteTo(DWORD which, const std::wstring& text)
{
    HANDLE out = ::GetStdHandle(which);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || text.empty())
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(out, &mode))
    {
        ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                            0, nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                          nullptr);
    ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}
} // namespace

void Print(const std::wstring& text)
{
    WriteTo(STD_OUTPUT_HANDLE, text);
}

void PrintLine(const std::wstring& text)
{
    WriteTo(STD_OUTPUT_HANDLE, text + L"\r\n");
}

void PrintError(const std::wstring& text)
{
    WriteTo(STD_ERROR_HANDLE, text + L"\r\n");
}

std::wstring Hex32(std::uint32_t value)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += digits[(value >> shift) & 0xF];
    return text;
}

std::wstring HresultText(long hr)
{
    switch (hr)
    {
    case S_OK:
        return L"S_OK";
    case S_FALSE:
        return L"S_FALSE";
    case E_INVALIDARG:
        return L"E_INVALIDARG";
    case E_POINTER:
        return L"E_POINTER";
    case E_NOINTERFACE:
        return L"E_NOINTERFACE";
    case E_FAIL:
        return L"E_FAIL";
    case REGDB_E_CLASSNOTREG:
        return L"REGDB_E_CLASSNOTREG";
    case CLASS_E_CLASSNOTAVAILABLE:
        return L"CLASS_E_CLASSNOTAVAILABLE";
    default:
        return Hex32(static_cast<std::uint32_t>(hr));
    }
}

std::wstring Quoted(const std::wstring& text)
{
    std::wstring quoted = L"\"";
    for (wchar_t c : text)
    {
        if (c == L'\n')
            quoted += L"\\n";
        else if (c == L'\r')
            quoted += L"\\r";
        else if (c == L'\t')
            quoted += L"\\t";
        else if (c < 0x20)
            quoted += L"\\x" + Hex32(c).substr(8);
        else
            quoted += c;
    }
    return quoted + L"\"";
}

} // namespace pellicor::shellhost
