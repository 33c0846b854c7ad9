#pragma once
// A pipe server that plays the desktop client on "\\.\pipe\pellicor": for tests (in-process, with
// recorded requests and per-command answers) and for engineers (ClientStandIn.exe).
//
// Like the real client it always keeps a free instance listening, because the library waits only
// 1 ms for one: the next instance is created before a connection is served, and each connection is
// served on a thread of its own, so any number of shell threads can ask at once.
#include "shellext/channel/ClientMessage.h"
#include "tools/standin/ClientRules.h"
#include "tools/standin/StandInResponse.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/UniqueHandle.h"

namespace pellicor::standin
{

struct RecordedRequest
{
    std::vector<std::uint8_t> raw; // exactly the bytes of the request message
    bool wellFormed = false;       // whether raw decodes as a request
    ClientRequest request;         // the decoded fields, embedded NULs kept; empty when not well formed
};

// Decides the answer to one request. Called on the connection's thread; must be thread-safe.
using Handler = std::function<Response(const RecordedRequest&)>;
// Receives one line per request and per problem; called on connection threads, one line at a time.
using LogSink = std::function<void(const std::wstring& line)>;

class StandInServer
{
public:
    StandInServer();
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    // Before Start: the pipe's name (default "\\.\pipe\pellicor") and how many instances listen at
    // rest (default 2, at least 2).
    void SetPipeName(std::wstring name);
    void SetSpareInstances(unsigned count);
    // Before Start: accept every connection and never read from it, like a client whose listening
    // thread still runs while the rest of it has stopped. Its pipe instances then buffer nothing, so
    // even the library's write waits. (A client that reads and never answers: Response::NoAnswer.)
    void SetNeverReads(bool neverReads);

    // False, with the reason in error, when the pipe cannot be created (for example because
    // another server already owns the name).
    bool Start(std::wstring* error = nullptr);
    // Unblocks every listening instance and connection, and joins every thread.
    void Stop();
    bool IsRunning() const;

    // How requests are answered, changeable at any time: the command's handler if it has one,
    // else the default handler, else the rules.
    void SetRules(ClientRules rules);
    void SetHandler(const std::wstring& command, Handler handler); // an empty handler removes it
    void SetResponse(const std::wstring& command, Response response);
    void SetDefaultHandler(Handler handler);
    void ClearHandlers();
    void SetLogSink(LogSink sink);

    // Every request received since the start or the last ClearRequests, in arrival order.
    std::vector<RecordedRequest> Requests() const;
    std::vector<RecordedRequest> RequestsFor(const std::wstring& command) const;
    std::size_t RequestCount() const;
    void ClearRequests();
    // True once at least count requests (of command, when given) have arrived; false on time-out.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    bool WaitForRequests(const std::wstring& command, std::size_t count,
                         std::chrono::milliseconds timeout) const;

private:
    enum class Wait
    {
        Done,
        Failed,
        Stopped,
        TimedOut
    };

    UniqueFile CreateInstance(bool first, DWORD* lastError = nullptr) const;
    void Spawn(UniqueFile instance);
    void Listen(UniqueFile instance);
    void Serve(HANDLE pipe);
    void HoldUnread(HANDLE pipe) const;
    Wait AwaitIo(HANDLE pipe, OVERLAPPED& overlapped, DWORD timeoutMs, DWORD& bytes) const;
    bool AwaitConnection(HANDLE pipe) const;
    bool ReadMessage(HANDLE pipe, std::vector<std::uint8_t>& message) const;
    bool WriteMessage(HANDLE pipe, const std::vector<std::uint8_t>& message) const;
    void AwaitClientClose(HANDLE pipe, DWORD timeoutMs) const;
    Response Decide(const RecordedRequest& recorded) const;
    void Record(const RecordedRequest& recorded);
    void Log(const std::wstring& line) const;

    struct Worker
    {
        std::thread thread;
        bool finished = false;
    };

    std::wstring m_pipeName;
    unsigned m_spares = 2;
    bool m_neverReads = false;
    UniqueKernelHandle m_stopEvent; // manual reset; set while stopping

    mutable std::mutex m_threadMutex; // m_workers, m_running, m_stopping
    std::list<Worker> m_workers;
    bool m_running = false;
    bool m_stopping = false;

    mutable std::mutex m_configMutex;
    ClientRules m_rules;
    std::map<std::wstring, Handler> m_handlers;
    Handler m_defaultHandler;
    LogSink m_logSink;

    mutable std::mutex m_logMutex;

    mutable std::mutex m_recordMutex;
    mutable std::condition_variable m_recorded;
    std::vector<RecordedRequest> m_requests;
};

// One line describing a request for logs: the command and its arguments quoted, or a short hex
// dump when the bytes are not a request.
std::wstring DescribeRequest(const RecordedRequest& recorded);

} // namespace pellicor::standin
