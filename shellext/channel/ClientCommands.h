#pragma once
// The client's pipe and the commands it understands, spelled exactly as the client matches them
// (misspellings included). Portable: no <windows.h>.

namespace pellicor
{

constexpr const wchar_t* kPipeName = L"\\\\.\\pipe\\pellicor";
constexpr unsigned kPipeWaitMilliseconds = 1; // an absent or busy client must not stall Explorer

// The write and the read of one transaction share this deadline. A healthy client answers within a
// few milliseconds (in scripts/bench under Wine a median of 2 to 3 ms and a 99th percentile under
// 10 ms on a loaded machine), so only a client that has stopped answering reaches it. It must also stay short: Explorer calls us on its
// window thread, and an event that makes two transactions in a row (an attachment and its selection)
// stays at 2 s, well inside the 5 s after which Explorer treats a window as hung.
constexpr unsigned kTransactionDeadlineMilliseconds = 1000;

constexpr const wchar_t* kCommandPathState = L"PathState";
constexpr const wchar_t* kCommandMenuItems = L"MenuItems";
constexpr const wchar_t* kCommandMenuCmd = L"MenuCmd";
constexpr const wchar_t* kCommandNotifyCreatePluginWin = L"NotifyCreatePluginWin";
constexpr const wchar_t* kCommandNotifyWindowResize = L"NotifyWindowResize";
constexpr const wchar_t* kCommandNotifySeletionChanged = L"NotifySeletionChanged";
constexpr const wchar_t* kCommandNotifyWinDowClose = L"NotifyWinDowClose";

constexpr const wchar_t* kStatusOk = L"ok";

} // namespace pellicor
