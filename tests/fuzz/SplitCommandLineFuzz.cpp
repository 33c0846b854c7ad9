// The launcher cuts its command line with SplitCommandLine and nothing else, so every byte string
// must split into words that join back into the text: only the separator cuts, and a trailing
// separator adds no word.
#include "launcher/core/CommandLine.h"
#include "tests/fuzz/FuzzInput.h"

#include <string_view>

using fuzz::Check;

namespace
{
void CheckSplit(std::string_view text, char separator)
{
    const std::vector<std::string> words = drovana::SplitCommandLine(text, separator);

    std::string joined;
    for (std::size_t i = 0; i < words.size(); ++i)
    {
        Check(words[i].find(separator) == std::string::npos);
        if (i != 0)
            joined += separator;
        joined += words[i];
    }
    std::string_view expected = text;
    if (!expected.empty() && expected.back() == separator)
        expected.remove_suffix(1);
    Check(joined == expected);
    // No words only for the empty text.
    Check(words.empty() == text.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    // What the launcher does: one space separates.
    CheckSplit(text, drovana::kCommandLineSeparator);
    const drovana::CommandWords command = drovana::ModeAndArgument(text);
    const std::vector<std::string> words = drovana::SplitCommandLine(text, drovana::kCommandLineSeparator);
    Check(command.mode == (words.size() > 0 ? words[0] : std::string()));
    Check(command.argument == (words.size() > 1 ? words[1] : std::string()));

    // The splitting itself, for any separator: the first byte chooses it.
    if (size > 0)
        CheckSplit(std::string_view(text).substr(1), text[0]);
    return 0;
}
