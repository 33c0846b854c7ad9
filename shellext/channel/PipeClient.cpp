// The pipe transaction and the command operations. Explorer calls these on many threads at once and
// waits for them, so nothing here is shared, cached or retried, and an absent or busy client costs
// at most the 1 ms pipe wait.
#include "shellext/channel/PipeClient.h"

#include "common/UniqueHandle.h"
#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/ClientRequests.h"
#include "shellext/channel/WireCodec.h"
#include "shellext/server/OverlayKind.h"

#include <cstdint>
#include <exception>

namespace pellicor
{

namespace
{

std::uint64_t HandleValue(HWND window)
{
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(window));
}

// Sends a request whose reply values are not needed; true when the client answered "ok".
bool SendExpectingOk(const PipeClient& pipe, const ClientRequest& request)
{
    ClientReply reply;
    return pipe.Transact(request, reply) && reply.IsOk();
}

// Building a request allocates; running out of memory is a failed request, never an exception
// escaping into the shell.
template <typename Operation> bool NoThrow(Operation&& operation) noexcept
{
    try
    {
        return operation();
    }
    catch (...)
    {
        return false;
    }
}

} // namespace

bool PipeClient::Transact(const ClientRequest& request, ClientReply& reply) const
{
    // Both transfer buffers live on this thread's stack for this call only.
    std::uint8_t requestBuffer[kPipeBufferSize] = {};
    std::uint8_t replyBuffer[kPipeBufferSize] = {};
    std::size_t requestLength = 0;

    // A request that does not fit is refused before connecting: a cut path would name another file.
    if (!EncodeRequest(request, requestBuffer, requestLength))
        return false;

    if (!::WaitNamedPipeW(kPipeName, kPipeWaitMilliseconds))
        return false;

    UniqueFile pipe(
        ::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!pipe)
        return false;

    DWORD written = 0;
    const bool wrote = ::WriteFile(pipe.get(), requestBuffer, static_cast<DWORD>(requestLength), &written,
                                   nullptr) != FALSE &&
                       written == requestLength;

    // The read is made even when the write failed: the client may still answer or close its end.
    DWORD received = 0;
    const bool read =
        ::ReadFile(pipe.get(), replyBuffer, static_cast<DWORD>(kPipeBufferSize), &received, nullptr) != FALSE;
    pipe.reset();

    if (!wrote || !read)
        return false;
    return NoThrow([&] { return DecodeReply(replyBuffer, received, reply); });
}

bool PipeClient::QueryPathState(int kind, const wchar_t* path) const
{
    if (path == nullptr)
        return false;
    return NoThrow(
        [&]
        {
            ClientReply reply;
            if (!Transact(MakePathStateRequest(path), reply) || !reply.IsOk() || reply.values.empty())
                return false;
            // Kinds without a state word still ask, so that the client sees every query, but never match.
            return IsStateWordOf(kind, reply.values.front());
        });
}

bool PipeClient::QueryMenuItems(const std::vector<std::wstring>& paths,
                                std::vector<std::wstring>& values) const
{
    values.clear();
    return NoThrow(
        [&]
        {
            ClientReply reply;
            if (!Transact(MakeMenuItemsRequest(paths), reply) || !reply.IsOk())
                return false;
            values = std::move(reply.values);
            return true;
        });
}

bool PipeClient::SendMenuCommand(const std::vector<std::wstring>& paths, int command, HWND viewWindow) const
{
    return NoThrow(
        [&] { return SendExpectingOk(*this, MakeMenuCmdRequest(command, HandleValue(viewWindow), paths)); });
}

bool PipeClient::NotifyCreatePluginWin(HWND viewWindow, HWND itemsView, HWND promptDialog,
                                       const std::wstring& folder) const
{
    return NoThrow(
        [&]
        {
            return SendExpectingOk(
                *this, MakeNotifyCreatePluginWinRequest(HandleValue(viewWindow), HandleValue(itemsView),
                                                        HandleValue(promptDialog), folder));
        });
}

bool PipeClient::NotifyWindowResize(HWND viewWindow, HWND itemsView) const
{
    return NoThrow(
        [&]
        {
            return SendExpectingOk(
                *this, MakeNotifyWindowResizeRequest(HandleValue(viewWindow), HandleValue(itemsView)));
        });
}

bool PipeClient::NotifySeletionChanged(HWND viewWindow, const std::vector<std::wstring>& paths) const
{
    return NoThrow(
        [&]
        { return SendExpectingOk(*this, MakeNotifySeletionChangedRequest(HandleValue(viewWindow), paths)); });
}

bool PipeClient::NotifyWinDowClose(HWND viewWindow) const
{
    return NoThrow([&]
                   { return SendExpectingOk(*this, MakeNotifyWinDowCloseRequest(HandleValue(viewWindow))); });
}

} // namespace pellicor
