// The copy hook driven through the real library, as Explorer drives it: real folders and markers,
// the real registry, and the real warning box, read and closed by a watcher thread.
#include "common/ComPtr.h"
#include "tests/win/guard/MarkerFiles.h"
#include "tests/win/guard/NotCapturesKey.h"
#include "tests/win/support/LibraryUnderTest.h"
#include "tests/win/support/MessageBoxWatcher.h"
#include "tests/win/support/Processes.h"
#include "tests/win/support/ShellClassIds.h"
#include "tests/win/support/TestPaths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

namespace pellicor::test
{
namespace
{

constexpr wchar_t kEnglishCaption[] = L"Drovana Prompt";
constexpr wchar_t kChineseCaption[] = L"卓瓦纳提示";

// The exemption case runs in a copy of this program named DROVANA.EXE; these tell it where to look.
constexpr wchar_t kBinFolderVariable[] = L"PELLICOR_GUARD_BIN";
constexpr wchar_t kSyncFolderVariable[] = L"PELLICOR_GUARD_SYNC";
constexpr wchar_t kDoneFileVariable[] = L"PELLICOR_GUARD_DONE";

// The library loaded from a folder, and one copy hook object made by its class object.
class CopyHook
{
public:
    explicit CopyHook(const std::wstring& binFolder) : m_library(binFolder)
    {
        m_library.CreateObject(kClsidCopyHook, IID_ICopyHookW, m_hook.put_void());
    }

    bool Ready() const { return static_cast<bool>(m_hook); }
    UINT Call(UINT func, const wchar_t* source, const wchar_t* destination = L"", UINT flags = 0,
              HWND owner = nullptr)
    {
        return m_hook->CopyCallback(owner, func, flags, source, 0, destination, 0);
    }

private:
    LibraryUnderTest m_library;
    ComPtr<ICopyHookW> m_hook; // released before the library goes
};

// A signed-in client with a real sync folder and its two system folders.
class CopyHookTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(hook.Ready()) << "the library's copy hook could not be created";
        settings.SignIn(sync);
    }

    UINT Call(UINT func, const std::wstring& source, const std::wstring& destination = L"", UINT flags = 0)
    {
        return hook.Call(func, source.c_str(), destination.c_str(), flags);
    }

    // The one box the last refused call showed.
    SeenMessageBox OnlyBox()
    {
        const auto seen = watcher.Seen();
        EXPECT_EQ(seen.size(), 1u);
        watcher.Clear();
        return seen.empty() ? SeenMessageBox{} : seen.front();
    }

    ClientSettingsKey settings;
    TempFolder tree;
    const std::wstring sync = tree.Folder(L"Sync");
    const std::wstring shares = tree.Folder(L"Sync\\收到的共享");
    const std::wstring company = tree.Folder(L"Sync\\公司文件");
    const std::wstring outside = tree.Folder(L"Outside");
    MessageBoxWatcher watcher;
    CopyHook hook{BinFolder()};
};

TEST_F(CopyHookTest, EveryDecisionLeavesTheListKeyBehind)
{
    ASSERT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kListKey));
    EXPECT_EQ(Call(FO_COPY, outside, sync + L"\\Outside"), IDYES);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kListKey));

    DeleteRegKey(HKEY_CURRENT_USER, kListKey);
    EXPECT_EQ(Call(0x77, sync), IDYES) << "an unknown operation is allowed, after the list was loaded";
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kListKey));
    EXPECT_EQ(watcher.Count(), 0u);
}

// Row order where two rows hold, with the change flag lowered by the rows that ask the list.
TEST_F(CopyHookTest, ListedFoldersAndRowOrder)
{
    SetListValue(sync, L"");
    SetListValue(shares, L"");
    SetListValue(L"", L"1");

    EXPECT_EQ(Call(FO_MOVE, sync, outside + L"\\Sync"), IDYES);
    EXPECT_EQ(ListFlag(), L"0");
    EXPECT_EQ(watcher.Count(), 0u);

    SetListValue(L"", L"1");
    EXPECT_EQ(Call(FO_DELETE, sync), IDNO) << "the sync folder is refused before the list is asked";
    EXPECT_EQ(ListFlag(), L"1");
    EXPECT_EQ(OnlyBox().text,
              L"To ensure your data security, If Drovana folder deletion is required, Please open "
              L"the Drovana program, Unbind account in the setting. ");

    EXPECT_EQ(Call(FO_DELETE, shares), IDYES) << "a listed system folder may be deleted";
    EXPECT_EQ(ListFlag(), L"0");
    EXPECT_EQ(Call(FO_RENAME, shares, sync + L"\\x"), IDNO) << "rename never asks the list";
    OnlyBox();

    // Exact match only.
    EXPECT_EQ(Call(FO_DELETE, shares + L"\\"), IDNO);
    EXPECT_EQ(OnlyBox().text,
              L"\"收到的共享\" is a system folder of Drovana. You are not allowed to delete it.");
}

