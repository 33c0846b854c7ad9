// Argument orders of the requests, as the client matches them.
#include "shellext/channel/ClientRequests.h"

#include <gtest/gtest.h>

namespace pellicor::test
{
namespace
{

using Args = std::vector<std::wstring>;

TEST(ClientRequests, CommandsAndArgumentOrders)
{
    const Args paths{L"C:\\S\\a", L"C:\\S\\b"};
    const struct
    {
        ClientRequest request;
        const wchar_t* command;
        Args arguments;
    } cases[] = {
        {MakePathStateRequest(L"C:\\S\\a"), L"PathState", {L"C:\\S\\a"}},
        {MakeMenuItemsRequest(paths), L"MenuItems", paths},
        {MakeMenuCmdRequest(3, 0x1A2B, paths),
         L"MenuCmd",
         {L"3", L"0000000000001A2B", L"C:\\S\\a", L"C:\\S\\b"}},
        {MakeNotifyCreatePluginWinRequest(1, 2, 3, L"C:\\S"),
         L"NotifyCreatePluginWin",
         {L"0000000000000001", L"0000000000000002", L"0000000000000003", L"C:\\S"}},
        {MakeNotifyWindowResizeRequest(0xA, 0xB),
         L"NotifyWindowResize",
         {L"000000000000000A", L"000000000000000B"}},
        {MakeNotifySeletionChangedRequest(0xC, paths),
         L"NotifySeletionChanged",
         {L"000000000000000C", L"C:\\S\\a", L"C:\\S\\b"}},
        {MakeNotifyWinDowCloseRequest(0), L"NotifyWinDowClose", {L"0000000000000000"}},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.request.command, c.command);
        EXPECT_EQ(c.request.arguments, c.arguments)
            << "for " << testing::PrintToString(std::wstring(c.command));
    }
}

TEST(ClientRequests, MenuCmdWithNoSelectionStillCarriesNumberAndWindow)
{
    EXPECT_EQ(MakeMenuCmdRequest(-1, 0, {}).arguments, (Args{L"-1", L"0000000000000000"}));
}

} // namespace
} // namespace pellicor::test
