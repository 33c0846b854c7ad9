#pragma once
// Wide text as UTF-8, for gtest messages.
#include <string>

namespace pellicor::test
{

std::string Utf8(const std::wstring& text);

} // namespace pellicor::test
