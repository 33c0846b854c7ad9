#include "launcher/core/CommandLine.h"

namespace drovana
{

std::vector<std::string> SplitCommandLine(std::string_view text, char separator)
{
    std::vector<std::string> words;
    std::size_t position = 0;
    while (position < text.size())
    {
        const std::size_t found = text.find(separator, position);
        if (found == std::string_view::npos)
            break;
        words.emplace_back(text.substr(position, found - position));
        position = found + 1;
    }
    if (position < text.size())
        words.emplace_back(text.substr(position));
    return words;
}

CommandWords ModeAndArgument(std::string_view commandLine)
{
    std::vector<std::string> words = SplitCommandLine(commandLine, kCommandLineSeparator);
    CommandWords result;
    if (!words.empty())
        result.mode = std::move(words[0]);
    if (words.size() >= 2)
        result.argument = std::move(words[1]);
    return result;
}

} // namespace drovana
