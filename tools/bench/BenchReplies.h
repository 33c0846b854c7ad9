#pragma once
// What the benchmark's servers answer: a path is synced, and the context menu offers three items.
// Both the floor server and the sections that check our answers read them from here.
#include <string>
#include <vector>

namespace pellicor::bench
{

inline const std::vector<std::wstring> kPathStateAnswer = {L"Synced"};
inline const std::vector<std::wstring> kMenuAnswer = {L"2", L"Share link", L"3",
                                                      L"Copy link", L"5", L"Open in the browser"};

} // namespace pellicor::bench
