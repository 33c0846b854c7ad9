#include "tools/bench/BareTransaction.h"

#include "common/UniqueHandle.h"
#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/WireCodec.h"

namespace pellicor::bench
{

bool BareTransaction(const std::vector<std::uint8_t>& request)
{
    UniqueFile pipe(
        ::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!pipe)
        return false;
    DWORD written = 0;
    const bool wrote = ::WriteFile(pipe.get(), request.data(), static_cast<DWORD>(request.size()), &written,
                                   nullptr) != FALSE;
    std::uint8_t reply[kPipeBufferSize];
    DWORD received = 0;
    const bool read = ::ReadFile(pipe.get(), reply, sizeof reply, &received, nullptr) != FALSE;
    return wrote && read;
}

bool BareTransactionWithWait(const std::vector<std::uint8_t>& request)
{
    if (!::WaitNamedPipeW(kPipeName, kPipeWaitMilliseconds))
        return false;
    return BareTransaction(request);
}

std::vector<std::uint8_t> RequestBytes(const wchar_t* command, const std::vector<std::wstring>& arguments)
{
    std::uint8_t buffer[kPipeBufferSize];
    std::size_t length = 0;
    if (!EncodeRequest({command, arguments}, buffer, length))
        return {};
    return std::vector<std::uint8_t>(buffer, buffer + length);
}

} // namespace pellicor::bench
