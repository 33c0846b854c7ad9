// The launcher writes every message as UTF-8 cut to what the line holds. Whatever the UTF-16 units
// and the room, the result fits the room, is well-formed UTF-8, and is the longest run of whole
// characters from the start of the message that fits: unpaired surrogates become U+FFFD, and a high
// surrogate left at the very end (half a pair cut off by the formatter) is dropped.
#include "launcher/core/LogLine.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/host/StrictUtf8.h"

using fuzz::Check;
using pellicor::test::DecodeStrictUtf8;
using pellicor::test::Utf8Length;

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
    Check(DecodeStrictUtf8(cut, written));

    const std::u32string expected = CodePoints(units);
    Check(written.size() <= expected.size());
    Check(expected.compare(0, written.size(), written) == 0);
    if (written.size() < expected.size())
        Check(cut.size() + Utf8Length(expected[written.size()]) > room);
    return 0;
}
