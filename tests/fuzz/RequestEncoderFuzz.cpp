// Requests carry whatever paths the shell selected, so the encoder must fit any request into its
// fixed buffer or refuse it whole, never write past it, and must write exactly what the client's
// decoder reads back. The input is taken as UTF-16 units; the unit FFFF starts the next field.
#include "shellext/channel/PeerCodec.h"
#include "shellext/channel/WireCodec.h"
#include "tests/fuzz/FuzzInput.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::wstring> fields = fuzz::SplitUnits(data, size);
    pellicor::ClientRequest request{fields.front(), {fields.begin() + 1, fields.end()}};

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
