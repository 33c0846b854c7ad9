#include "tests/win/stress/StressSupport.h"

#include <cstdint>
#include <cstdio>
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

DWORD CountHandlesInSystemTable()
{
    using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return 0;
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
            return 0;
        break;
    }
    const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
    const DWORD self = ::GetCurrentProcessId();
    DWORD mine = 0;
    for (ULONG i = 0; i < table->count; ++i)
        mine += table->entries[i].processId == self ? 1 : 0;
    return mine;
}

} // namespace

ResourceCounts CurrentResourceCounts()
{
    ResourceCounts counts;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &counts.handles) || counts.handles == 0)
        counts.handles = CountHandlesInSystemTable();
    counts.gdiObjects = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    counts.userObjects = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    return counts;
}

void PrintResourceCounts(const char* run, const ResourceCounts& before, const ResourceCounts& after)
{
    std::printf("%s: handles %lu -> %lu, GDI objects %lu -> %lu, USER objects %lu -> %lu\n", run,
                before.handles, after.handles, before.gdiObjects, after.gdiObjects, before.userObjects,
                after.userObjects);
}

BoxCloser::BoxCloser()
{
    t_closed = 0;
    m_hook = ::SetWindowsHookExW(WH_CBT, CloseBoxes, nullptr, ::GetCurrentThreadId());
    t_hook = m_hook;
}

BoxCloser::~BoxCloser()
{
    if (m_hook)
        ::UnhookWindowsHookEx(m_hook);
    t_hook = nullptr;
}

std::size_t BoxCloser::Closed() const
{
    return t_closed;
}

} // namespace pellicor::test
