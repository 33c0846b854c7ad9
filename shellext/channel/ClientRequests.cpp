#include "shellext/channel/ClientRequests.h"

#include "shellext/channel/ArgumentForms.h"
#include "shellext/channel/ClientCommands.h"

#include <utility>

namespace pellicor
{

ClientRequest MakePathStateRequest(std::wstring path)
{
    return {kCommandPathState, {std::move(path)}};
}

ClientRequest MakeMenuItemsRequest(const std::vector<std::wstring>& paths)
{
    return {kCommandMenuItems, paths};
}

ClientRequest MakeMenuCmdRequest(std::int32_t command, std::uint64_t viewWindow,
                                 const std::vector<std::wstring>& paths)
{
    ClientRequest request{kCommandMenuCmd, {DecimalForm(command), HandleForm(viewWindow)}};
    request.arguments.insert(request.arguments.end(), paths.begin(), paths.end());
    return request;
}

ClientRequest MakeNotifyCreatePluginWinRequest(std::uint64_t viewWindow, std::uint64_t itemsView,
                                               std::uint64_t promptDialog, std::wstring folder)
{
    return {kCommandNotifyCreatePluginWin,
            {HandleForm(viewWindow), HandleForm(itemsView), HandleForm(promptDialog), std::move(folder)}};
}

ClientRequest MakeNotifyWindowResizeRequest(std::uint64_t viewWindow, std::uint64_t itemsView)
{
    return {kCommandNotifyWindowResize, {HandleForm(viewWindow), HandleForm(itemsView)}};
}

ClientRequest MakeNotifySeletionChangedRequest(std::uint64_t viewWindow,
                                               const std::vector<std::wstring>& paths)
{
    ClientRequest request{kCommandNotifySeletionChanged, {HandleForm(viewWindow)}};
    request.arguments.insert(request.arguments.end(), paths.begin(), paths.end());
    return request;
}

ClientRequest MakeNotifyWinDowCloseRequest(std::uint64_t viewWindow)
{
    return {kCommandNotifyWinDowClose, {HandleForm(viewWindow)}};
}

RequestSize MenuCmdSizeBeforePaths(std::int32_t command)
{
    return RequestSize(kCommandMenuCmd).Add(DecimalForm(command)).Add(HandleForm(0));
}

RequestSize NotifySeletionChangedSizeBeforePaths()
{
    return RequestSize(kCommandNotifySeletionChanged).Add(HandleForm(0));
}

} // namespace pellicor
