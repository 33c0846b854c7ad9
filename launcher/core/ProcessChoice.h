#pragma once
// Which processes of one image name the launcher acts on, and whose token starts the client. On a
// machine where several users are signed in, every session has its own Explorer and may have its own
// client: the launcher serves the user of its own session and leaves the others alone. A launcher
// started by a service runs in session 0, where nobody is signed in; it then falls back to every
// session, as before.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace drovana
{

// No session has this id; a process whose session cannot be read carries it and is never "own".
constexpr std::uint32_t kUnknownSession = 0xFFFFFFFF;

// Mandatory integrity levels: the last sub-authority of a token's label.
constexpr std::uint32_t kMediumIntegrity = 0x2000;
constexpr std::uint32_t kHighIntegrity = 0x3000;
constexpr std::uint32_t kSystemIntegrity = 0x4000;

// How a token stands to the administrators' group under user account control: Full is an
// administrator's elevated token and Limited its filtered twin, each linked to the other; Default has
// no twin (a standard user, the system, or no user account control).
enum class Elevation
{
    Unknown,
    Default,
    Full,
    Limited,
};

struct ProcessFacts
{
    std::uint32_t sessionId = kUnknownSession;
    std::wstring userSid; // string form (S-1-5-21-...); empty when the token could not be read
    // Read through the process's own handle, for the shell's candidates only; what cannot be read
    // counts against the process.
    std::wstring image; // full path of the program
    bool elevated = true;
    std::uint32_t integrity = kSystemIntegrity;
};

// What the system says, against which the shell's candidates are judged.
struct ShellRules
{
    std::wstring windowsFolder; // the system's, shared by all users
    std::wstring systemFolder;
    std::uint32_t ownSession = kUnknownSession;
    // User account control is on: the shell of an administrator runs with the filtered token. With it
    // off there is no filtered token, and every program of an administrator runs elevated.
    bool filteredTokens = true;
};

enum class ShellVerdict
{
    Accepted,
    NotTheSystemsExplorer, // another program under the name, wherever it lies
    AboveOrdinaryRights,   // elevated, or above Medium integrity where programs normally run at Medium
    OtherSession,
};

// Whether a process named like the shell is the signed-in user's shell, whose token may start the
// client: the system's own Explorer, with no more than the user's ordinary rights, and in the
// launcher's session unless the launcher runs in session 0.
ShellVerdict JudgeShell(const ProcessFacts& process, const ShellRules& rules);

// Indices, in snapshot order, of the processes a step acts on: those in the launcher's own session
// when that session has any, otherwise all of them.
std::vector<std::size_t> ProcessesInScope(std::span<const ProcessFacts> processes, std::uint32_t ownSession);

// The order in which the Explorers' tokens are tried for the interactive user: the accepted shells,
// those of the given user first when a SID was given (compared without regard to letter case), each
// group in snapshot order.
std::vector<std::size_t> ShellTokenOrder(std::span<const ProcessFacts> processes, const ShellRules& rules,
                                         std::wstring_view preferredSid);

// Whether the launcher may start the client with its own linked (filtered) token: only an elevated
// launcher has one, and only when it is the signed-in user's. The launcher's own elevated token is
// never used, relabelled or not: it keeps the administrators' rights.
enum class FilteredTokenChoice
{
    UseLinkedToken,
    NotElevated,
    NoLinkedToken,
    OtherUser,
};
FilteredTokenChoice ChooseFilteredToken(Elevation launcher, std::optional<std::wstring_view> linkedUserSid,
                                        std::wstring_view explorerUserSid);
// Why the choice skips the way, for the log; empty for UseLinkedToken.
const char* FilteredTokenSkipReason(FilteredTokenChoice choice);

} // namespace drovana
