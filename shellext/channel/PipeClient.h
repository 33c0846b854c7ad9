#pragma once
// The library's side of the client pipe: one connection, one request, one reply per call.
// Explorer calls us on many threads at once; nothing here is shared, cached or locked.
#include "shellext/channel/ClientMessage.h"

#include <windows.h>

#include <string>
#include <vector>

namespace pellicor
{

class IPCClientBase
{
public:
    virtual ~IPCClientBase() = default;
};

// Holds no data; any number may exist at once.
class PipeClient : public IPCClientBase
{
public:
    // True when the request was written and a well-formed reply read and decoded. The status is
    // the command operation's business.
    bool Transact(const ClientRequest& request, ClientReply& reply) const;

    // Each command succeeds only when the transaction did and the status is exactly "ok".
    bool QueryPathState(int kind, const wchar_t* path) const;
    bool QueryMenuItems(const std::vector<std::wstring>& paths, std::vector<std::wstring>& values) const;
    bool SendMenuCommand(const std::vector<std::wstring>& paths, int command, HWND viewWindow) const;
    bool NotifyCreatePluginWin(HWND viewWindow, HWND itemsView, HWND promptDialog,
                               const std::wstring& folder) const;
    bool NotifyWindowResize(HWND viewWindow, HWND itemsView) const;
    bool NotifySeletionChanged(HWND viewWindow, const std::vector<std::wstring>& paths) const;
    bool NotifyWinDowClose(HWND viewWindow) const;
};

} // namespace pellicor
