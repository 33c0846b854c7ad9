#include "tools/standin/StandInServer.h"

#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/PeerCodec.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace pellicor::standin
{

namespace
{

constexpr DWORD kInstanceBufferBytes = 65536; // lets oversized answers go out in one write
constexpr DWORD kClientCloseWaitMs = 5000;    // how long a written answer waits to be read
constexpr DWORD kUnreadPollMs = 100;          // how often a connection never read looks for its client

std::wstring Quoted(const std::wstring& text)
{
    std::wstring out = L"\"";
    for (wchar_t c : text)
    {
        if (c == L'\0')
            out += L"\\0";
        else
            out += c;
    }
    out += L"\"";
    if (out.size() > 300)
        out = out.substr(0, 300) + L"...\"(" + std::to_wstring(text.size()) + L" units)";
    return out;
}

std::wstring HexDump(const std::vector<std::uint8_t>& bytes, std::size_t limit)
{
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring out;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i)
    {
        if (i != 0)
            out += L' ';
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 0xF];
    }
    if (bytes.size() > limit)
        out += L" ...";
    return out;
}

} // namespace

std::wstring DescribeRequest(const RecordedRequest& recorded)
{
    if (!recorded.wellFormed)
        return std::to_wstring(recorded.raw.size()) + L" bytes that are not a request: " +
               HexDump(recorded.raw, 32);
    std::wstring line = recorded.request.command;
    for (const std::wstring& argument : recorded.request.arguments)
        line += L" " + Quoted(argument);
    return line;
}

StandInServer::StandInServer()
    : m_pipeName(kPipeName), m_stopEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

StandInServer::~StandInServer()
{
    Stop();
}

void StandInServer::SetPipeName(std::wstring name)
{
    std::lock_guard lock(m_threadMutex);
    m_pipeName = std::move(name);
}

void StandInServer::SetSpareInstances(unsigned count)
{
    std::lock_guard lock(m_threadMutex);
    m_spares = std::max(count, 2u);
}

void StandInServer::SetNeverReads(bool neverReads)
{
    std::lock_guard lock(m_threadMutex);
    m_neverReads = neverReads;
}

UniqueFile StandInServer::CreateInstance(bool first, DWORD* lastError) const
{
    const DWORD openMode =
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    // Never reading, the instance has no room for a request: a client's write waits as it would for a
    // client whose buffer is full.
    const DWORD inBuffer = m_neverReads ? 0 : kInstanceBufferBytes;
    UniqueFile instance(::CreateNamedPipeW(
        m_pipeName.c_str(), openMode, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
        PIPE_UNLIMITED_INSTANCES, kInstanceBufferBytes, inBuffer, 0, nullptr));
    if (lastError)
        *lastError = instance ? ERROR_SUCCESS : ::GetLastError();
    return instance;
}

bool StandInServer::Start(std::wstring* error)
{
    std::unique_lock lock(m_threadMutex);
    if (m_running)
        return true;
    if (!m_stopEvent)
    {
        if (error)
            *error = L"cannot create the stop event";
        return false;
    }
    ::ResetEvent(m_stopEvent.get());

    // Clients would connect to either server at random. Windows refuses a first instance of a name
    // that exists; Wine does not, so look first.
    if (::WaitNamedPipeW(m_pipeName.c_str(), 1) || ::GetLastError() != ERROR_FILE_NOT_FOUND)
    {
        if (error)
            *error = L"cannot create " + m_pipeName + L": another server owns the pipe";
        return false;
    }

    std::vector<UniqueFile> instances;
    DWORD lastError = ERROR_SUCCESS;
    for (unsigned i = 0; i < m_spares; ++i)
    {
        UniqueFile instance = CreateInstance(i == 0, &lastError);
        if (!instance)
        {
            if (error)
            {
                *error = L"cannot create " + m_pipeName + L" (error " + std::to_wstring(lastError) + L")";
                if (i == 0 && lastError == ERROR_ACCESS_DENIED)
                    *error += L": another server owns the pipe";
            }
            return false;
        }
        instances.push_back(std::move(instance));
    }
    m_running = true;
    m_stopping = false;
    lock.unlock();

    for (UniqueFile& instance : instances)
        Spawn(std::move(instance));
    return true;
}

