#pragma once
// The floor of every pipe measurement: the least a server can be (BenchFloorServer.exe, in a process
// of its own, like the real client), asked the least a client can do, with the request already
// encoded: connect, write, read once, close. No wait for a free instance, no encoding, no decoding.
#include "common/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pellicor::bench
{

// BenchFloorServer.exe from beside the benchmark, serving the client's pipe with `instances`
// listening instances until this object ends it. Our calls and their floor are both timed against
// it.
class FloorServer
{
public:
    explicit FloorServer(int instances);
    ~FloorServer();
    FloorServer(const FloorServer&) = delete;
    FloorServer& operator=(const FloorServer&) = delete;
    bool IsRunning() const { return m_running; }

private:
    UniqueKernelHandle m_process;
    bool m_running = false;
};

// True when the request was written and some reply read.
bool BareTransaction(const std::vector<std::uint8_t>& request);

// The same with the library's 1 ms wait for a free instance first: shown beside the floor, so
// that the cost of that one call can be told apart from ours.
bool BareTransactionWithWait(const std::vector<std::uint8_t>& request);

// The bytes the library sends for a request, encoded once outside the timing.
std::vector<std::uint8_t> RequestBytes(const wchar_t* command, const std::vector<std::wstring>& arguments);

} // namespace pellicor::bench
