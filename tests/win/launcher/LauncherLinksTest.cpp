// The launcher runs elevated while the log folder and the Links and SendTo folders belong to a user
// who may plant links in them. With a link at the log folder, the log, the archive, the Links folder
// or a shortcut, nothing outside the user's folders is created, appended to, moved or deleted, and
// the log says so where the log itself is not what was linked.
#include "tests/win/launcher/LauncherHarness.h"
#include "tests/win/launcher/PlantedLinks.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace pellicor::test::launcher
{
namespace
{

constexpr const char* kOutsideText = "a file outside the user's folders\r\n";
constexpr std::size_t kRotationBytes = 10485760;

class LauncherLinks : public LauncherTest
{
protected:
    void TearDown() override
    {
        LauncherTest::TearDown();
        std::printf("link kinds exercised:");
        for (const auto& kind : m_exercised)
            std::printf(" [%s]", kind.c_str());
        std::printf("\n");
    }

    // Runs check once for every kind of link that can be planted at `at`, pointing at a folder outside
    // the user's folders (what stood at `at` is moved aside) or at a file in it. The folder holds
    // outsideName, which must stay as it is: not appended to, moved or deleted. At least one kind must
    // work.
    template <typename Check>
    void ForEachLink(const std::vector<LinkKind>& kinds, const std::wstring& at, bool toFolder,
                     const std::wstring& outsideName, Check check)
    {
        int planted = 0;
        for (const LinkKind kind : kinds)
        {
            SCOPED_TRACE(LinkKindName(kind));
            OutsideFolder outside;
            const std::wstring target = outside.File(outsideName, kOutsideText);
            std::optional<FolderAside> aside;
            if (toFolder)
                aside.emplace(at);
            const PlantedLink link(kind, at, toFolder ? outside.Root() : target, toFolder);
            if (!link)
                continue;
            ++planted;
            if (std::find(m_exercised.begin(), m_exercised.end(), LinkKindName(kind)) == m_exercised.end())
                m_exercised.push_back(LinkKindName(kind));
            check(kind, outside);
            ExpectUntouched(outside, outsideName);
        }
        EXPECT_GT(planted, 0) << "no kind of link could be planted";
    }

    static void ExpectUntouched(const OutsideFolder& outside, const std::wstring& name)
    {
        EXPECT_EQ(outside.Names(), std::vector<std::wstring>{name})
            << "something was created, moved or deleted outside";
        EXPECT_EQ(ReadFileBytes(outside.Path(name)), std::string(kOutsideText)) << ToUtf8(name);
    }

    std::vector<std::string> m_exercised;
};

bool HasMessage(const std::string& log, const std::string& message)
{
    return log.find(": " + message + "\r\n") != std::string::npos;
}

void ExpectLeftInPlace(const std::wstring& shortcut)
{
    const auto log = ReadFileBytes(LogFile());
    EXPECT_TRUE(log &&
                HasMessage(*log, "DeleteShortcut: " + ToUtf8(shortcut) +
                                     " left in place: a link, a junction or a folder outside the user's "
                                     "profile is on its way"))
        << (log ? *log : "no log");
}

TEST_F(LauncherLinks, LogFolderThatIsALinkLosesTheLine)
{
    ForEachLink(kSymbolicLinkKinds, LogFolder(), true, L"FileSync.log",
                [&](LinkKind, const OutsideFolder&) { EXPECT_EQ(folder.Run(L"/Bogus"), 0u); });
}

TEST_F(LauncherLinks, LogFileThatIsALinkIsNeitherAppendedToNorCreated)
{
    ::CreateDirectoryW(LogFolder().c_str(), nullptr);
    ForEachLink(kFileLinkKinds, LogFile(), false, L"target.log",
                [&](LinkKind kind, const OutsideFolder& outside)
                {
                    EXPECT_EQ(folder.Run(L"/Bogus"), 0u);
                    if (kind == LinkKind::UnixSymbolicLink)
                    {
                        // A link to a file that does not exist: the file is not made.
                        ExpectUntouched(outside, L"target.log");
                        ::DeleteFileW(outside.Path(L"target.log").c_str());
                        EXPECT_EQ(folder.Run(L"/Bogus"), 0u);
                        EXPECT_EQ(outside.Names(), std::vector<std::wstring>{});
                        outside.File(L"target.log", kOutsideText); // so that the link can be seen going
                    }
                    EXPECT_FALSE(ReadFileBytes(ArchiveFile()));
                });
    // Without the link the log takes lines again.
    EXPECT_EQ(folder.Run(L"/Bogus after"), 0u);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"launcher cmdline: /Bogus after"});
}

TEST_F(LauncherLinks, ArchiveThatIsALinkStopsTheRotationAndSaysSo)
{
    ::CreateDirectoryW(LogFolder().c_str(), nullptr);
    ForEachLink(kSymbolicLinkKinds, ArchiveFile(), false, L"target.log",
                [&](LinkKind, const OutsideFolder&)
                {
                    // A log already at the rotation size: the next line would move it onto the archive.
                    const std::string full(kRotationBytes, '.');
                    WriteFileBytes(LogFile(), full);
                    EXPECT_EQ(folder.Run(L"/Bogus"), 0u);
                    const auto log = ReadFileBytes(LogFile()).value_or("");
                    EXPECT_GT(log.size(), full.size()) << "the log was moved";
                    EXPECT_TRUE(HasMessage(log, "launcher cmdline: /Bogus"));
                    EXPECT_TRUE(HasMessage(log, "log not rotated: FileSync.archieve.log is a link, a "
                                                "junction or a folder"));
                });
}

TEST_F(LauncherLinks, ShortcutsBehindALinkStayAndTheLogSaysSo)
{
    const std::wstring links = ShellFolder(CSIDL_PROFILE) + L"\\Links";
    const std::wstring sendTo = ShellFolder(CSIDL_SENDTO);
    ASSERT_FALSE(sendTo.empty());
    ::CreateDirectoryW(links.c_str(), nullptr);
    ::CreateDirectoryW(sendTo.c_str(), nullptr);

    ForEachLink(kSymbolicLinkKinds, links, true, L"Drovana.lnk",
                [&](LinkKind, const OutsideFolder&)
                {
                    RemoveLogFiles();
                    EXPECT_EQ(folder.Run(L"/Uninstall"), 0u);
                    ExpectLeftInPlace(links + L"\\Drovana.lnk");
                });

    const std::wstring linked = sendTo + L"\\Drovana.lnk";
    ForEachLink(kSymbolicLinkKinds, linked, false, L"target.lnk",
                [&](LinkKind, const OutsideFolder&)
                {
                    // The other shortcuts still go.
                    const std::wstring plain = links + L"\\Drovana.lnk";
                    WriteFileBytes(plain, "shortcut");
                    RemoveLogFiles();
                    EXPECT_EQ(folder.Run(L"/Uninstall"), 0u);
                    EXPECT_FALSE(ReadFileBytes(plain)) << "a plain shortcut was left";
                    EXPECT_TRUE(ReadFileBytes(linked)) << "the link itself went";
                    ExpectLeftInPlace(linked);
                });
}

} // namespace
} // namespace pellicor::test::launcher