void StandInServer::Stop()
{
    std::list<Worker> workers;
    {
        std::lock_guard lock(m_threadMutex);
        if (!m_running)
            return;
        m_stopping = true;
        ::SetEvent(m_stopEvent.get());
    }
    // No thread is spawned once m_stopping is set, so the list below is complete after this swap;
    // every thread waits on the stop event and ends.
    for (;;)
    {
        {
            std::lock_guard lock(m_threadMutex);
            workers.splice(workers.end(), m_workers);
        }
        if (workers.empty())
            break;
        for (Worker& worker : workers)
        {
            if (worker.thread.joinable())
                worker.thread.join();
        }
        workers.clear();
    }
    std::lock_guard lock(m_threadMutex);
    m_running = false;
    m_stopping = false;
    ::ResetEvent(m_stopEvent.get());
}

bool StandInServer::IsRunning() const
{
    std::lock_guard lock(m_threadMutex);
    return m_running;
}

void StandInServer::Spawn(UniqueFile instance)
{
    std::lock_guard lock(m_threadMutex);
    // Reap connections that have finished, so that a long-running stand-in holds no dead threads.
    for (auto it = m_workers.begin(); it != m_workers.end();)
    {
        if (it->finished)
        {
            it->thread.join();
            it = m_workers.erase(it);
        }
        else
            ++it;
    }
    if (m_stopping)
        return;

    m_workers.emplace_back();
    auto self = std::prev(m_workers.end());
    HANDLE handle = instance.release();
    try
    {
        self->thread = std::thread(
            [this, self, handle]
            {
                Listen(UniqueFile(handle));
                std::lock_guard done(m_threadMutex);
                self->finished = true;
            });
    }
    catch (const std::exception&)
    {
        ::CloseHandle(handle);
        m_workers.erase(self);
        Log(L"! cannot start a thread for a pipe instance");
    }
}

StandInServer::Wait StandInServer::AwaitIo(HANDLE pipe, OVERLAPPED& overlapped, DWORD timeoutMs,
                                           DWORD& bytes) const
{
    const HANDLE events[] = {overlapped.hEvent, m_stopEvent.get()};
    const DWORD signalled = ::WaitForMultipleObjects(2, events, FALSE, timeoutMs);
    if (signalled == WAIT_OBJECT_0)
        return ::GetOverlappedResult(pipe, &overlapped, &bytes, FALSE) ? Wait::Done : Wait::Failed;
    // Cancel and wait for the cancellation, so that the OVERLAPPED is no longer in use when we leave.
    ::CancelIoEx(pipe, &overlapped);
    ::GetOverlappedResult(pipe, &overlapped, &bytes, TRUE);
    return signalled == WAIT_OBJECT_0 + 1 ? Wait::Stopped : Wait::TimedOut;
}

bool StandInServer::AwaitConnection(HANDLE pipe) const
{
    UniqueKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return false;
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event.get();
    if (::ConnectNamedPipe(pipe, &overlapped))
        return true;
    switch (::GetLastError())
    {
    case ERROR_PIPE_CONNECTED:
        return true;
    case ERROR_IO_PENDING:
    {
        DWORD bytes = 0;
        return AwaitIo(pipe, overlapped, INFINITE, bytes) == Wait::Done;
    }
    default:
        return false;
    }
}