struct Composition
{
    DWORD language;
    const wchar_t* caption;
    const wchar_t* m9;
    const wchar_t* m11;
    const wchar_t* d4;
    const wchar_t* d8;
    const wchar_t* r10;
};

class CopyHookMessages : public CopyHookTest, public ::testing::WithParamInterface<Composition>
{
};

TEST_P(CopyHookMessages, RefusalsShowOneWarningInTheUsersLanguage)
{
    const Composition& expected = GetParam();
    settings.SetDword(L"DrovanaLanguage", expected.language);

    const std::wstring sharedPhotos = tree.Folder(L"Sync\\收到的共享\\Photos");
    const std::wstring team = tree.Folder(L"Sync\\Team");
    WriteMarker(team, L"aAttribute", L"0");
    const std::wstring photos = tree.Folder(L"Sync\\Docs\\Photos");

    struct Row
    {
        const char* row;
        UINT func;
        std::wstring source, destination;
        const wchar_t* text;
    };
    WriteMarker(photos, L"aAttribute", L"1024"); // may be changed, not deleted
    for (const Row& row :
         {Row{"M9", FO_MOVE, sharedPhotos, sync + L"\\Docs\\Photos2", expected.m9},
          Row{"M11", FO_MOVE, outside + L"\\Photos", team + L"\\Photos", expected.m11},
          Row{"D4", FO_DELETE, shares, L"", expected.d4}, Row{"D8", FO_DELETE, photos, L"", expected.d8}})
    {
        SCOPED_TRACE(row.row);
        EXPECT_EQ(Call(row.func, row.source, row.destination, FOF_NOCONFIRMATION), IDNO);
        const SeenMessageBox box = OnlyBox();
        EXPECT_EQ(box.text, row.text);
        EXPECT_EQ(box.caption, expected.caption);
        EXPECT_TRUE(box.warningIcon);
        EXPECT_TRUE(box.okOnly);
    }
    WriteMarker(photos, L"aAttribute", L"4096"); // may be deleted, not changed
    EXPECT_EQ(Call(FO_RENAME, photos, sync + L"\\Docs\\Pictures"), IDNO);
    EXPECT_EQ(OnlyBox().text, expected.r10);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, CopyHookMessages,
    ::testing::Values(
        Composition{
            1033, kEnglishCaption, L"You are not allowed to move the sharing folderPhotos\".",
            L"You are not allowed to move the folder to \"Team\", You have no directory upload permission.",
            L"\"收到的共享\" is a system folder of Drovana. You are not allowed to delete it.",
            L"You have no permission to delete \"Photos\", You can cancel synchronization. The folder can be "
            L"removed  from computer by Drovana",
            L"You have no permission to rename it.Photos\", You can cancel synchronization. The folder can "
            L"be removed  from the computer by Drovana."},
        Composition{2052, kChineseCaption, L"您不能移动共享文件夹“Photos”。",
                    L"您不能移动文件夹到“Team”，该目录您没有上传权限。",
                    L"“收到的共享”是卓瓦纳的系统文件夹,您不可以将其删除。",
                    L"您没有权限删除“Photos”，您可以取消同步，卓瓦纳会从电脑移除该文件夹",
                    L"您没有权限重命名“Photos”，您可以取消同步，卓瓦纳会从电脑移除该文件夹"}),
    [](const auto& info) { return info.param.language == 1033 ? "English" : "Chinese"; });

TEST_F(CopyHookTest, TheBoxBelongsToTheShellsWindow)
{
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"shell window", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    EXPECT_EQ(hook.Call(FO_DELETE, sync.c_str(), L"", 0, owner), IDNO);
    EXPECT_EQ(OnlyBox().owner, owner);
    ::DestroyWindow(owner);
}

TEST_F(CopyHookTest, DeletingMarksImmediateSubfoldersWhenTheFlagsAreZero)
{
    const std::wstring docs = tree.Folder(L"Sync\\Docs");
    const std::wstring photos = tree.Folder(L"Sync\\Docs\\Photos");
    const std::wstring deep = tree.Folder(L"Sync\\Docs\\Photos\\Deep");
    const std::wstring music = tree.Folder(L"Sync\\Music");
    const std::wstring tracks = tree.Folder(L"Sync\\Music\\Tracks");

    EXPECT_EQ(Call(FO_DELETE, music, L"", FOF_NOCONFIRMATION), IDYES);
    EXPECT_EQ(ReadMarker(tracks, L"CanRemove"), L"<none>") << "flags other than 0 mark nothing";

    EXPECT_EQ(Call(FO_DELETE, docs, L"", 0), IDYES);
    EXPECT_EQ(ReadMarker(photos, L"CanRemove"), L"1");
    EXPECT_FALSE(FileExists(MarkerOf(deep)));
    EXPECT_FALSE(FileExists(MarkerOf(docs)));

    // The shell then asks about the subfolder: marked, it passes without the delete right.
    WriteMarker(photos, L"aAttribute", L"0");
    EXPECT_EQ(Call(FO_DELETE, photos, L"", 0), IDYES);
    WriteMarker(photos, L"CanRemove", L"2");
    EXPECT_EQ(Call(FO_DELETE, photos, L"", 0), IDNO);
    OnlyBox();
    EXPECT_EQ(watcher.Count(), 0u);
}

