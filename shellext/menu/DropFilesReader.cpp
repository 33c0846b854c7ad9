#include "shellext/menu/DropFilesReader.h"

namespace pellicor
{

namespace
{

constexpr std::size_t kListOffsetAt = 0;
constexpr std::size_t kWideFlagAt = 16;

std::uint32_t ReadUint32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// Splits `list` into names of `Unit`; a name ends at a NUL unit, the list at an empty name.
template <typename Unit, typename Convert>
void ReadNames(std::span<const std::uint8_t> list, DropFilesList& out, Convert&& convert)
{
    const std::size_t units = list.size() / sizeof(Unit);
    std::basic_string<Unit> name;
    for (std::size_t i = 0; i < units; ++i)
    {
        Unit unit = 0;
        for (std::size_t b = 0; b < sizeof(Unit); ++b)
            unit = static_cast<Unit>(unit | static_cast<Unit>(list[i * sizeof(Unit) + b]) << (8 * b));
        if (unit != 0)
        {
            name.push_back(unit);
            continue;
        }
        if (name.empty())
            return;
        out.paths.push_back(convert(name));
        name.clear();
    }
    out.cut = !name.empty();
}

} // namespace

DropFilesList ReadDropFiles(std::span<const std::uint8_t> block, NarrowToWide narrow)
{
    DropFilesList out;
    if (block.size() < kDropFilesHeaderSize)
        return out;
    const std::uint32_t listOffset = ReadUint32(block, kListOffsetAt);
    if (listOffset < kDropFilesHeaderSize || listOffset > block.size())
        return out;
    const std::span<const std::uint8_t> list = block.subspan(listOffset);
    if (ReadUint32(block, kWideFlagAt) != 0)
    {
        ReadNames<char16_t>(
            list, out, [](const std::u16string& name) { return std::wstring(name.begin(), name.end()); });
    }
    else if (narrow)
    {
        ReadNames<char>(list, out, [narrow](const std::string& name) { return narrow(name); });
    }
    return out;
}

} // namespace pellicor
