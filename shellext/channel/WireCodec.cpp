#include "shellext/channel/WireCodec.h"

#include <string>
#include <utility>

namespace pellicor
{

namespace
{

constexpr std::size_t kCountSize = 4;
constexpr std::size_t kUnitSize = 2;

void PutCount(std::uint8_t* at, std::uint32_t count)
{
    at[0] = static_cast<std::uint8_t>(count);
    at[1] = static_cast<std::uint8_t>(count >> 8);
    at[2] = static_cast<std::uint8_t>(count >> 16);
    at[3] = static_cast<std::uint8_t>(count >> 24);
}

std::int32_t GetCount(const std::uint8_t* at)
{
    const std::uint32_t u = static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
                            static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    return static_cast<std::int32_t>(u);
}

// Appends one field at offset; false when it would not fit (nothing past the buffer is touched).
bool PutField(const std::wstring& text, std::uint8_t* buffer, std::size_t& offset)
{
    const std::size_t room = kPipeBufferSize - offset;
    if (room < kCountSize || text.size() > (room - kCountSize) / kUnitSize)
        return false;
    PutCount(buffer + offset, static_cast<std::uint32_t>(text.size()));
    offset += kCountSize;
    for (wchar_t unit : text)
    {
        // One wchar_t is one UTF-16 code unit on Windows; the host build keeps the low 16 bits.
        const auto u = static_cast<std::uint16_t>(unit);
        buffer[offset++] = static_cast<std::uint8_t>(u);
        buffer[offset++] = static_cast<std::uint8_t>(u >> 8);
    }
    return true;
}

// Reads the field at offset; false when it is malformed. The text is cut at its first NUL while
// offset moves past the whole declared length.
bool GetField(const std::uint8_t* bytes, std::size_t count, std::size_t& offset, std::wstring& text)
{
    if (count - offset < kCountSize)
        return false;
    const std::int32_t units = GetCount(bytes + offset);
    offset += kCountSize;
    if (units < 0 || static_cast<std::size_t>(units) > kMaxReplyField)
        return false;
    const std::size_t length = static_cast<std::size_t>(units) * kUnitSize;
    if (count - offset < length)
        return false;

    text.clear();
    for (std::size_t i = 0; i < length; i += kUnitSize)
    {
        const auto unit = static_cast<wchar_t>(bytes[offset + i] | bytes[offset + i + 1] << 8);
        if (unit == L'\0')
            break;
        text.push_back(unit);
    }
    offset += length;
    return true;
}

} // namespace

RequestSize& RequestSize::Add(std::wstring_view field) noexcept
{
    // Saturates instead of wrapping: a size past the buffer only needs to stay past it.
    constexpr std::size_t kPast = kPipeBufferSize + 1;
    const std::size_t fieldBytes = field.size() > kPast ? kPast : kCountSize + kUnitSize * field.size();
    m_bytes = m_bytes + fieldBytes > kPast ? kPast : m_bytes + fieldBytes;
    return *this;
}

bool EncodeRequest(const ClientRequest& request, std::uint8_t (&buffer)[kPipeBufferSize], std::size_t& length)
{
    std::size_t offset = 0;
    if (!PutField(request.command, buffer, offset))
        return false;
    for (const std::wstring& argument : request.arguments)
    {
        if (!PutField(argument, buffer, offset))
            return false;
    }
    length = offset;
    return true;
}

bool DecodeReply(const std::uint8_t* bytes, std::size_t count, ClientReply& reply)
{
    if (bytes == nullptr)
        return false;

    ClientReply decoded;
    std::size_t offset = 0;
    if (!GetField(bytes, count, offset, decoded.status))
        return false;
    while (offset != count)
    {
        std::wstring value;
        if (!GetField(bytes, count, offset, value))
            return false;
        decoded.values.push_back(std::move(value));
    }
    reply = std::move(decoded);
    return true;
}

} // namespace pellicor
