#pragma once
// The client's end of the wire: decoding requests and encoding replies. The library never calls
// this; the client stand-in and the tests do, so that both ends share one definition of the
// format. Portable: no <windows.h>.
#include "shellext/channel/ClientMessage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pellicor
{

// Appends one field: the signed 32-bit little-endian unit count, then the UTF-16LE units.
void AppendField(std::vector<std::uint8_t>& bytes, const std::wstring& text);

// The status field, then one field per value. No size limit: the stand-in may send what the
// library must refuse.
std::vector<std::uint8_t> EncodeReply(const ClientReply& reply);

// Strict: every field well formed and the last one ending exactly at count. Fields are kept whole,
// embedded NULs included, and have no length limit.
bool DecodeRequest(const std::uint8_t* bytes, std::size_t count, ClientRequest& request);

} // namespace pellicor
