#pragma once
// The requests the library sends, with their arguments in the order the client expects them.
// Window handles travel as pointer-sized values in handle form. Portable: no <windows.h>.
#include "shellext/channel/ClientMessage.h"

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

} // namespace pellicor
