// The token lookup by image name that process start, registration and shortcut removal share.
#include "launcher/ProcessToken.h"

#include "common/UniqueHandle.h"
#include "tests/win/support/DesktopShell.h"

#include <gtest/gtest.h>

#include <sddl.h>

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

std::wstring UserSid(HANDLE token)
{
    BYTE buffer[256] = {};
    DWORD size = 0;
    wchar_t* text = nullptr;
    if (!::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size) ||
        !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
        return {};
    std::wstring sid = text;
    ::LocalFree(text);
    return sid;
}

// Which Explorer and which processes are chosen is decided natively (tests/host/launcher); under Wine's
// one session and one user the glue must still find the shell, whatever SID the command line gave.
TEST(ProcessToken, TheShellIsFoundInTheOwnSessionWithOrWithoutAGivenUser)
{
    const DWORD shell = pellicor::test::EnsureDesktopShell();
    ASSERT_NE(shell, 0u);
    UniqueKernelHandle own;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.put()));
    const std::wstring ownSid = UserSid(own.get());
    std::wstring lowered = ownSid;
    lowered[0] = L's';
    for (const wchar_t* sid : {ownSid.c_str(), lowered.c_str(), L"S-1-5-21-9-9-9-9999", L"not a SID"})
    {
        UniqueKernelHandle token;
        EXPECT_TRUE(drovana::GetProcessTokenByName(L"explorer.exe", token.put(), sid));
        EXPECT_EQ(UserSid(token.get()), ownSid);
    }
    bool seen = false;
    EXPECT_TRUE(drovana::ForEachProcessInScope(L"explorer.exe",
                                               [&](const PROCESSENTRY32W& entry)
                                               {
                                                   seen = seen || entry.th32ProcessID == shell;
                                                   return true;
                                               }));
    EXPECT_TRUE(seen);
}

// Whether the shell counts is decided natively (tests/host/launcher); under Wine the glue must read the
// facts through the process's handle: the prefix's own Explorer (in the system folder; Wine runs with
// user account control off, so elevated and High) is accepted, a program of the same name elsewhere is
// not, even when it is the only one that opens.
TEST(ProcessToken, OnlyTheSystemsExplorerGivesItsToken)
{
    const DWORD shell = pellicor::test::EnsureDesktopShell();
    ASSERT_NE(shell, 0u);
    const pellicor::test::ExplorerStandIn impostor(L"explorer.exe");
    ASSERT_TRUE(impostor.started());
    UniqueKernelHandle token;
    EXPECT_TRUE(drovana::GetProcessTokenByName(L"explorer.exe", token.put()));
    EXPECT_TRUE(token);

    const pellicor::test::ProcessShield shield(shell, 0);
    ASSERT_TRUE(shield.active());
    EXPECT_TRUE(drovana::GetProcessTokenByName(L"explorer.exe", token.put()));
    EXPECT_FALSE(token);
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
