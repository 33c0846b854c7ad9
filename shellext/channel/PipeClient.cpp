// The pipe transaction and the command operations. Explorer calls these on many threads at once and
// waits for them, so nothing here is shared, cached or retried: an absent or busy client costs at
// most the 1 ms pipe wait, a client that has stopped answering at most the transaction's deadline,
// and a server that is not our user's client in our session never reads a byte.
#include "shellext/channel/PipeClient.h"

#include "common/NoThrow.h"
#include "common/UniqueHandle.h"
#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/ClientRequests.h"
#include "shellext/channel/ServerIdentityCheck.h"
#include "shellext/channel/WireCodec.h"
#include "shellext/server/OverlayKind.h"

#include <cstdint>

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

// The one deadline that the write and the read of a transaction share.
class Deadline
{
public:
    explicit Deadline(DWORD milliseconds) noexcept : m_start(::GetTickCount()), m_milliseconds(milliseconds)
    {
    }

    DWORD Remaining() const noexcept
    {
        const DWORD elapsed = ::GetTickCount() - m_start; // unsigned: right across the counter's wrap
        return elapsed >= m_milliseconds ? 0 : m_milliseconds - elapsed;
    }

private:
    DWORD m_start;
    DWORD m_milliseconds;
};

// Waits for one overlapped operation, started with `started` as its call's result, until the
// deadline. On expiry the operation is cancelled and then waited for: the kernel must be done with
// the OVERLAPPED and the buffer, both on the caller's stack, before the caller returns. The OVERLAPPED
// has no event: the pipe handle itself signals the completion, which is sound here because the handle
// is ours alone and carries one operation at a time (and it saves two kernel calls per transaction).
bool Finish(HANDLE pipe, OVERLAPPED& io, BOOL started, const Deadline& deadline, DWORD& bytes) noexcept
{
    if (started) // done at once, as a write into the pipe's buffer usually is
        return ::GetOverlappedResult(pipe, &io, &bytes, FALSE) != FALSE;
    if (::GetLastError() != ERROR_IO_PENDING)
        return false;
    if (::WaitForSingleObject(pipe, deadline.Remaining()) != WAIT_OBJECT_0)
        ::CancelIo(pipe); // this thread's I/O on this handle: exactly this operation
    return ::GetOverlappedResult(pipe, &io, &bytes, TRUE) != FALSE;
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

    // Overlapped, so that neither the write nor the read can wait past the deadline.
    UniqueFile pipe(::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr));
    if (!pipe)
        return false;
    if (!PipeServerIsOurOwn(pipe.get()))
        return false;

    const Deadline deadline(kTransactionDeadlineMilliseconds);
    OVERLAPPED writing{};
    DWORD written = 0;
    const BOOL writeStarted =
        ::WriteFile(pipe.get(), requestBuffer, static_cast<DWORD>(requestLength), nullptr, &writing);
    const bool wrote =
        Finish(pipe.get(), writing, writeStarted, deadline, written) && written == requestLength;

    // The read is made even when the write failed: the client may still answer or close its end.
    OVERLAPPED reading{};
    DWORD received = 0;
    const BOOL readStarted =
        ::ReadFile(pipe.get(), replyBuffer, static_cast<DWORD>(kPipeBufferSize), nullptr, &reading);
    const bool read = Finish(pipe.get(), reading, readStarted, deadline, received);
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
