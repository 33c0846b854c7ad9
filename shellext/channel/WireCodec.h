#pragma once
// Byte layout of the pipe: each field is a signed 32-bit little-endian count of UTF-16 code units
// followed by those units; no NUL, no padding, no total length. Portable: no <windows.h>.
#include "shellext/channel/ClientMessage.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pellicor
{

constexpr std::size_t kPipeBufferSize = 4096; // request buffer, reply buffer, the most one read returns
constexpr std::size_t kMaxReplyField = 1023;  // longest reply field kept; the working buffer is 1024 units

// Writes the request into buffer and sets length. A request that does not fit is refused (false,
// nothing sent), never truncated: a cut path would name another file.
bool EncodeRequest(const ClientRequest& request, std::uint8_t (&buffer)[kPipeBufferSize],
                   std::size_t& length);

// The bytes a request takes on the wire, counted field by field without building it, so that a
// caller gathering arguments can stop as soon as the request could no longer be sent.
class RequestSize
{
public:
    explicit RequestSize(std::wstring_view command) noexcept { Add(command); }

    RequestSize& Add(std::wstring_view field) noexcept;
    // Exact while the request fits; once past the buffer it stays at kPipeBufferSize + 1.
    std::size_t Bytes() const noexcept { return m_bytes; }
    bool Fits() const noexcept { return m_bytes <= kPipeBufferSize; }

private:
    std::size_t m_bytes = 0;
};

// Fills reply from the received bytes. A malformed reply (under 4 bytes, a negative count, a field
// running past the bytes, a field of 1024 or more units, fields not ending exactly at count) is
// refused; nothing is read past count.
bool DecodeReply(const std::uint8_t* bytes, std::size_t count, ClientReply& reply);

} // namespace pellicor