bool StandInServer::ReadMessage(HANDLE pipe, std::vector<std::uint8_t>& message) const
{
    UniqueKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return false;
    std::vector<std::uint8_t> chunk(kInstanceBufferBytes);
    for (;;)
    {
        OVERLAPPED overlapped = {};
        overlapped.hEvent = event.get();
        ::ResetEvent(event.get());
        DWORD bytes = 0;
        bool done =
            ::ReadFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &bytes, &overlapped) != FALSE;
        DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
        if (error == ERROR_IO_PENDING)
        {
            const Wait wait = AwaitIo(pipe, overlapped, INFINITE, bytes);
            if (wait == Wait::Stopped || wait == Wait::TimedOut)
                return false;
            done = wait == Wait::Done;
            error = done ? ERROR_SUCCESS : ::GetLastError();
        }
        if (done || error == ERROR_MORE_DATA)
            message.insert(message.end(), chunk.begin(), chunk.begin() + bytes);
        if (done)
            return true;
        if (error != ERROR_MORE_DATA)
            return false;
    }
}

bool StandInServer::WriteMessage(HANDLE pipe, const std::vector<std::uint8_t>& message) const
{
    UniqueKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return false;
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event.get();
    DWORD bytes = 0;
    if (::WriteFile(pipe, message.data(), static_cast<DWORD>(message.size()), &bytes, &overlapped))
        return true;
    if (::GetLastError() != ERROR_IO_PENDING)
        return false;
    return AwaitIo(pipe, overlapped, kClientCloseWaitMs, bytes) == Wait::Done;
}

// Closing our end right after the write could throw the answer away before the library has read
// it; the library closes its end once it has read, which ends this wait.
void StandInServer::AwaitClientClose(HANDLE pipe, DWORD timeoutMs) const
{
    UniqueKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return;
    std::uint8_t sink[512];
    for (;;)
    {
        OVERLAPPED overlapped = {};
        overlapped.hEvent = event.get();
        ::ResetEvent(event.get());
        DWORD bytes = 0;
        if (::ReadFile(pipe, sink, sizeof sink, &bytes, &overlapped))
            continue; // the client wrote more: ignored
        const DWORD error = ::GetLastError();
        if (error == ERROR_MORE_DATA)
            continue;
        if (error != ERROR_IO_PENDING)
            return;
        if (AwaitIo(pipe, overlapped, timeoutMs, bytes) != Wait::Done)
            return;
    }
}

// Peeking reads nothing; it fails once the client has closed its end.
void StandInServer::HoldUnread(HANDLE pipe) const
{
    Log(L"connection accepted, never read");
    while (::WaitForSingleObject(m_stopEvent.get(), kUnreadPollMs) == WAIT_TIMEOUT)
    {
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, nullptr, nullptr))
            break;
    }
    ::DisconnectNamedPipe(pipe);
}

void StandInServer::Listen(UniqueFile instance)
{
    const bool connected = AwaitConnection(instance.get());
    {
        std::lock_guard lock(m_threadMutex);
        if (m_stopping)
            return;
    }
    // The next instance exists before this connection is served, so the pipe is never without a
    // free instance.
    UniqueFile next = CreateInstance(false);
    if (next)
        Spawn(std::move(next));
    else
        Log(L"! cannot create another pipe instance");

    if (!connected)
        return;
    bool neverReads = false;
    {
        std::lock_guard lock(m_threadMutex);
        neverReads = m_neverReads;
    }
    if (neverReads)
        HoldUnread(instance.get());
    else
        Serve(instance.get());
}

Response StandInServer::Decide(const RecordedRequest& recorded) const
{
    Handler handler;
    {
        std::lock_guard lock(m_configMutex);
        if (auto it = m_handlers.find(recorded.request.command);
            recorded.wellFormed && it != m_handlers.end())
            handler = it->second;
        else if (m_defaultHandler)
            handler = m_defaultHandler;
        else
            return m_rules.Answer(recorded.request);
    }
    return handler(recorded);
}

