// The selection's CF_HDROP block comes from whoever made the data object. Whatever its bytes, the
// reader stays inside them, and the names it gives, written back as the list, are exactly the start
// of the block's list: nothing invented, nothing skipped, each name whole.
#include "shellext/menu/DropFilesReader.h"
#include "tests/fuzz/FuzzInput.h"

#include <algorithm>

using fuzz::Check;

namespace
{

std::wstring Latin1(std::string_view name)
{
    std::wstring out;
    for (char c : name)
        out.push_back(static_cast<unsigned char>(c));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly size bytes, so that AddressSanitizer sees any read past the block.
    const std::vector<std::uint8_t> block(data, data + size);
    const pellicor::DropFilesList list = pellicor::ReadDropFiles(block, Latin1);
    if (list.paths.empty() && !list.cut)
        return 0;

    Check(size >= pellicor::kDropFilesHeaderSize);
    const std::uint32_t offset =
        block[0] | block[1] << 8 | block[2] << 16 | static_cast<std::uint32_t>(block[3]) << 24;
    const bool wide = (block[16] | block[17] | block[18] | block[19]) != 0;
    Check(offset >= pellicor::kDropFilesHeaderSize && offset <= size);

    // The names and their NULs, as the block must hold them from the list's offset on.
    std::vector<std::uint8_t> written;
    const auto put = [&](wchar_t unit)
    {
        written.push_back(static_cast<std::uint8_t>(unit));
        if (wide)
            written.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (const std::wstring& path : list.paths)
    {
        Check(!path.empty());
        for (wchar_t unit : path)
        {
            Check(unit != 0 && static_cast<unsigned>(unit) <= (wide ? 0xFFFFu : 0xFFu));
            put(unit);
        }
        put(0);
    }
    Check(written.size() <= size - offset);
    Check(std::equal(written.begin(), written.end(), block.begin() + offset));

    // What follows the last name: the list's empty name, the block's end, or a name the block cuts.
    const std::size_t unitSize = wide ? 2 : 1;
    const std::size_t after = offset + written.size();
    const std::size_t units = (size - after) / unitSize;
    const auto unitAt = [&](std::size_t i)
    { return wide ? block[after + 2 * i] | block[after + 2 * i + 1] << 8 : block[after + i]; };
    if (list.cut)
    {
        Check(units > 0);
        for (std::size_t i = 0; i < units; ++i)
            Check(unitAt(i) != 0);
    }
    else if (units > 0)
        Check(unitAt(0) == 0);
    return 0;
}
