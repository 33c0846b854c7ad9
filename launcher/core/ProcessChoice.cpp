#include "launcher/core/ProcessChoice.h"

#include "launcher/core/UserFolderPath.h"

#include <algorithm>

namespace drovana
{

namespace
{
constexpr std::wstring_view kShellFileName = L"\\explorer.exe";

// SIDs are ASCII; only the "S" prefix and hexadecimal authorities carry letters.
bool SameSid(std::wstring_view a, std::wstring_view b)
{
    auto fold = [](wchar_t c)
    { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; };
    return !a.empty() && a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

// The Windows folder holds the shell; Wine runs its shell from the system folder. Both are the
// administrators' alone.
bool IsSystemsExplorer(std::wstring_view image, const ShellRules& rules)
{
    for (const std::wstring* folder : {&rules.windowsFolder, &rules.systemFolder})
    {
        if (!folder->empty() && !image.empty() &&
            SameReportedPath(image, *folder + std::wstring(kShellFileName)))
            return true;
    }
    return false;
}
} // namespace

ShellVerdict JudgeShell(const ProcessFacts& process, const ShellRules& rules)
{
    if (!IsSystemsExplorer(process.image, rules))
        return ShellVerdict::NotTheSystemsExplorer;
    const bool aboveOrdinary = rules.filteredTokens ? process.elevated || process.integrity >= kHighIntegrity
                                                    : process.integrity >= kSystemIntegrity;
    if (aboveOrdinary)
        return ShellVerdict::AboveOrdinaryRights;
    if (rules.ownSession != 0 &&
        (rules.ownSession == kUnknownSession || process.sessionId != rules.ownSession))
        return ShellVerdict::OtherSession;
    return ShellVerdict::Accepted;
}

std::vector<std::size_t> ProcessesInScope(std::span<const ProcessFacts> processes, std::uint32_t ownSession)
{
    std::vector<std::size_t> own;
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i < processes.size(); ++i)
    {
        all.push_back(i);
        if (ownSession != kUnknownSession && processes[i].sessionId == ownSession)
            own.push_back(i);
    }
    return own.empty() ? all : own;
}

std::vector<std::size_t> ShellTokenOrder(std::span<const ProcessFacts> processes, const ShellRules& rules,
                                         std::wstring_view preferredSid)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < processes.size(); ++i)
    {
        if (JudgeShell(processes[i], rules) == ShellVerdict::Accepted)
            order.push_back(i);
    }
    std::stable_partition(order.begin(), order.end(),
                          [&](std::size_t i) { return SameSid(processes[i].userSid, preferredSid); });
    return order;
}

FilteredTokenChoice ChooseFilteredToken(Elevation launcher, std::optional<std::wstring_view> linkedUserSid,
                                        std::wstring_view explorerUserSid)
{
    if (launcher != Elevation::Full)
        return FilteredTokenChoice::NotElevated;
    if (!linkedUserSid)
        return FilteredTokenChoice::NoLinkedToken;
    // Elevated over the shoulder, the launcher is another account than the signed-in user.
    if (!SameSid(*linkedUserSid, explorerUserSid))
        return FilteredTokenChoice::OtherUser;
    return FilteredTokenChoice::UseLinkedToken;
}

const char* FilteredTokenSkipReason(FilteredTokenChoice choice)
{
    switch (choice)
    {
    case FilteredTokenChoice::UseLinkedToken:
        return "";
    case FilteredTokenChoice::NotElevated:
        return "the launcher does not run elevated, so it has no filtered token";
    case FilteredTokenChoice::NoLinkedToken:
        return "the launcher's filtered token cannot be read";
    case FilteredTokenChoice::OtherUser:
        return "the launcher runs as another user than the signed-in one";
    }
    return "";
}

} // namespace drovana
