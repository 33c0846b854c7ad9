// The file list of a CF_HDROP block, read within the block whatever its bytes say.
#include "shellext/menu/DropFilesReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellicor::test
{
namespace
{

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;
using Paths = std::vector<std::wstring>;

// A header naming `offset` as the list's start, filler up to it, then the list's units: two bytes
// each when wide, one otherwise.
Bytes Block(bool wide, const std::wstring& list, std::uint32_t offset = kDropFilesHeaderSize)
{
    Bytes block(kDropFilesHeaderSize, 0);
    for (int i = 0; i < 4; ++i)
        block[i] = static_cast<std::uint8_t>(offset >> (8 * i));
    block[16] = wide ? 1 : 0;
    if (offset > kDropFilesHeaderSize && offset < 64)
        block.resize(offset, 0xEE);
    for (wchar_t unit : list)
    {
        block.push_back(static_cast<std::uint8_t>(unit));
        if (wide)
            block.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return block;
}

// The system's code page as far as these tests need one: bytes as Latin-1.
std::wstring Latin1(std::string_view name)
{
    std::wstring wide;
    for (char c : name)
        wide.push_back(static_cast<unsigned char>(c));
    return wide;
}

TEST(DropFilesReader, NamesUpToTheListsEndOrTheBlocksEnd)
{
    Bytes odd = Block(true, L"C:\\a"s);
    odd.push_back('b'); // half a unit
    const struct
    {
        const char* what;
        Bytes block;
        Paths paths;
        bool cut;
    } cases[] = {
        {"wide",
         Block(true, L"C:\\a\0D:\\\u5353 b\0\0C:\\after the end\0\0"s),
         {L"C:\\a", L"D:\\\u5353 b"},
         false},
        {"narrow", Block(false, L"C:\\x\0C:\\\u00E9t\u00E9\0\0"s), {L"C:\\x", L"C:\\\u00E9t\u00E9"}, false},
        {"no file", Block(true, L"\0"s), {}, false},
        {"a gap before the list", Block(true, L"C:\\far\0\0"s, 28), {L"C:\\far"}, false},
        {"no final empty name", Block(true, L"C:\\a\0"s), {L"C:\\a"}, false},
        {"a name cut by the end", Block(true, L"C:\\a\0C:\\unterminated"s), {L"C:\\a"}, true},
        {"half a unit at the end", odd, {}, true},
        {"no room for the header", Bytes(kDropFilesHeaderSize - 1, 0), {}, false},
        {"the list inside the header", Block(true, L"C:\\a\0\0"s, 4), {}, false},
        {"the list past the block", Block(true, L"C:\\a\0\0"s, 4096), {}, false},
    };
    for (const auto& c : cases)
    {
        const DropFilesList read = ReadDropFiles(c.block, Latin1);
        EXPECT_EQ(read.paths, c.paths) << c.what;
        EXPECT_EQ(read.cut, c.cut) << c.what;
    }
    EXPECT_TRUE(ReadDropFiles(Block(false, L"C:\\x\0\0"s), nullptr).paths.empty())
        << "narrow names need a converter";
}

} // namespace
} // namespace pellicor::test
