#include "tests/win/stress/StressSupport.h"

#include "common/UniqueHandle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <thread>
#include <vector>

namespace pellicor::test
{

namespace
{

thread_local HHOOK t_hook = nullptr;
thread_local std::size_t t_closed = 0;

bool IsDialogBox(HWND window)
{
    wchar_t className[16] = {};
    return ::GetClassNameW(window, className, 16) != 0 && ::lstrcmpW(className, L"#32770") == 0;
}

LRESULT CALLBACK CloseBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND)
    {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        const HWND window = reinterpret_cast<HWND>(wParam);
        // The box itself, not its buttons: the answer waits in its queue until its loop runs.
        if ((create->lpcs->style & WS_CHILD) == 0 && IsDialogBox(window))
        {
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            ++t_closed;
        }
    }
    return ::CallNextHookEx(t_hook, code, wParam, lParam);
}

// Kernel handles of this process, and GDI and USER objects where the system counts them.
struct ResourceCounts
{
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
};

// The system's handle table, read for this process's entries: Wine answers GetProcessHandleCount
// with 0, but lists every handle here.
struct SystemHandleEntry
{
    ULONG processId;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleTable
{
    ULONG count;
    SystemHandleEntry entries[1];
};
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);

// This process's entries of the system's handle table; empty when the table cannot be read.
std::vector<USHORT> OwnHandles()
{
    using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return {};
    std::vector<std::uint8_t> buffer(1 << 20);
    for (;;)
    {
        ULONG needed = 0;
        const LONG status =
            query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch && buffer.size() < (1u << 28))
        {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0)
            return {};
        break;
    }
    const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
    const DWORD self = ::GetCurrentProcessId();
    std::vector<USHORT> mine;
    for (ULONG i = 0; i < table->count; ++i)
    {
        if (table->entries[i].processId == self)
            mine.push_back(table->entries[i].handle);
    }
    return mine;
}

// The type or the name of an object, through NtQueryObject; empty when it does not say.
std::wstring ObjectText(HANDLE handle, ULONG informationClass)
{
    using QueryFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    alignas(8) std::uint8_t buffer[2048] = {};
    ULONG needed = 0;
    if (!query || query(handle, informationClass, buffer, sizeof buffer - 2, &needed) != 0)
        return {};
    // Both answers begin with a UNICODE_STRING.
    const auto length = *reinterpret_cast<const USHORT*>(buffer);
    const auto* text = *reinterpret_cast<const wchar_t* const*>(buffer + sizeof(void*));
    return text ? std::wstring(text, length / sizeof(wchar_t)) : std::wstring();
}

ResourceCounts CurrentResourceCounts()
{
    ResourceCounts counts;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &counts.handles) || counts.handles == 0)
        counts.handles = static_cast<DWORD>(OwnHandles().size());
    counts.gdiObjects = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    counts.userObjects = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    return counts;
}

std::string DescribeHandlesOpenedSince(const std::vector<USHORT>& snapshot)
{
    std::string text;
    for (USHORT value : OwnHandles())
    {
        if (std::find(snapshot.begin(), snapshot.end(), value) != snapshot.end())
            continue;
        const HANDLE handle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value));
        const std::wstring type = ObjectText(handle, 2), name = ObjectText(handle, 1);
        char line[600];
        std::snprintf(line, sizeof line, "handle %#x: %ls %ls\n", value, type.c_str(), name.c_str());
        text += line;
    }
    return text;
}

void PrintResourceCounts(const char* run, const ResourceCounts& before, const ResourceCounts& after)
{
    std::printf("%s: handles %lu -> %lu, GDI objects %lu -> %lu, USER objects %lu -> %lu\n", run,
                before.handles, after.handles, before.gdiObjects, after.gdiObjects, before.userObjects,
                after.userObjects);
}

// The client stand-in on the real pipe, stopped and started again every so often while a run goes
// on (never, for a restart interval of 0). Everything it holds, threads, instances, events and
// locks, is gone after Finish, so that a run's resource counts see only the library's.
class RestartingStandIn
{
public:
    RestartingStandIn(standin::Handler handler, unsigned spareInstances, DWORD restartEveryMs);
    ~RestartingStandIn();

    bool Started() const { return m_started; }
    void Finish();
    int Restarts() const { return m_restarts.load(); }
    int FailedStarts() const { return m_failedStarts.load(); }

private:
    std::unique_ptr<standin::StandInServer> m_server;
    UniqueKernelHandle m_done;
    std::thread m_restarter;
    bool m_started = false;
    std::atomic<int> m_restarts{0};
    std::atomic<int> m_failedStarts{0};
};

} // namespace

