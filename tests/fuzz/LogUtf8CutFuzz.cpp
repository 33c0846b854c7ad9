// The launcher writes every message as UTF-8 cut to what the line holds. Whatever the UTF-16 units
// and the room, the result fits the room, is well-formed UTF-8, and is the longest run of whole
// characters from the start of the message that fits: unpaired surrogates become U+FFFD, and a high
// surrogate left at the very end (half a pair cut off by the formatter) is dropped.
#include "launcher/core/LogLine.h"
#include "tests/fuzz/FuzzInput.h"

using fuzz::Check;

namespace
{

// The message's characters, as the format defines them.
std::u32string CodePoints(const std::wstring& units)
{
    std::u32string out;
    for (std::size_t i = 0; i < units.size(); ++i)
    {
        const char32_t unit = static_cast<char32_t>(units[i]) & 0xFFFF;
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 == units.size())
            break;
        const char32_t next = high ? static_cast<char32_t>(units[i + 1]) & 0xFFFF : 0;
        if (high && next >= 0xDC00 && next <= 0xDFFF)
        {
            out.push_back(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++i;
        }
        else
            out.push_back(high || low ? 0xFFFD : unit);
    }
    return out;
}

std::size_t Utf8Length(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Strict UTF-8 decoding: no overlong forms, no surrogates, nothing past U+10FFFF; false otherwise.
bool DecodeUtf8(const std::string& bytes, std::u32string& out)
{
    for (std::size_t i = 0; i < bytes.size();)
    {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : (lead >> 5) == 6  ? 2
                                   : (lead >> 4) == 14 ? 3
                                   : (lead >> 3) == 30 ? 4
                                                       : 0;
        if (length == 0 || i + length > bytes.size())
            return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
        {
            const unsigned char follow = static_cast<unsigned char>(bytes[i + k]);
            if ((follow & 0xC0) != 0x80)
                return false;
            c = c << 6 | (follow & 0x3F);
        }
        if (Utf8Length(c) != length || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            return false;
        out.push_back(c);
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t room = (data[0] | data[1] << 8) % 1100; // around the line's 1023 bytes
    std::wstring units;
    for (std::size_t i = 2; i + 1 < size; i += 2)
        units.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));

    const std::string cut = drovana::Utf16ToUtf8Bounded(units, room);
    Check(cut.size() <= room);
    std::u32string written;
    Check(DecodeUtf8(cut, written));

    const std::u32string expected = CodePoints(units);
    Check(written.size() <= expected.size());
    Check(expected.compare(0, written.size(), written) == 0);
    if (written.size() < expected.size())
        Check(cut.size() + Utf8Length(expected[written.size()]) > room);
    return 0;
}
