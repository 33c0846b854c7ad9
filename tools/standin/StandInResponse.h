#pragma once
// What the client stand-in does with one request: answer, send chosen bytes, or hang up, possibly
// after a delay. Portable: no <windows.h>.
#include "shellext/channel/ClientMessage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellicor::standin
{

struct Response
{
    enum class Action
    {
        Reply,             // reply, encoded as the client encodes it
        Raw,               // raw, written as is in one write
        CloseWithoutReply, // the connection is closed without a write
        NoAnswer,          // the request was read; nothing is ever written, the connection stays open
    };

    Action action = Action::Reply;
    ClientReply reply;
    std::vector<std::uint8_t> raw;
    unsigned delayMs = 0; // waited before answering: a slow client

    static Response Ok(std::vector<std::wstring> values = {});
    static Response WithStatus(std::wstring status, std::vector<std::wstring> values = {});
    static Response Bytes(std::vector<std::uint8_t> bytes);
    static Response Close();
    // A client that read the request and then stopped: the library's read waits until it gives up.
    static Response NoAnswer();
    // A status field with a negative count.
    static Response Malformed();
    // The reply of Ok(values), cut in the middle of its last field.
    static Response Truncated(std::vector<std::wstring> values = {});
    // A well-formed "ok" reply of more than the 4096 bytes the library reads at once.
    static Response Oversized();

    Response& After(unsigned milliseconds)
    {
        delayMs = milliseconds;
        return *this;
    }

    // The bytes to write; empty for CloseWithoutReply and NoAnswer.
    std::vector<std::uint8_t> Encode() const;
    // One short line for logs: "ok Synced", "malformed", "12 raw bytes", "closed without reply".
    std::wstring Describe() const;
};

} // namespace pellicor::standin
