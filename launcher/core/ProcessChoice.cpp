#include "launcher/core/ProcessChoice.h"

#include <algorithm>

namespace drovana
{

namespace
{
// SIDs are ASCII; only the "S" prefix and hexadecimal authorities carry letters.
bool SameSid(std::wstring_view a, std::wstring_view b)
{
    auto fold = [](wchar_t c)
    { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}
} // namespace

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

std::vector<std::size_t> ShellTokenOrder(std::span<const ProcessFacts> processes, std::uint32_t ownSession,
                                         std::wstring_view preferredSid)
{
    std::vector<std::size_t> order = ProcessesInScope(processes, ownSession);
    if (!preferredSid.empty())
    {
        std::stable_partition(order.begin(), order.end(),
                              [&](std::size_t i) { return SameSid(processes[i].userSid, preferredSid); });
    }
    return order;
}

} // namespace drovana