TEST_F(CopyHookTest, BadPathsGetTheNeutralAnswer)
{
    const std::wstring longInside = sync + L"\\" + std::wstring(40000, L'x');
    for (UINT func : {FO_MOVE, FO_COPY, FO_DELETE, FO_RENAME})
    {
        SCOPED_TRACE(func);
        EXPECT_EQ(hook.Call(func, nullptr, nullptr), IDYES);
        EXPECT_EQ(hook.Call(func, L"", L""), IDYES);
        EXPECT_EQ(hook.Call(func, L"\\\\\\", L"\\\\"), IDYES);
        EXPECT_EQ(Call(func, longInside, longInside + L"2"), IDYES);
    }
    EXPECT_EQ(hook.Call(FO_MOVE, sync.c_str(), nullptr), IDNO)
        << "a missing destination does not hide the source";
    OnlyBox();
    EXPECT_EQ(watcher.Count(), 0u);
}

TEST_F(CopyHookTest, WithoutASyncFolderOnlyTheMarkersGuard)
{
    settings.Delete(L"username");
    const std::wstring team = tree.Folder(L"Sync\\Team");
    WriteMarker(team, L"aAttribute", L"0");
    EXPECT_EQ(Call(FO_DELETE, sync), IDYES);
    EXPECT_EQ(Call(FO_RENAME, team, sync + L"\\T"), IDYES);
    EXPECT_EQ(Call(FO_COPY, outside, shares + L"\\Outside"), IDYES);
    EXPECT_EQ(Call(FO_DELETE, L"\\\\server\\share\\收到的共享"), IDYES);
    EXPECT_EQ(watcher.Count(), 0u);
    EXPECT_EQ(Call(FO_MOVE, team, outside + L"\\Team"), IDNO);
    EXPECT_EQ(OnlyBox().text,
              L"You have no permission to moveTeam\", You can cancel synchronization. The folder can "
              L"be removed  from computer by Drovana");
}

// The client's own operations: a copy of this program named DROVANA.EXE gets IDYES for deleting the
// sync folder, sees no box and leaves no list key.
TEST_F(CopyHookTest, TheClientsOwnProcessIsExempt)
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring client = tree.Folder(L"Client") + L"\\DROVANA.EXE";
    ASSERT_TRUE(::CopyFileW(self, client.c_str(), FALSE));
    const std::wstring done = tree.Root() + L"\\child-done";

    ::SetEnvironmentVariableW(kBinFolderVariable, BinFolder().c_str());
    ::SetEnvironmentVariableW(kSyncFolderVariable, sync.c_str());
    ::SetEnvironmentVariableW(kDoneFileVariable, done.c_str());
    const ProcessRun run = RunProcess(
        client,
        L"\"" + client +
            L"\" --gtest_also_run_disabled_tests --gtest_filter=ClientProcess.DISABLED_IsNeverGuarded");
    ::SetEnvironmentVariableW(kBinFolderVariable, nullptr);
    ::SetEnvironmentVariableW(kSyncFolderVariable, nullptr);
    ::SetEnvironmentVariableW(kDoneFileVariable, nullptr);

    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(FileExists(done)) << "the child ran its checks";
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kListKey));
}

// Runs only in the DROVANA.EXE copy started above.
TEST(ClientProcess, DISABLED_IsNeverGuarded)
{
    wchar_t bin[MAX_PATH] = {}, sync[MAX_PATH] = {}, done[MAX_PATH] = {};
    ASSERT_TRUE(::GetEnvironmentVariableW(kBinFolderVariable, bin, MAX_PATH));
    ASSERT_TRUE(::GetEnvironmentVariableW(kSyncFolderVariable, sync, MAX_PATH));
    ASSERT_TRUE(::GetEnvironmentVariableW(kDoneFileVariable, done, MAX_PATH));
    MessageBoxWatcher watcher;
    CopyHook hook{bin};
    ASSERT_TRUE(hook.Ready());
    const std::wstring shares = std::wstring(sync) + L"\\收到的共享";
    EXPECT_EQ(hook.Call(FO_DELETE, sync), IDYES);
    EXPECT_EQ(hook.Call(FO_RENAME, sync, L"C:\\Elsewhere"), IDYES);
    EXPECT_EQ(hook.Call(FO_MOVE, shares.c_str(), L"C:\\Elsewhere"), IDYES);
    EXPECT_EQ(hook.Call(FO_COPY, L"C:\\x", shares.c_str()), IDYES);
    EXPECT_EQ(watcher.Count(), 0u);
    if (!HasFailure())
        ::CloseHandle(::CreateFileW(done, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

} // namespace
} // namespace pellicor::test
