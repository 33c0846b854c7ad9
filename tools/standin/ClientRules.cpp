#include "tools/standin/ClientRules.h"

#include "shellext/channel/ClientCommands.h"

namespace pellicor::standin
{

namespace
{

wchar_t FoldAsciiCase(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::wstring_view TrimTrailingBackslashes(std::wstring_view path)
{
    while (!path.empty() && path.back() == L'\\')
        path.remove_suffix(1);
    return path;
}

// True when path is prefix itself or lies below it.
bool IsUnder(std::wstring_view path, std::wstring_view prefix)
{
    if (path.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
    {
        if (FoldAsciiCase(path[i]) != FoldAsciiCase(prefix[i]))
            return false;
    }
    return path.size() == prefix.size() || path[prefix.size()] == L'\\' || prefix.empty();
}

std::wstring_view Trim(std::wstring_view s)
{
    while (!s.empty() && (s.front() == L' ' || s.front() == L'\t' || s.front() == L'\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == L' ' || s.back() == L'\t' || s.back() == L'\r'))
        s.remove_suffix(1);
    return s;
}

// Splits off the first blank-separated word of rest.
std::wstring_view NextWord(std::wstring_view& rest)
{
    rest = Trim(rest);
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != L' ' && rest[end] != L'\t')
        ++end;
    std::wstring_view word = rest.substr(0, end);
    rest = Trim(rest.substr(end));
    return word;
}

bool ParseMilliseconds(std::wstring_view text, unsigned& value)
{
    if (text.empty() || text.size() > 7)
        return false;
    value = 0;
    for (wchar_t c : text)
    {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return true;
}

bool ParseReplyRule(std::wstring_view rest, ReplyRule& rule)
{
    std::wstring_view word = NextWord(rest);
    if (word == L"slow")
    {
        if (!ParseMilliseconds(NextWord(rest), rule.delayMs))
            return false;
        word = NextWord(rest);
        if (word.empty())
            return true;
    }
    if (word == L"ok")
        rule.shape = ReplyRule::Shape::Normal;
    else if (word == L"status" && !rest.empty())
    {
        rule.shape = ReplyRule::Shape::Status;
        rule.status = std::wstring(rest);
        rest = {};
    }
    else if (word == L"malformed")
        rule.shape = ReplyRule::Shape::Malformed;
    else if (word == L"truncated")
        rule.shape = ReplyRule::Shape::Truncated;
    else if (word == L"oversized")
        rule.shape = ReplyRule::Shape::Oversized;
    else if (word == L"close")
        rule.shape = ReplyRule::Shape::Close;
    else if (word == L"noanswer")
        rule.shape = ReplyRule::Shape::NoAnswer;
    else
        return false;
    return rest.empty();
}

} // namespace

bool ClientRules::ParseLine(std::wstring_view line, std::wstring& error)
{
    std::wstring_view rest = Trim(line);
    if (rest.empty() || rest.front() == L'#')
        return true;
    const std::wstring_view keyword = NextWord(rest);
    if (keyword == L"state")
    {
        const std::wstring_view word = NextWord(rest);
        if (!word.empty() && !rest.empty())
        {
            AddState(std::wstring(rest), std::wstring(word));
            return true;
        }
    }
    else if (keyword == L"menu")
    {
        const std::wstring_view id = NextWord(rest);
        if (!id.empty() && !rest.empty())
        {
            AddMenuItem(std::wstring(id), std::wstring(rest));
            return true;
        }
    }
    else if (keyword == L"reply")
    {
        const std::wstring_view command = NextWord(rest);
        ReplyRule rule;
        if (!command.empty() && ParseReplyRule(rest, rule))
        {
            SetReplyRule(std::wstring(command), rule);
            return true;
        }
    }
    error = L"not a rule: " + std::wstring(Trim(line));
    return false;
}

bool ClientRules::Parse(std::wstring_view text, std::wstring& error)
{
    std::size_t lineNumber = 0;
    while (!text.empty())
    {
        ++lineNumber;
        const std::size_t end = text.find(L'\n');
        const std::wstring_view line = text.substr(0, end);
        text = end == std::wstring_view::npos ? std::wstring_view{} : text.substr(end + 1);
        if (!ParseLine(line, error))
        {
            error = L"line " + std::to_wstring(lineNumber) + L": " + error;
            return false;
        }
    }
    return true;
}

void ClientRules::AddState(std::wstring prefix, std::wstring word)
{
    // "*" (like a lone backslash) is the empty prefix, under which every path lies.
    if (prefix == L"*")
        prefix.clear();
    m_states.emplace_back(std::wstring(TrimTrailingBackslashes(prefix)), std::move(word));
}

void ClientRules::AddMenuItem(std::wstring id, std::wstring text)
{
    m_menuValues.push_back(std::move(id));
    m_menuValues.push_back(std::move(text));
}

void ClientRules::SetReplyRule(std::wstring command, ReplyRule rule)
{
    m_replyRules[std::move(command)] = std::move(rule);
}

std::wstring ClientRules::StateFor(std::wstring_view path) const
{
    path = TrimTrailingBackslashes(path);
    const std::pair<std::wstring, std::wstring>* best = nullptr;
    for (const auto& state : m_states)
    {
        if (IsUnder(path, state.first) && (best == nullptr || state.first.size() > best->first.size()))
            best = &state;
    }
    return best ? best->second : std::wstring(kNoStateWord);
}

Response ClientRules::Answer(const ClientRequest& request) const
{
    std::vector<std::wstring> values;
    if (request.command == kCommandPathState)
        values.push_back(
            StateFor(request.arguments.empty() ? std::wstring_view{} : request.arguments.front()));
    else if (request.command == kCommandMenuItems)
        values = m_menuValues;

    ReplyRule rule;
    if (auto it = m_replyRules.find(request.command); it != m_replyRules.end())
        rule = it->second;
    else if (auto all = m_replyRules.find(L"*"); all != m_replyRules.end())
        rule = all->second;

    Response response;
    switch (rule.shape)
    {
    case ReplyRule::Shape::Normal:
        response = Response::Ok(std::move(values));
        break;
    case ReplyRule::Shape::Status:
        response = Response::WithStatus(rule.status, std::move(values));
        break;
    case ReplyRule::Shape::Malformed:
        response = Response::Malformed();
        break;
    case ReplyRule::Shape::Truncated:
        response = Response::Truncated(std::move(values));
        break;
    case ReplyRule::Shape::Oversized:
        response = Response::Oversized();
        break;
    case ReplyRule::Shape::Close:
        response = Response::Close();
        break;
    case ReplyRule::Shape::NoAnswer:
        response = Response::NoAnswer();
        break;
    }
    return response.After(rule.delayMs);
}

} // namespace pellicor::standin
