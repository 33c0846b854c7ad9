#pragma once
// The requests the library sends, with their arguments in the order the client expects them.
// Window handles travel as pointer-sized values in handle form. Portable: no <windows.h>.
#include "shellext/channel/ClientMessage.h"
#include "shellext/channel/WireCodec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellicor
{

ClientRequest MakePathStateRequest(std::wstring path);
ClientRequest MakeMenuItemsRequest(const std::vector<std::wstring>& paths);
ClientRequest MakeMenuCmdRequest(std::int32_t command, std::uint64_t viewWindow,
                                 const std::vector<std::wstring>& paths);
ClientRequest MakeNotifyCreatePluginWinRequest(std::uint64_t viewWindow, std::uint64_t itemsView,
                                               std::uint64_t promptDialog, std::wstring folder);
ClientRequest MakeNotifyWindowResizeRequest(std::uint64_t viewWindow, std::uint64_t itemsView);
ClientRequest MakeNotifySeletionChangedRequest(std::uint64_t viewWindow,
                                               const std::vector<std::wstring>& paths);
ClientRequest MakeNotifyWinDowCloseRequest(std::uint64_t viewWindow);

// The size of a request before its paths, for callers that add paths only while the request can
// still be sent. Every window handle has the same length in handle form, so none is needed here.
RequestSize MenuCmdSizeBeforePaths(std::int32_t command);
RequestSize NotifySeletionChangedSizeBeforePaths();

} // namespace pellicor
