#pragma once
// The floor of every pipe measurement: the least a client can do to ask the stand-in, with the
// request already encoded: connect, write, read once, close. No wait for a free instance, no
// encoding, no decoding.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pellicor::bench
{

// True when the request was written and some reply read.
bool BareTransaction(const std::vector<std::uint8_t>& request);

// The same with the library's 1 ms wait for a free instance first: shown beside the floor, so
// that the cost of that one call can be told apart from ours.
bool BareTransactionWithWait(const std::vector<std::uint8_t>& request);

// The bytes the library sends for a request, encoded once outside the timing.
std::vector<std::uint8_t> RequestBytes(const wchar_t* command, const std::vector<std::wstring>& arguments);

} // namespace pellicor::bench