void StandInServer::Serve(HANDLE pipe)
{
    RecordedRequest recorded;
    if (!ReadMessage(pipe, recorded.raw))
        return;
    recorded.wellFormed = DecodeRequest(recorded.raw.data(), recorded.raw.size(), recorded.request);
    Record(recorded);

    Response response;
    try
    {
        response = Decide(recorded);
    }
    catch (...)
    {
        response = Response::Close();
        Log(L"! the handler for " + recorded.request.command + L" threw; closing without reply");
    }
    Log(DescribeRequest(recorded) + L"  ->  " + response.Describe());

    if (response.delayMs != 0 && ::WaitForSingleObject(m_stopEvent.get(), response.delayMs) != WAIT_TIMEOUT)
        return;
    if (response.action == Response::Action::CloseWithoutReply)
    {
        ::DisconnectNamedPipe(pipe);
        return;
    }
    if (response.action == Response::Action::NoAnswer)
    {
        AwaitClientClose(pipe, INFINITE); // ends when the client gives up, or at Stop
        ::DisconnectNamedPipe(pipe);
        return;
    }
    if (!WriteMessage(pipe, response.Encode()))
    {
        Log(L"! the answer could not be written");
        return;
    }
    AwaitClientClose(pipe, kClientCloseWaitMs);
    ::DisconnectNamedPipe(pipe);
}

void StandInServer::Record(const RecordedRequest& recorded)
{
    {
        std::lock_guard lock(m_recordMutex);
        m_requests.push_back(recorded);
    }
    m_recorded.notify_all();
}

void StandInServer::Log(const std::wstring& line) const
{
    LogSink sink;
    {
        std::lock_guard lock(m_configMutex);
        sink = m_logSink;
    }
    if (!sink)
        return;
    std::lock_guard lock(m_logMutex);
    try
    {
        sink(line);
    }
    catch (...)
    {
    }
}

void StandInServer::SetRules(ClientRules rules)
{
    std::lock_guard lock(m_configMutex);
    m_rules = std::move(rules);
}

void StandInServer::SetHandler(const std::wstring& command, Handler handler)
{
    std::lock_guard lock(m_configMutex);
    if (handler)
        m_handlers[command] = std::move(handler);
    else
        m_handlers.erase(command);
}

void StandInServer::SetResponse(const std::wstring& command, Response response)
{
    SetHandler(command, [response](const RecordedRequest&) { return response; });
}

void StandInServer::SetDefaultHandler(Handler handler)
{
    std::lock_guard lock(m_configMutex);
    m_defaultHandler = std::move(handler);
}

void StandInServer::ClearHandlers()
{
    std::lock_guard lock(m_configMutex);
    m_handlers.clear();
    m_defaultHandler = nullptr;
}

void StandInServer::SetLogSink(LogSink sink)
{
    std::lock_guard lock(m_configMutex);
    m_logSink = std::move(sink);
}

std::vector<RecordedRequest> StandInServer::Requests() const
{
    std::lock_guard lock(m_recordMutex);
    return m_requests;
}

std::vector<RecordedRequest> StandInServer::RequestsFor(const std::wstring& command) const
{
    std::lock_guard lock(m_recordMutex);
    std::vector<RecordedRequest> matching;
    for (const RecordedRequest& r : m_requests)
    {
        if (r.wellFormed && r.request.command == command)
            matching.push_back(r);
    }
    return matching;
}

std::size_t StandInServer::RequestCount() const
{
    std::lock_guard lock(m_recordMutex);
    return m_requests.size();
}

void StandInServer::ClearRequests()
{
    std::lock_guard lock(m_recordMutex);
    m_requests.clear();
}

bool StandInServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_recordMutex);
    return m_recorded.wait_for(lock, timeout, [&] { return m_requests.size() >= count; });
}

bool StandInServer::WaitForRequests(const std::wstring& command, std::size_t count,
                                    std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_recordMutex);
    return m_recorded.wait_for(
        lock, timeout,
        [&]
        {
            return static_cast<std::size_t>(std::count_if(
                       m_requests.begin(), m_requests.end(),
                       [&](const auto& r) { return r.wellFormed && r.request.command == command; })) >= count;
        });
}

} // namespace pellicor::standin
