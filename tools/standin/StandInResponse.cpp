#include "tools/standin/StandInResponse.h"

#include "shellext/channel/ClientCommands.h"
#include "shellext/channel/PeerCodec.h"

#include <utility>

namespace pellicor::standin
{

Response Response::Ok(std::vector<std::wstring> values)
{
    return WithStatus(kStatusOk, std::move(values));
}

Response Response::WithStatus(std::wstring status, std::vector<std::wstring> values)
{
    Response r;
    r.reply.status = std::move(status);
    r.reply.values = std::move(values);
    return r;
}

Response Response::Bytes(std::vector<std::uint8_t> bytes)
{
    Response r;
    r.action = Action::Raw;
    r.raw = std::move(bytes);
    return r;
}

Response Response::Close()
{
    Response r;
    r.action = Action::CloseWithoutReply;
    return r;
}

Response Response::NoAnswer()
{
    Response r;
    r.action = Action::NoAnswer;
    return r;
}

Response Response::Malformed()
{
    // Count -1, then two code units that would be "ok".
    return Bytes({0xFF, 0xFF, 0xFF, 0xFF, 'o', 0, 'k', 0});
}

Response Response::Truncated(std::vector<std::wstring> values)
{
    std::vector<std::uint8_t> bytes = Ok(std::move(values)).Encode();
    // Drop the last code unit: the last field's count promises more than follows.
    bytes.resize(bytes.size() - 2);
    return Bytes(std::move(bytes));
}

Response Response::Oversized()
{
    // Five values of 500 units: 20 + 5 * (4 + 1000) bytes, past the library's one 4096-byte read.
    return Ok(std::vector<std::wstring>(5, std::wstring(500, L'x')));
}

std::vector<std::uint8_t> Response::Encode() const
{
    switch (action)
    {
    case Action::Reply:
        return EncodeReply(reply);
    case Action::Raw:
        return raw;
    case Action::CloseWithoutReply:
    case Action::NoAnswer:
        break;
    }
    return {};
}

std::wstring Response::Describe() const
{
    std::wstring text;
    switch (action)
    {
    case Action::Reply:
        text = L"\"" + reply.status + L"\"";
        for (const std::wstring& value : reply.values)
            text += L" \"" + value + L"\"";
        if (text.size() > 200)
            text = text.substr(0, 200) + L"... (" + std::to_wstring(Encode().size()) + L" bytes)";
        break;
    case Action::Raw:
        text = std::to_wstring(raw.size()) + L" raw bytes";
        break;
    case Action::CloseWithoutReply:
        text = L"closed without reply";
        break;
    case Action::NoAnswer:
        text = L"no answer";
        break;
    }
    if (delayMs != 0)
        text += L" after " + std::to_wstring(delayMs) + L" ms";
    return text;
}

} // namespace pellicor::standin
