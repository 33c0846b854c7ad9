#pragma once
// The client's pipe and the commands it understands, spelled exactly as the client matches them
// (misspellings included). Portable: no <windows.h>.

namespace pellicor
{

constexpr const wchar_t* kPipeName = L"\\\\.\\pipe\\pellicor";
constexpr unsigned kPipeWaitMilliseconds = 1; // an absent or busy client must not stall Explorer

constexpr const wchar_t* kCommandPathState = L"PathState";
constexpr const wchar_t* kCommandMenuItems = L"MenuItems";
constexpr const wchar_t* kCommandMenuCmd = L"MenuCmd";
constexpr const wchar_t* kCommandNotifyCreatePluginWin = L"NotifyCreatePluginWin";
constexpr const wchar_t* kCommandNotifyWindowResize = L"NotifyWindowResize";
constexpr const wchar_t* kCommandNotifySeletionChanged = L"NotifySeletionChanged";
constexpr const wchar_t* kCommandNotifyWinDowClose = L"NotifyWinDowClose";

constexpr const wchar_t* kStatusOk = L"ok";

} // namespace pellicor
