// The library decodes whatever the pipe hands it inside Explorer, so the decoder must never read
// past the bytes, and must accept exactly the well-formed replies. This target checks DecodeReply
// against a plain model of the layout written from the wire format alone, and checks that a
// reply it accepts encodes back to the same bytes when no field holds a NUL.
#include "shellext/channel/PeerCodec.h"
#include "shellext/channel/WireCodec.h"
#include "tests/fuzz/FuzzInput.h"

using fuzz::Check;

namespace
{
struct ModelField
{
    std::wstring text; // cut at the first NUL
    bool hasNul = false;
};

// Fields back to back, each a signed 32-bit little-endian count of 0..1023 units that fits in
// the bytes, the last one ending exactly at size. Empty result and false for anything else.
bool ModelDecode(const std::uint8_t* data, std::size_t size, std::vector<ModelField>& fields)
{
    std::size_t offset = 0;
    do
    {
        if (size - offset < 4)
            return false;
        std::int64_t count = 0;
        for (int i = 3; i >= 0; --i)
            count = count * 256 + data[offset + static_cast<std::size_t>(i)];
        if (count >= 0x80000000LL)
            count -= 0x100000000LL;
        offset += 4;
        if (count < 0 || count > static_cast<std::int64_t>(pellicor::kMaxReplyField))
            return false;
        if (static_cast<std::int64_t>(size - offset) < count * 2)
            return false;
        ModelField field;
        for (std::int64_t i = 0; i < count; ++i, offset += 2)
        {
            const unsigned unit = data[offset] | data[offset + 1] << 8;
            if (unit == 0)
                field.hasNul = true;
            if (!field.hasNul)
                field.text.push_back(static_cast<wchar_t>(unit));
        }
        fields.push_back(std::move(field));
    } while (offset != size);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The library reads one reply of at most this many bytes.
    if (size > pellicor::kPipeBufferSize)
        return 0;
    // A copy of exactly size bytes, so that AddressSanitizer sees any read past the reply.
    std::vector<std::uint8_t> bytes(data, data + size);
    const std::uint8_t* const at = bytes.empty() ? reinterpret_cast<const std::uint8_t*>("") : bytes.data();

    pellicor::ClientReply reply;
    const bool decoded = pellicor::DecodeReply(at, size, reply);

    std::vector<ModelField> fields;
    const bool wellFormed = ModelDecode(at, size, fields);
    Check(decoded == wellFormed);
    if (!decoded)
        return 0;

    Check(reply.values.size() + 1 == fields.size());
    Check(reply.status == fields[0].text);
    bool anyNul = fields[0].hasNul;
    for (std::size_t i = 0; i < reply.values.size(); ++i)
    {
        Check(reply.values[i] == fields[i + 1].text);
        Check(reply.values[i].size() <= pellicor::kMaxReplyField);
        anyNul = anyNul || fields[i + 1].hasNul;
    }
    if (!anyNul)
        Check(pellicor::EncodeReply(reply) == bytes);
    return 0;
}
