// The file list of a CF_HDROP block, read within the block whatever its bytes say.
#include "shellext/menu/DropFilesReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellicor::test
{
namespace
{

using Bytes = std::vector<std::uint8_t>;
using Paths = std::vector<std::wstring>;

void PutUint32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A header with the list right behind it, then `list` as it is given.
Bytes Block(bool wide, const Bytes& list, std::uint32_t listOffset = kDropFilesHeaderSize)
{
    Bytes block(kDropFilesHeaderSize, 0);
    PutUint32(block, 0, listOffset);
    PutUint32(block, 16, wide ? 1 : 0);
    block.insert(block.end(), list.begin(), list.end());
    return block;
}

Bytes WideList(const std::wstring& units)
{
    Bytes bytes;
    for (wchar_t unit : units)
    {
        bytes.push_back(static_cast<std::uint8_t>(unit));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

// The system's code page, as far as these tests need one: bytes as Latin-1.
std::wstring Latin1(std::string_view name)
{
    std::wstring wide;
    for (char c : name)
        wide.push_back(static_cast<unsigned char>(c));
    return wide;
}

DropFilesList Read(const Bytes& block)
{
    return ReadDropFiles(block, Latin1);
}

TEST(DropFilesReader, WideAndNarrowListsEndAtTheEmptyName)
{
    using namespace std::string_literals;
    const DropFilesList wide = Read(Block(true, WideList(L"C:\\a\0D:\\\u5353 b\0\0C:\\ignored\0\0"s)));
    EXPECT_EQ(wide.paths, (Paths{L"C:\\a", L"D:\\\u5353 b"}));
    EXPECT_FALSE(wide.cut);

    const std::string narrow = "C:\\x\0C:\\\xE9t\xE9\0\0"s;
    const DropFilesList fromNarrow = Read(Block(false, Bytes(narrow.begin(), narrow.end())));
    EXPECT_EQ(fromNarrow.paths, (Paths{L"C:\\x", L"C:\\\u00E9t\u00E9"}));

    EXPECT_TRUE(Read(Block(true, WideList(std::wstring(1, L'\0')))).paths.empty()) << "a list of no file";
    Bytes gap(8, 0xEE);
    const Bytes farList = WideList(L"C:\\far\0\0"s);
    gap.insert(gap.end(), farList.begin(), farList.end());
    const DropFilesList far = Read(Block(true, gap, 28));
    EXPECT_EQ(far.paths, (Paths{L"C:\\far"})) << "the list starts where the header says";
}

TEST(DropFilesReader, ListsThatRunToTheBlocksEndAreCutThere)
{
    using namespace std::string_literals;
    // The last name has no NUL: the names before it are all that can be read.
    const DropFilesList cut = Read(Block(true, WideList(L"C:\\a\0C:\\unterminated"s)));
    EXPECT_EQ(cut.paths, (Paths{L"C:\\a"}));
    EXPECT_TRUE(cut.cut);

    // The final empty name missing: the list ends with the block.
    const DropFilesList unended = Read(Block(true, WideList(L"C:\\a\0"s)));
    EXPECT_EQ(unended.paths, (Paths{L"C:\\a"}));
    EXPECT_FALSE(unended.cut);

    // An odd byte at the end is half a unit.
    Bytes odd = WideList(L"C:\\a"s);
    odd.push_back('b');
    EXPECT_TRUE(Read(Block(true, odd)).cut);
}

TEST(DropFilesReader, BrokenHeadersGiveNoNames)
{
    const Bytes list = WideList(std::wstring(L"C:\\a\0\0", 6));
    for (const Bytes& block : {Bytes{}, Bytes(kDropFilesHeaderSize - 1, 0), Block(true, list, 4),
                               Block(true, list, kDropFilesHeaderSize + 13), Block(true, list, 0xFFFFFFFF)})
    {
        const DropFilesList read = Read(block);
        EXPECT_TRUE(read.paths.empty()) << block.size() << " bytes";
        EXPECT_FALSE(read.cut);
    }
    EXPECT_TRUE(ReadDropFiles(Block(false, Bytes{'C', 0, 0}), nullptr).paths.empty())
        << "narrow names need a converter";
}

} // namespace
} // namespace pellicor::test
