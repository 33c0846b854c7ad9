// Argument orders of the requests, as the client matches them.
#include "shellext/channel/ClientRequests.h"
#include "shellext/channel/WireCodec.h"

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

// The sizes callers count before sending must be the sizes the encoder writes, up to the last byte
// that fits; past it they only need to stay past it.
TEST(ClientRequests, CountedSizesAreTheEncodedSizes)
{
    const auto encodedSize = [](const ClientRequest& request) -> std::size_t
    {
        std::uint8_t buffer[kPipeBufferSize];
        std::size_t length = 0;
        return EncodeRequest(request, buffer, length) ? length : kPipeBufferSize + 1;
    };
    for (const Args& paths :
         {Args{}, Args{L""}, Args{L"C:\\S\\a", L"C:\\S\\bb"}, Args{std::wstring(2016, L'p')},
          Args{std::wstring(2017, L'p')}, Args{std::wstring(1000, L'x'), std::wstring(1100, L'y')}})
    {
        RequestSize command = MenuCmdSizeBeforePaths(5);
        RequestSize selection = NotifySeletionChangedSizeBeforePaths();
        for (const std::wstring& path : paths)
        {
            command.Add(path);
            selection.Add(path);
        }
        EXPECT_EQ(command.Bytes(), encodedSize(MakeMenuCmdRequest(5, 0xFFFFFFFFFFFFFFFF, paths)));
        EXPECT_EQ(selection.Bytes(), encodedSize(MakeNotifySeletionChangedRequest(0x1234, paths)));
        EXPECT_EQ(command.Fits(), command.Bytes() <= kPipeBufferSize);
    }
    // One path of 2016 units makes "MenuCmd" exactly one buffer: 18 + 6 + 36 + 4 + 2 x 2016.
    EXPECT_EQ(MenuCmdSizeBeforePaths(5).Add(std::wstring(2016, L'p')).Bytes(), kPipeBufferSize);
    RequestSize past = MenuCmdSizeBeforePaths(5);
    for (int i = 0; i < 5; ++i)
        past.Add(std::wstring(2000, L'p'));
    EXPECT_FALSE(past.Fits());
    EXPECT_EQ(past.Bytes(), kPipeBufferSize + 1);
}

} // namespace
} // namespace pellicor::test
