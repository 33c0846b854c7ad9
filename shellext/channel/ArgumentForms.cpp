#include "shellext/channel/ArgumentForms.h"

namespace pellicor
{

std::wstring DecimalForm(std::int32_t value)
{
    // Work in 64 bits so that the most negative value has a positive magnitude.
    std::int64_t magnitude = value;
    const bool negative = magnitude < 0;
    if (negative)
        magnitude = -magnitude;

    wchar_t digits[12];
    std::size_t n = 0;
    do
    {
        digits[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);

    std::wstring text;
    text.reserve(n + 1);
    if (negative)
        text.push_back(L'-');
    while (n > 0)
        text.push_back(digits[--n]);
    return text;
}

std::wstring HandleForm(std::uint64_t value)
{
    static constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";
    std::wstring text(16, L'0');
    for (std::size_t i = 16; i-- > 0; value >>= 4)
        text[i] = kHexDigits[value & 0xF];
    return text;
}

} // namespace pellicor
