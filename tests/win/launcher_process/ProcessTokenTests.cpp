// The token lookup by image name that process start, registration and shortcut removal share.
#include "launcher/ProcessToken.h"

#include "common/UniqueHandle.h"
#include "tests/win/support/DesktopShell.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using pellicor::UniqueKernelHandle;

TEST(ProcessToken, FindsTheShellWhateverTheLetterCase)
{
    ASSERT_NE(pellicor::test::EnsureDesktopShell(), 0u); // the session's desktop process is the shell
    for (const wchar_t* name : {L"explorer.exe", L"EXPLORER.EXE", L"Explorer.EXE"})
    {
        UniqueKernelHandle token;
        EXPECT_TRUE(drovana::GetProcessTokenByName(name, token.put())) << name;
        EXPECT_TRUE(token) << name;
        TOKEN_TYPE type{};
        DWORD size = 0;
        EXPECT_TRUE(::GetTokenInformation(token.get(), TokenType, &type, sizeof(type), &size)) << name;
    }
}

TEST(ProcessToken, NoMatchGivesTrueAndANullToken)
{
    HANDLE token = reinterpret_cast<HANDLE>(0x1234); // whatever the caller held is overwritten
    EXPECT_TRUE(drovana::GetProcessTokenByName(L"no-such-program.exe", &token));
    EXPECT_EQ(token, nullptr);

    // A prefix or a longer name is no match: names compare whole.
    EXPECT_TRUE(drovana::GetProcessTokenByName(L"explorer", &token));
    EXPECT_EQ(token, nullptr);
    EXPECT_TRUE(drovana::GetProcessTokenByName(L"explorer.exe.exe", &token));
    EXPECT_EQ(token, nullptr);

    // A name longer than any image name cannot match, and nothing is read or written past a buffer.
    const std::wstring overlong = std::wstring(400, L'x') + L"explorer.exe";
    EXPECT_TRUE(drovana::GetProcessTokenByName(overlong.c_str(), &token));
    EXPECT_EQ(token, nullptr);
}

} // namespace
