#include "shellext/channel/ArgumentForms.h"

#include <gtest/gtest.h>

#include <climits>

namespace pellicor::test
{
namespace
{

TEST(ArgumentForms, DecimalFormIsPlainSignedDecimal)
{
    EXPECT_EQ(DecimalForm(0), L"0");
    EXPECT_EQ(DecimalForm(3), L"3");
    EXPECT_EQ(DecimalForm(10), L"10");
    EXPECT_EQ(DecimalForm(-7), L"-7");
    EXPECT_EQ(DecimalForm(INT_MAX), L"2147483647");
    EXPECT_EQ(DecimalForm(INT_MIN), L"-2147483648");
}

TEST(ArgumentForms, HandleFormIsSixteenUpperCaseHexDigits)
{
    EXPECT_EQ(HandleForm(0), L"0000000000000000");
    EXPECT_EQ(HandleForm(0x1A2B), L"0000000000001A2B");
    EXPECT_EQ(HandleForm(0xABCDEF0123456789ull), L"ABCDEF0123456789");
    EXPECT_EQ(HandleForm(UINT64_MAX), L"FFFFFFFFFFFFFFFF");
    // A sign-extended 32-bit handle keeps all its bits.
    EXPECT_EQ(HandleForm(static_cast<std::uint64_t>(static_cast<std::int64_t>(-2))), L"FFFFFFFFFFFFFFFE");
}

} // namespace
} // namespace pellicor::test
