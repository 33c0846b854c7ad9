#pragma once
// Strict UTF-8 decoding for checking what the launcher writes, shared by its tests and its fuzzer:
// no stray continuation bytes, no cut sequences, no overlong forms, no surrogates, nothing past
// U+10FFFF.
#include <cstddef>
#include <string>

namespace pellicor::test
{

inline std::size_t Utf8Length(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// The characters of bytes, appended to out; false when bytes are not strict UTF-8.
inline bool DecodeStrictUtf8(const std::string& bytes, std::u32string& out)
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

inline bool IsStrictUtf8(const std::string& bytes)
{
    std::u32string characters;
    return DecodeStrictUtf8(bytes, characters);
}

} // namespace pellicor::test
