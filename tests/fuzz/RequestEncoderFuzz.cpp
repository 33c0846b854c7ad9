// Requests carry whatever paths the shell selected, so the encoder must fit any request into its
// fixed buffer or refuse it whole, never write past it, and must write exactly what the client's
// decoder reads back. The input is taken as UTF-16 units; the unit FFFF starts the next field.
#include "shellext/channel/PeerCodec.h"
#include "shellext/channel/WireCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

constexpr unsigned kFieldBreak = 0xFFFF;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    pellicor::ClientRequest request;
    std::wstring* field = &request.command;
    for (std::size_t i = 0; i + 1 < size; i += 2)
    {
        const unsigned unit = data[i] | data[i + 1] << 8;
        if (unit == kFieldBreak)
        {
            request.arguments.emplace_back();
            field = &request.arguments.back();
        }
        else
            field->push_back(static_cast<wchar_t>(unit));
    }

    std::size_t expected = 4 + 2 * request.command.size();
    for (const std::wstring& argument : request.arguments)
        expected += 4 + 2 * argument.size();

    std::uint8_t buffer[pellicor::kPipeBufferSize];
    std::size_t length = 0;
    const bool encoded = pellicor::EncodeRequest(request, buffer, length);
    Check(encoded == (expected <= pellicor::kPipeBufferSize));
    if (!encoded)
        return 0;
    Check(length == expected);

    pellicor::ClientRequest decoded;
    Check(pellicor::DecodeRequest(buffer, length, decoded));
    Check(decoded.command == request.command);
    Check(decoded.arguments == request.arguments);
    return 0;
}
