// The elevated launcher holds the user's folders open while it works in them, but a held folder can
// still be replaced: Windows lets it become a mount point, and Wine lets the Unix side rename it.
// Between holding the folders and creating a folder or a file in them, the test swaps the parent for a
// Unix symbolic link to a folder outside: nothing is made there, and the log says what was refused.
#include "launcher/UserFolder.h"

#include "common/TextConversion.h"
#include "tests/win/launcher/PlantedLinks.h"
#include "tests/win/launcher_process/TestLogSink.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace
{

using namespace pellicor::test;
using namespace pellicor::test::launcher;
using drovana::UserPathStatus;
using pellicor::test::process::TakeLogLines;
using Lines = std::vector<std::string>;

std::string RefusedLine(const std::wstring& path)
{
    return "refused " + pellicor::ToUtf8(path) +
           ": it was made behind a link, a junction or a mount point, and is removed again";
}

TEST(UserFolderCreate, NothingIsMadeThroughALinkPlantedAfterTheCheck)
{
    const TempFolder profile; // stands for the user's profile
    const std::wstring roaming = profile.Folder(L"Roaming");
    const OutsideFolder outside;
    TakeLogLines();

    // A missing folder is made once its parents are held.
    {
        std::optional<FolderAside> aside;
        std::optional<PlantedLink> link;
        const drovana::UserFolder folder(profile.Root(), roaming + L"\\Pellicor", true,
                                         [&]
                                         {
                                             aside.emplace(roaming, true);
                                             link.emplace(LinkKind::UnixSymbolicLink, roaming, outside.Root(),
                                                          true);
                                         });
        ASSERT_TRUE(link && *link) << "the link could not be planted";
        EXPECT_EQ(folder.status(), UserPathStatus::Refused);
        EXPECT_EQ(outside.Names(), std::vector<std::wstring>{});
        EXPECT_EQ(TakeLogLines(), Lines{RefusedLine(roaming + L"\\Pellicor")});
    }

    // A missing file is made in a folder that is held already.
    const drovana::UserFolder folder(profile.Root(), roaming, false);
    ASSERT_EQ(folder.status(), UserPathStatus::Open);
    const FolderAside aside(roaming, true);
    const PlantedLink link(LinkKind::UnixSymbolicLink, roaming, outside.Root(), true);
    ASSERT_TRUE(link);
    const drovana::UserFile file =
        folder.OpenFile(L"FileSync.log", FILE_APPEND_DATA, 0, drovana::UserFolder::Create::IfMissing, true);
    EXPECT_EQ(file.status, UserPathStatus::Refused);
    EXPECT_EQ(outside.Names(), std::vector<std::wstring>{});
    EXPECT_EQ(TakeLogLines(), Lines{RefusedLine(roaming + L"\\FileSync.log")});
}

} // namespace