std::chrono::seconds StressBudget()
{
    constexpr long kDefaultSeconds = 15;
    constexpr long kMostSeconds = 3600;
    wchar_t text[16] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"PELLICOR_STRESS_SECONDS", text, 16);
    if (length == 0 || length >= 16)
        return std::chrono::seconds(kDefaultSeconds);
    wchar_t* end = nullptr;
    const long seconds = std::wcstol(text, &end, 10);
    if (*end != L'\0' || seconds < 1 || seconds > kMostSeconds)
        return std::chrono::seconds(kDefaultSeconds);
    return std::chrono::seconds(seconds);
}

int CallsPerWorker(int perSecond)
{
    return perSecond * static_cast<int>(StressBudget().count());
}

void OnThreads(int threads, const std::function<void(int)>& work)
{
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back(work, t);
    for (std::thread& thread : running)
        thread.join();
}

void RunStress(const char* name, const LibraryUnderTest& library,
               const std::function<void(const Deadline& deadline, bool main)>& round, DWORD spareHandles)
{
    ASSERT_TRUE(library.IsLoaded());
    round(Deadline(std::chrono::seconds(1)), false);
    if (::testing::Test::HasFatalFailure())
        return;
    const ResourceCounts before = CurrentResourceCounts();
    const std::vector<USHORT> handlesBefore = OwnHandles();

    round(Deadline(StressBudget()), true);

    EXPECT_EQ(library.CanUnloadNow(), S_OK);
    const ResourceCounts after = CurrentResourceCounts();
    PrintResourceCounts(name, before, after);
    EXPECT_LE(after.handles, before.handles + spareHandles) << DescribeHandlesOpenedSince(handlesBefore);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
}

StandInRestarts RunStressAgainstStandIn(
    const char* name, const LibraryUnderTest& library, const standin::Handler& decide, DWORD restartEveryMs,
    const std::function<void(int t, const Deadline& deadline, bool main)>& work)
{
    StandInRestarts restarts;
    RunStress(name, library,
              [&](const Deadline& deadline, bool main)
              {
                  RestartingStandIn standIn(decide, kThreads, main ? restartEveryMs : 0);
                  ASSERT_TRUE(standIn.Started());
                  OnThreads(kThreads, [&](int t) { work(t, deadline, main); });
                  standIn.Finish();
                  restarts = {standIn.Restarts(), standIn.FailedStarts()};
              });
    return restarts;
}

std::wstring PathWithAnswer(const wchar_t* prefix, int answer, const std::wstring& rest)
{
    return prefix + std::wstring(1, static_cast<wchar_t>(L'A' + answer)) + rest;
}

int AnswerIn(const std::wstring& path, const wchar_t* prefix)
{
    const std::size_t at = std::char_traits<wchar_t>::length(prefix);
    if (path.size() <= at || path.compare(0, at, prefix) != 0 || path[at] < L'A')
        return -1;
    return path[at] - L'A';
}

BoxCloser::BoxCloser()
    : m_hook(::SetWindowsHookExW(WH_CBT, CloseBoxes, nullptr, ::GetCurrentThreadId()), ::UnhookWindowsHookEx)
{
    t_closed = 0;
    t_hook = m_hook.get();
}

BoxCloser::~BoxCloser()
{
    t_hook = nullptr;
}

std::size_t BoxCloser::Closed() const
{
    return t_closed;
}

RestartingStandIn::RestartingStandIn(standin::Handler handler, unsigned spareInstances, DWORD restartEveryMs)
    : m_server(std::make_unique<standin::StandInServer>()),
      m_done(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    m_server->SetSpareInstances(spareInstances);
    m_server->SetDefaultHandler(std::move(handler));
    m_started = m_server->Start();
    if (!m_started || restartEveryMs == 0)
        return;
    m_restarter = std::thread(
        [this, restartEveryMs]
        {
            while (::WaitForSingleObject(m_done.get(), restartEveryMs) == WAIT_TIMEOUT)
            {
                m_server->Stop();
                // Nobody reads them, and they would pile up over a long run.
                m_server->ClearRequests();
                ::Sleep(5);
                if (m_server->Start())
                    m_restarts.fetch_add(1);
                else
                    m_failedStarts.fetch_add(1);
            }
        });
}

RestartingStandIn::~RestartingStandIn()
{
    Finish();
}

void RestartingStandIn::Finish()
{
    if (m_done)
        ::SetEvent(m_done.get());
    if (m_restarter.joinable())
        m_restarter.join();
    m_server.reset();
    m_done.reset();
}

} // namespace pellicor::test
