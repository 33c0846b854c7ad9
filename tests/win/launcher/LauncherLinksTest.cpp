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

namespace pellicor::test::launcher
{
namespace
{

constexpr const char* kOutsideText = "a file outside the user's folders\r\n";
constexpr std::size_t kRotationBytes = 10485760;

class LauncherLinks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RemoveLogFiles();
        RemoveLauncherRegistration();
    }
    void TearDown() override
    {
        RemoveLogFiles();
        RemoveLauncherRegistration();
        std::printf("link kinds exercised:");
        for (const auto& kind : m_exercised)
            std::printf(" [%s]", kind.c_str());
        std::printf("\n");
    }

    // Runs check once for every kind of link that can be planted here; at least one kind must work.
    template <typename Check> void ForEachKind(const std::vector<LinkKind>& kinds, Check check)
    {
        int planted = 0;
        for (const LinkKind kind : kinds)
        {
            SCOPED_TRACE(LinkKindName(kind));
            if (check(kind))
            {
                ++planted;
                if (std::find(m_exercised.begin(), m_exercised.end(), LinkKindName(kind)) ==
                    m_exercised.end())
                    m_exercised.push_back(LinkKindName(kind));
            }
        }
        EXPECT_GT(planted, 0) << "no kind of link could be planted";
    }

    // The outside file is as it was: not appended to, moved or deleted.
    static void ExpectUntouched(const OutsideFolder& outside, const std::vector<std::wstring>& names)
    {
        EXPECT_EQ(outside.Names(), names) << "something was created, moved or deleted outside";
        for (const auto& name : names)
            EXPECT_EQ(ReadFileBytes(outside.Path(name)), std::string(kOutsideText)) << Utf8(name);
    }

    LauncherFolder folder;
    std::vector<std::string> m_exercised;
};

// Wine has one user: the shell's folders are the test's own.
std::wstring UserFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool HasMessage(const std::string& log, const std::string& message)
{
    return log.find(": " + message + "\r\n") != std::string::npos;
}

void ExpectLeftInPlace(const std::wstring& shortcut)
{
    const auto log = ReadFileBytes(LogFile());
    EXPECT_TRUE(log &&
                HasMessage(*log, "DeleteShortcut: " + Utf8(shortcut) +
                                     " left in place: a link, a junction or a folder outside the user's "
                                     "profile is on its way"))
        << (log ? *log : "no log");
}

TEST_F(LauncherLinks, LogFolderThatIsALinkLosesTheLine)
{
    ForEachKind(FolderLinkKinds(),
                [&](LinkKind kind)
                {
                    OutsideFolder outside;
                    outside.File(L"FileSync.log", kOutsideText);
                    FolderAside aside(LogFolder());
                    const PlantedLink link(kind, LogFolder(), outside.Root(), true);
                    if (!link)
                        return false;
                    EXPECT_EQ(folder.Run(L"/Bogus"), 0u);
                    ExpectUntouched(outside, {L"FileSync.log"});
                    return true;
                });
}

TEST_F(LauncherLinks, LogFileThatIsALinkIsNeitherAppendedToNorCreated)
{
    ::CreateDirectoryW(LogFolder().c_str(), nullptr);
    ForEachKind(FileLinkKinds(),
                [&](LinkKind kind)
                {
                    OutsideFolder outside;
                    const std::wstring target = outside.File(L"target.log", kOutsideText);
                    const PlantedLink link(kind, LogFile(), target, false);
                    if (!link)
                        return false;
                    EXPECT_EQ(folder.Run(L"/Bogus"), 0u);
                    ExpectUntouched(outside, {L"target.log"});
                    if (kind == LinkKind::UnixSymbolicLink)
                    {
                        // A link to a file that does not exist: the file is not made.
                        ::DeleteFileW(target.c_str());
                        EXPECT_EQ(folder.Run(L"/Bogus"), 0u);
                        EXPECT_EQ(outside.Names(), std::vector<std::wstring>{});
                        outside.File(L"target.log", kOutsideText); // so that the link can be seen going
                    }
                    EXPECT_FALSE(ReadFileBytes(ArchiveFile()));
                    return true;
                });
    // Without the link the log takes lines again.
    EXPECT_EQ(folder.Run(L"/Bogus after"), 0u);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"launcher cmdline: /Bogus after"});
}

