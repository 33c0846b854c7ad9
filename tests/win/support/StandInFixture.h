#pragma once
// The client stand-in serving the real pipe "\\.\pipe\pellicor" inside the test program, for one
// test at a time. Tests set answers per command (server.SetResponse / SetHandler / SetRules) and
// read what the library sent (server.Requests, WaitForRequests).
#include "common/TextConversion.h"
#include "tools/standin/StandInServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellicor::test
{

// The arguments of several requests, one list a request.
using RequestArguments = std::vector<std::vector<std::wstring>>;

class StandInFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // A fresh server with no answers set and no requests recorded; `neverReads` as SetNeverReads.
    void RestartStandIn(bool neverReads = false);
    // The arguments of every request with this command, in the order they came.
    RequestArguments ArgumentsOf(const wchar_t* command) const;
    std::size_t CountOf(const wchar_t* command) const { return server.RequestsFor(command).size(); }

    standin::StandInServer server;
};

} // namespace pellicor::test
