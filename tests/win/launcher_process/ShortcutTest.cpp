// Removing the product's shortcuts from the interactive user's Links and SendTo folders.
#include "launcher/ProcessToken.h"
#include "launcher/Shutdown.h"

#include "tests/win/launcher_process/ChildProcess.h"
#include "tests/win/launcher_process/TestLogSink.h"
#include "tests/win/support/DesktopShell.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace
{

using namespace pellicor::test;
using namespace pellicor::test::process;

std::wstring UserFolder(int csidl)
{
    pellicor::UniqueKernelHandle token;
    drovana::GetProcessTokenByName(L"explorer.exe", token.put());
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, token.get(), SHGFP_TYPE_CURRENT, folder)))
        return {};
    return folder;
}

TEST(Shortcuts, TheFourShortcutsGoAndNothingElse)
{
    ASSERT_NE(EnsureDesktopShell(), 0u); // the interactive user is the shell's
    const std::wstring profile = UserFolder(CSIDL_PROFILE);
    const std::wstring sendTo = UserFolder(CSIDL_SENDTO);
    ASSERT_FALSE(profile.empty());
    ASSERT_FALSE(sendTo.empty());
    const std::wstring links = profile + L"\\Links";
    const bool createdLinks = ::CreateDirectoryW(links.c_str(), nullptr) != FALSE;
    ::CreateDirectoryW(sendTo.c_str(), nullptr);

    const std::vector<std::wstring> shortcuts = {
        links + L"\\\u5353\u74e6\u7eb3.lnk", // the product's Chinese name
        links + L"\\Drovana.lnk",
        sendTo + L"\\\u5353\u74e6\u7eb3.lnk",
        sendTo + L"\\Drovana.lnk",
    };
    const std::wstring unrelated = links + L"\\Drovana Notes.lnk";
    for (const auto& path : shortcuts)
        WriteFileBytes(path, "");
    WriteFileBytes(unrelated, "");
    TakeLogLines();

    EXPECT_TRUE(drovana::DeleteShortcut());
    for (const auto& path : shortcuts)
        EXPECT_FALSE(FileExists(path)) << pellicor::ToUtf8(path);
    EXPECT_TRUE(FileExists(unrelated));

    // Nothing left to delete: still no failure and nothing logged.
    EXPECT_TRUE(drovana::DeleteShortcut());
    EXPECT_TRUE(TakeLogLines().empty());

    ::DeleteFileW(unrelated.c_str());
    if (createdLinks)
        ::RemoveDirectoryW(links.c_str());
}

} // namespace
