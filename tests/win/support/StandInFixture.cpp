#include "tests/win/support/StandInFixture.h"

#include <windows.h>

namespace pellicor::test
{

void StandInFixture::SetUp()
{
    std::wstring error;
    ASSERT_TRUE(server.Start(&error)) << ToUtf8(error);
}

void StandInFixture::TearDown()
{
    server.Stop();
}

void StandInFixture::RestartStandIn(bool neverReads)
{
    server.Stop();
    server.ClearHandlers();
    server.ClearRequests();
    server.SetNeverReads(neverReads);
    std::wstring error;
    ASSERT_TRUE(server.Start(&error)) << ToUtf8(error);
}

RequestArguments StandInFixture::ArgumentsOf(const wchar_t* command) const
{
    RequestArguments all;
    for (const auto& recorded : server.RequestsFor(command))
        all.push_back(recorded.request.arguments);
    return all;
}

} // namespace pellicor::test
