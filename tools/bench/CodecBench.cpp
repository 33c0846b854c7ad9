// The portable codec natively: time per request encoded and per reply decoded, and heap
// allocations per transaction. The transfer buffers are the caller's fixed arrays, so encoding a
// request and decoding a reply that needs no heap text must allocate nothing at all.
#include "shellext/channel/ClientRequests.h"
#include "shellext/channel/PeerCodec.h"
#include "shellext/channel/WireCodec.h"
#include "tools/bench/BenchStats.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace
{

std::atomic<std::size_t> g_allocations{0};

} // namespace

// Every heap allocation of the program goes through these two, so counting them counts all.
void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace
{

using namespace pellicor;
using namespace pellicor::bench;
using Clock = std::chrono::steady_clock;

// A path as Explorer passes it, long enough not to fit in a string's own storage.
const std::wstring kPath = L"C:\\Users\\someone\\Drovana\\Projects\\2024\\report final.docx";

volatile std::size_t g_sink = 0; // keeps the optimizer from dropping the work

// Nanoseconds per call, one sample per batch of calls.
template <typename Work> Summary TimePerCall(Work&& work, int samples = 300, int batch = 2000)
{
    std::vector<double> perCall;
    perCall.reserve(samples);
    for (int s = 0; s < samples; ++s)
    {
        const auto start = Clock::now();
        for (int i = 0; i < batch; ++i)
            work();
        const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
        perCall.push_back(elapsed.count() / batch);
    }
    return Summarize(std::move(perCall));
}

template <typename Work> double AllocationsPerCall(Work&& work, int calls = 1000)
{
    const std::size_t before = g_allocations.load();
    for (int i = 0; i < calls; ++i)
        work();
    return static_cast<double>(g_allocations.load() - before) / calls;
}

} // namespace

int main()
{
    const ClientRequest request = MakePathStateRequest(kPath);
    const std::vector<std::uint8_t> okSynced = EncodeReply({L"ok", {L"Synced"}});
    const std::vector<std::uint8_t> okAlone = EncodeReply({L"ok", {}});
    const std::vector<std::uint8_t> menu =
        EncodeReply({L"ok", {L"2", L"Share link", L"3", L"Copy link", L"5", L"Open in the browser"}});

    std::uint8_t buffer[kPipeBufferSize];
    std::size_t length = 0;
    const auto encode = [&]
    {
        EncodeRequest(request, buffer, length);
        g_sink = g_sink + length;
    };
    const auto decodeWith = [](const std::vector<std::uint8_t>& bytes)
    {
        return [&bytes]
        {
            ClientReply reply;
            DecodeReply(bytes.data(), bytes.size(), reply);
            g_sink = g_sink + reply.values.size();
        };
    };
    // What one overlay query does with the codec: build the request, encode it, decode the answer.
    const auto transaction = [&]
    {
        std::uint8_t requestBuffer[kPipeBufferSize];
        std::size_t requestLength = 0;
        EncodeRequest(MakePathStateRequest(kPath), requestBuffer, requestLength);
        ClientReply reply;
        DecodeReply(okSynced.data(), okSynced.size(), reply);
        g_sink = g_sink + requestLength + reply.values.size();
    };

    Report report;
    const double encodeAllocations = AllocationsPerCall(encode);
    const double okAloneAllocations = AllocationsPerCall(decodeWith(okAlone));
    report.Add({"EncodeRequest, PathState (57-unit path)",
                "ns",
                TimePerCall(encode),
                "",
                {},
                "heap allocations per call: " + Figure(encodeAllocations)});
    report.Add({"DecodeReply, \"ok\" \"Synced\"",
                "ns",
                TimePerCall(decodeWith(okSynced)),
                "",
                {},
                "heap allocations per call: " + Figure(AllocationsPerCall(decodeWith(okSynced))) +
                    " (the decoded strings)"});
    report.Add({"DecodeReply, \"ok\" alone",
                "ns",
                TimePerCall(decodeWith(okAlone)),
                "",
                {},
                "heap allocations per call: " + Figure(okAloneAllocations)});
    report.Add({"DecodeReply, menu of three items",
                "ns",
                TimePerCall(decodeWith(menu)),
                "",
                {},
                "heap allocations per call: " + Figure(AllocationsPerCall(decodeWith(menu))) +
                    " (the decoded strings and their list)"});
    report.Add({"codec work of one overlay query",
                "ns",
                TimePerCall(transaction),
                "",
                {},
                "heap allocations per transaction: " + Figure(AllocationsPerCall(transaction)) +
                    " (request and reply records only; the transfer buffers are fixed arrays)"});

    // The transfer buffers cost no allocation: encoding writes into the caller's array, and a
    // reply whose text fits in place decodes without touching the heap.
    report.Target("codec_encode_allocations", encodeAllocations, 0);
    report.Target("codec_decode_buffer_allocations", okAloneAllocations, 0);
    report.Print(stdout);
    return 0;
}
