#pragma once
// The launcher's command line stays a byte string: only the separator cuts it, so tabs, quotes and
// the platform's argument rules mean nothing here. Installers pass "<mode> <SID>" and rely on that.
#include <string>
#include <string_view>
#include <vector>

namespace drovana
{

constexpr char kCommandLineSeparator = ' ';

// Cuts text at every separator: two adjacent separators give an empty word, a leading separator an
// empty first word, a trailing separator no word, an empty text no words at all.
std::vector<std::string> SplitCommandLine(std::string_view text, char separator);

// The first and second words, or empty strings where there are fewer words.
struct CommandWords
{
    std::string mode;
    std::string argument;
};
CommandWords ModeAndArgument(std::string_view commandLine);

} // namespace drovana