TEST_F(LauncherLinks, ArchiveThatIsALinkStopsTheRotationAndSaysSo)
{
    ::CreateDirectoryW(LogFolder().c_str(), nullptr);
    ForEachKind({LinkKind::ApiSymbolicLink, LinkKind::UnixSymbolicLink},
                [&](LinkKind kind)
                {
                    OutsideFolder outside;
                    const std::wstring target = outside.File(L"target.log", kOutsideText);
                    const PlantedLink link(kind, ArchiveFile(), target, false);
                    if (!link)
                        return false;
                    // A log already at the rotation size: the next line would move it onto the archive.
                    const std::string full(kRotationBytes, '.');
                    WriteFileBytes(LogFile(), full);
                    EXPECT_EQ(folder.Run(L"/Bogus"), 0u);
                    ExpectUntouched(outside, {L"target.log"});

                    const auto log = ReadFileBytes(LogFile());
                    EXPECT_TRUE(log && log->size() > full.size()) << "the log was moved";
                    if (log)
                    {
                        EXPECT_TRUE(HasMessage(*log, "launcher cmdline: /Bogus"));
                        EXPECT_TRUE(HasMessage(*log, "log not rotated: FileSync.archieve.log is a link, a "
                                                     "junction or a folder"));
                    }
                    RemoveLogFiles();
                    return true;
                });
}

TEST_F(LauncherLinks, ShortcutsBehindALinkStayAndTheLogSaysSo)
{
    const std::wstring links = UserFolder(CSIDL_PROFILE) + L"\\Links";
    const std::wstring sendTo = UserFolder(CSIDL_SENDTO);
    ASSERT_FALSE(sendTo.empty());
    ::CreateDirectoryW(links.c_str(), nullptr);
    ::CreateDirectoryW(sendTo.c_str(), nullptr);

    ForEachKind(FolderLinkKinds(),
                [&](LinkKind kind)
                {
                    OutsideFolder outside;
                    outside.File(L"Drovana.lnk", kOutsideText);
                    FolderAside aside(links);
                    const PlantedLink link(kind, links, outside.Root(), true);
                    if (!link)
                        return false;
                    RemoveLogFiles();
                    EXPECT_EQ(folder.Run(L"/Uninstall"), 0u);
                    ExpectUntouched(outside, {L"Drovana.lnk"});
                    ExpectLeftInPlace(links + L"\\Drovana.lnk");
                    return true;
                });

    ForEachKind({LinkKind::ApiSymbolicLink, LinkKind::UnixSymbolicLink},
                [&](LinkKind kind)
                {
                    OutsideFolder outside;
                    const std::wstring target = outside.File(L"target.lnk", kOutsideText);
                    const std::wstring linked = sendTo + L"\\Drovana.lnk";
                    const PlantedLink link(kind, linked, target, false);
                    if (!link)
                        return false;
                    // The other shortcuts still go.
                    const std::wstring plain = links + L"\\Drovana.lnk";
                    WriteFileBytes(plain, "shortcut");
                    RemoveLogFiles();
                    EXPECT_EQ(folder.Run(L"/Uninstall"), 0u);
                    EXPECT_FALSE(ReadFileBytes(plain)) << "a plain shortcut was left";
                    EXPECT_TRUE(ReadFileBytes(linked)) << "the link itself went";
                    ExpectUntouched(outside, {L"target.lnk"});
                    ExpectLeftInPlace(linked);
                    return true;
                });
}

} // namespace
} // namespace pellicor::test::launcher
