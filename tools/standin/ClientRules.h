#pragma once
// The stand-in's answers, from a plain rules file (one rule per line, '#' starts a comment):
//
//   state <Word> <path prefix>        "PathState" answers "ok" and Word for paths under the prefix
//   menu <id> <text>                  "MenuItems" answers "ok" and these pairs, in file order
//   reply <Command|*> <how>           how a command (or every command) is answered, where how is
//                                     [slow <ms>] then ok | status <Word> | malformed | truncated
//                                     | oversized | close   (default: ok)
//
// Prefixes match whole path components, ignoring the case of A-Z only, and the longest matching
// prefix wins; the prefix * matches every path; a path under no prefix gets the word "None". Commands other
// than "PathState" and "MenuItems" are answered "ok" with no values unless a reply rule says otherwise.
// Portable: no <windows.h>.
#include "shellext/channel/ClientMessage.h"
#include "tools/standin/StandInResponse.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pellicor::standin
{

constexpr const wchar_t* kNoStateWord = L"None";

struct ReplyRule
{
    enum class Shape
    {
        Normal,
        Status,
        Malformed,
        Truncated,
        Oversized,
        Close,
        NoAnswer
    };
    Shape shape = Shape::Normal;
    std::wstring status; // Shape::Status
    unsigned delayMs = 0;
};

class ClientRules
{
public:
    // Adds the rules in text. On a bad line, returns false and names the line in error; the lines
    // before it stay added.
    bool Parse(std::wstring_view text, std::wstring& error);
    bool ParseLine(std::wstring_view line, std::wstring& error);

    void AddState(std::wstring prefix, std::wstring word);
    void AddMenuItem(std::wstring id, std::wstring text);
    void SetReplyRule(std::wstring command, ReplyRule rule); // command "*" for every command

    // The state word for path: that of the longest matching prefix, or kNoStateWord.
    std::wstring StateFor(std::wstring_view path) const;

    // The whole answer to a request.
    Response Answer(const ClientRequest& request) const;

    std::size_t StateCount() const { return m_states.size(); }

private:
    std::vector<std::pair<std::wstring, std::wstring>> m_states; // prefix (trimmed), word
    std::vector<std::wstring> m_menuValues;                      // id, text, id, text, ...
    std::map<std::wstring, ReplyRule> m_replyRules;
};

} // namespace pellicor::standin
