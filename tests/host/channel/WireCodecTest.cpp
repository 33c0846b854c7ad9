// The byte layout both ends of the pipe rely on, and what the decoder does with replies it must not
// trust.
#include "shellext/channel/PeerCodec.h"
#include "shellext/channel/WireCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace pellicor::test
{
namespace
{

using Bytes = std::vector<std::uint8_t>;

Bytes Encoded(const ClientRequest& request)
{
    std::uint8_t buffer[kPipeBufferSize];
    std::memset(buffer, 0xCC, sizeof buffer);
    std::size_t length = 0;
    EXPECT_TRUE(EncodeRequest(request, buffer, length));
    // Nothing past the encoded length is touched.
    for (std::size_t i = length; i < kPipeBufferSize; ++i)
        EXPECT_EQ(buffer[i], 0xCC) << "byte " << i;
    return Bytes(buffer, buffer + length);
}

Bytes Utf16(const std::wstring& text)
{
    Bytes out;
    for (wchar_t c : text)
    {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return out;
}

Bytes Count(std::int32_t n)
{
    const auto u = static_cast<std::uint32_t>(n);
    return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
            static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

bool Decode(const Bytes& bytes, ClientReply& reply)
{
    return DecodeReply(bytes.data(), bytes.size(), reply);
}

TEST(WireCodec, PathStateRequestHasTheDocumentedLayout)
{
    const Bytes bytes = Encoded({L"PathState", {L"C:\\a"}});
    ASSERT_EQ(bytes.size(), 34u);
    EXPECT_EQ(bytes, Concat({{9, 0, 0, 0}, Utf16(L"PathState"), {4, 0, 0, 0}, Utf16(L"C:\\a")}));
}

TEST(WireCodec, OkSyncedReplyHasTheDocumentedLayout)
{
    const Bytes bytes = Concat({{2, 0, 0, 0, 0x6F, 0, 0x6B, 0, 6, 0, 0, 0}, Utf16(L"Synced")});
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ(EncodeReply({L"ok", {L"Synced"}}), bytes);

    ClientReply reply;
    ASSERT_TRUE(Decode(bytes, reply));
    EXPECT_EQ(reply.status, L"ok");
    EXPECT_EQ(reply.values, std::vector<std::wstring>{L"Synced"});
    EXPECT_TRUE(reply.IsOk());
}

TEST(WireCodec, RequestsWithoutOrWithEmptyArguments)
{
    EXPECT_EQ(Encoded({L"MenuItems", {}}), Concat({Count(9), Utf16(L"MenuItems")}));
    // An empty argument is four zero bytes, and still an argument.
    EXPECT_EQ(Encoded({L"X", {L"", L"b"}}), Concat({Count(1), Utf16(L"X"), Count(0), Count(1), Utf16(L"b")}));
}

TEST(WireCodec, CountsAreCodeUnitsNotBytesOrCharacters)
{
    // A surrogate pair is two code units; NULs inside a request argument travel as they are.
    const std::wstring text = {L'a', static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00), L'\0', L'z'};
    EXPECT_EQ(Encoded({L"C", {text}}), Concat({Count(1), Utf16(L"C"), Count(5), Utf16(text)}));
}

TEST(WireCodec, RequestsThatDoNotFitAreRefusedNotCut)
{
    std::uint8_t buffer[kPipeBufferSize];
    std::size_t length = 12345;
    // "PathState" + one argument: 4 + 18 + 4 + 2n bytes; n = 2035 fills the buffer exactly.
    ASSERT_TRUE(EncodeRequest({L"PathState", {std::wstring(2035, L'p')}}, buffer, length));
    EXPECT_EQ(length, kPipeBufferSize);

    length = 12345;
    EXPECT_FALSE(EncodeRequest({L"PathState", {std::wstring(2036, L'p')}}, buffer, length));
    EXPECT_EQ(length, 12345u);
    // Many short arguments overflow just the same, including a count that would land past the end.
    EXPECT_FALSE(EncodeRequest({L"MenuItems", std::vector<std::wstring>(1020, L"")}, buffer, length));
    EXPECT_FALSE(EncodeRequest({std::wstring(5000, L'c'), {}}, buffer, length));
}

TEST(WireCodec, StatusAloneDecodesToNoValues)
{
    ClientReply reply;
    ASSERT_TRUE(Decode(Concat({Count(2), Utf16(L"ok")}), reply));
    EXPECT_EQ(reply.status, L"ok");
    EXPECT_TRUE(reply.values.empty());
}

TEST(WireCodec, OnlyTheExactStatusOkIsSuccess)
{
    for (const wchar_t* status : {L"OK", L"ok ", L"", L"Ok", L"okay"})
    {
        ClientReply reply;
        ASSERT_TRUE(Decode(EncodeReply({status, {L"Synced"}}), reply));
        EXPECT_FALSE(reply.IsOk()) << "status of " << std::wcslen(status) << " units";
    }
}

TEST(WireCodec, EmbeddedNulCutsTheTextButNotTheOffset)
{
    const std::wstring first = {L'S', L'y', L'n', L'c', L'e', L'd', L'\0', L'x', L'y'};
    const std::wstring status = {L'o', L'k', L'\0', L'!'};
    ClientReply reply;
    ASSERT_TRUE(Decode(EncodeReply({status, {first, L"second", std::wstring(3, L'\0')}}), reply));
    EXPECT_EQ(reply.status, L"ok");
    EXPECT_EQ(reply.values, (std::vector<std::wstring>{L"Synced", L"second", L""}));
}

TEST(WireCodec, ReplyFillingTheWholeBufferDecodes)
{
    // Status "ok" (8 bytes) + two values of 1000 units (2 x 2004) + one of 38 units (80) = 4096.
    std::vector<std::wstring> values(2, std::wstring(1000, L'v'));
    values.push_back(std::wstring(38, L'w'));
    const Bytes bytes = EncodeReply({L"ok", values});
    ASSERT_EQ(bytes.size(), kPipeBufferSize);
    ClientReply reply;
    ASSERT_TRUE(Decode(bytes, reply));
    EXPECT_EQ(reply.values, values);
}

TEST(WireCodec, FieldsUpToTheWorkingBufferAreKept)
{
    ClientReply reply;
    ASSERT_TRUE(Decode(EncodeReply({L"ok", {std::wstring(kMaxReplyField, L'm')}}), reply));
    ASSERT_EQ(reply.values.size(), 1u);
    EXPECT_EQ(reply.values[0].size(), kMaxReplyField);
}

TEST(WireCodec, MalformedRepliesAreRefusedAndLeaveTheReplyUntouched)
{
    const Bytes okStatus = Concat({Count(2), Utf16(L"ok")});
    const struct
    {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"nothing", {}},
        {"under four bytes", {2, 0, 0}},
        {"negative status count", Concat({Count(-1), Utf16(L"ok")})},
        {"most negative count", Concat({Count(INT32_MIN), Utf16(L"ok")})},
        {"status past the bytes", Concat({Count(3), Utf16(L"ok")})},
        {"odd trailing byte", Concat({okStatus, {0}})},
        {"value count cut short", Concat({okStatus, {6, 0}})},
        {"value past the bytes", Concat({okStatus, Count(7), Utf16(L"Synced")})},
        {"negative value count", Concat({okStatus, Count(-6), Utf16(L"Synced")})},
        {"value of 1024 units", Concat({okStatus, Count(1024), Utf16(std::wstring(1024, L'x'))})},
        {"status of 1024 units", Concat({Count(1024), Utf16(std::wstring(1024, L'x'))})},
        {"huge count", Concat({okStatus, Count(0x7FFFFFFF), Utf16(L"x")})},
        {"bytes after the last field", Concat({okStatus, Count(1), Utf16(L"a"), {1, 0}})},
    };
    for (const auto& c : cases)
    {
        ClientReply reply{L"before", {L"kept"}};
        // Copied to an exactly sized heap block so that the sanitizer sees any read past the end.
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[c.bytes.size() + (c.bytes.empty() ? 1 : 0)]);
        if (!c.bytes.empty())
            std::memcpy(exact.get(), c.bytes.data(), c.bytes.size());
        EXPECT_FALSE(DecodeReply(exact.get(), c.bytes.size(), reply)) << c.what;
        EXPECT_EQ(reply.status, L"before") << c.what;
        EXPECT_EQ(reply.values, std::vector<std::wstring>{L"kept"}) << c.what;
    }
}

TEST(PeerCodec, DecodesWhatTheLibraryEncodes)
{
    const ClientRequest sent{L"MenuCmd", {L"3", L"0000000000001A2B", L"", std::wstring(3000, L'p')}};
    const Bytes bytes =
        Concat({Count(7), Utf16(L"MenuCmd"), Count(1), Utf16(L"3"), Count(16), Utf16(L"0000000000001A2B"),
                Count(0), Count(3000), Utf16(std::wstring(3000, L'p'))});
    ClientRequest received;
    ASSERT_TRUE(DecodeRequest(bytes.data(), bytes.size(), received));
    EXPECT_EQ(received.command, sent.command);
    EXPECT_EQ(received.arguments, sent.arguments);

    EXPECT_FALSE(DecodeRequest(bytes.data(), bytes.size() - 1, received));
}

} // namespace
} // namespace pellicor::test
