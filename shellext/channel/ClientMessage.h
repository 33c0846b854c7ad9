#pragma once
// The request and reply records exchanged with the running client. Portable: no <windows.h>.
#include "shellext/channel/ClientCommands.h"

#include <string>
#include <vector>

namespace pellicor
{

struct ClientRequest
{
    std::wstring command;
    std::vector<std::wstring> arguments;
};

struct ClientReply
{
    std::wstring status;
    std::vector<std::wstring> values;

    // The only status that means success; "OK", "ok " and the empty status all fail.
    bool IsOk() const { return status == kStatusOk; }
};

} // namespace pellicor
