#include "shellext/channel/PeerCodec.h"

#include <utility>

namespace pellicor
{

namespace
{

bool ReadField(const std::uint8_t* bytes, std::size_t count, std::size_t& offset, std::wstring& text)
{
    if (count - offset < 4)
        return false;
    const std::uint32_t raw = static_cast<std::uint32_t>(bytes[offset]) |
                              static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
                              static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
                              static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
    offset += 4;
    const auto units = static_cast<std::int32_t>(raw);
    if (units < 0 || (count - offset) / 2 < static_cast<std::size_t>(units))
        return false;
    text.assign(static_cast<std::size_t>(units), L'\0');
    for (std::size_t i = 0; i < text.size(); ++i, offset += 2)
        text[i] = static_cast<wchar_t>(bytes[offset] | bytes[offset + 1] << 8);
    return true;
}

} // namespace

void AppendField(std::vector<std::uint8_t>& bytes, const std::wstring& text)
{
    const auto count = static_cast<std::uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(count >> shift));
    for (wchar_t unit : text)
    {
        const auto u = static_cast<std::uint16_t>(unit);
        bytes.push_back(static_cast<std::uint8_t>(u));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
}

std::vector<std::uint8_t> EncodeReply(const ClientReply& reply)
{
    std::vector<std::uint8_t> bytes;
    AppendField(bytes, reply.status);
    for (const std::wstring& value : reply.values)
        AppendField(bytes, value);
    return bytes;
}

bool DecodeRequest(const std::uint8_t* bytes, std::size_t count, ClientRequest& request)
{
    if (bytes == nullptr)
        return false;
    ClientRequest decoded;
    std::size_t offset = 0;
    if (!ReadField(bytes, count, offset, decoded.command))
        return false;
    while (offset != count)
    {
        std::wstring argument;
        if (!ReadField(bytes, count, offset, argument))
            return false;
        decoded.arguments.push_back(std::move(argument));
    }
    request = std::move(decoded);
    return true;
}

} // namespace pellicor
