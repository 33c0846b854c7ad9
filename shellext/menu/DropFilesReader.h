#pragma once
// Reads the file list of a DROPFILES block (the CF_HDROP format) from its bytes alone, never past
// them: the block comes from whoever made the data object, and nothing promises that its list ends.
// Portable: no <windows.h>.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pellicor
{

// The DROPFILES header: pFiles (offset of the list), pt, fNC, fWide; 20 bytes.
constexpr std::size_t kDropFilesHeaderSize = 20;

struct DropFilesList
{
    std::vector<std::wstring> paths; // in list order
    bool cut = false;                // the block ended inside a name; paths holds the names before it
};

// Names in the system's code page (fWide = 0) are turned into UTF-16 by `narrow`: only the system
// knows that code page.
using NarrowToWide = std::wstring (*)(std::string_view);

// The names up to the list's empty name or the block's end. A header that does not fit, or a list
// offset inside the header or past the block, gives no names.
DropFilesList ReadDropFiles(std::span<const std::uint8_t> block, NarrowToWide narrow);

} // namespace pellicor
