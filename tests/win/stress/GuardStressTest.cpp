// Eight threads asking the copy guard about moves, copies, renames and deletes while the client's
// marker files and not-captured list change underneath, every refusal showing its real warning
// box. The answers that no marker or list can change must hold every time; each refusal shows
// exactly one box; the user's files stay as they were; and nothing of ours is left behind.
#include "tests/win/stress/StressSupport.h"

#include "common/ComPtr.h"
#include "common/UniqueHandle.h"
#include "tests/win/guard/MarkerFiles.h"
#include "tests/win/guard/NotCapturesKey.h"
#include "tests/win/support/ShellClassIds.h"
#include "common/TextConversion.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace pellicor::test
{
namespace
{

namespace fs = std::filesystem;

const int kCallsPerThread = CallsPerWorker(80);
constexpr int kSubfolders = 3;
const std::string kUserText = "the user's own notes\r\n";

// The client's folder tree: per-thread work folders with subfolders, the two system folders with
// a shared and a company folder, and a folder outside the sync folder. Every folder holds a file
// of the user's that must survive.
struct SyncTree
{
    SyncTree()
    {
        for (const std::wstring& folder : {outside, shared, company})
            Make(folder);
        for (int t = 0; t < kThreads; ++t)
        {
            Make(Work(t));
            for (int s = 0; s < kSubfolders; ++s)
                Make(Work(t) + L"\\S" + std::to_wstring(s));
        }
    }

    std::wstring Work(int t) const { return sync + L"\\Work\\P" + std::to_wstring(t); }

    void Make(const std::wstring& folder)
    {
        fs::create_directories(folder);
        WriteFileBytes(folder + L"\\notes.txt", kUserText);
        folders.push_back(folder);
    }

    TempFolder root;
    const std::wstring base = root.Root();
    const std::wstring sync = base + L"\\Sync";
    const std::wstring outside = base + L"\\Outside\\Folder";
    const std::wstring shared = sync + L"\\收到的共享\\Team";
    const std::wstring company = sync + L"\\公司文件\\Acme";
    std::vector<std::wstring> folders; // every folder whose user file is checked at the end
};

void SetListEntry(const std::wstring& name, bool present)
{
    if (present)
        SetListValue(name, L"1");
    else
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kListKey.c_str(), name.c_str());
    SetListValue(L"", L"1"); // the client raises the flag whenever it changes the entries
}

// The client at work: rights rewritten, marker files removed or garbled, entries listed and
// unlisted, the whole list removed, the language switched. The sync folder stays where it is.
void ChangeUnderneath(const SyncTree& tree, const ClientSettingsKey& settings, HANDLE stop,
                      std::atomic<long>& changes)
{
    std::mt19937 random(12345);
    const wchar_t* const attributes[] = {L"0", L"1024", L"4096", L"5120", L"65534", L"-1", L"junk"};
    while (::WaitForSingleObject(stop, 1) == WAIT_TIMEOUT)
    {
        const int t = static_cast<int>(random() % kThreads);
        const std::wstring marker = MarkerOf(tree.Work(t));
        switch (random() % 8)
        {
        case 0:
        case 1:
            WriteMarker(tree.Work(t), L"aAttribute", attributes[random() % std::size(attributes)]);
            break;
        case 2:
            WriteMarker(tree.Work(t), L"CanRemove", random() % 2 ? L"1" : L"0");
            break;
        case 3:
            ::DeleteFileW(marker.c_str());
            break;
        case 4:
            std::ofstream(fs::path(marker), std::ios::binary) << "\xff\xfe[Pel\x00licor]\r\naAttr=\r\n[[[";
            break;
        case 5:
            SetListEntry(tree.Work(t), random() % 2 == 0);
            break;
        case 6:
            if (random() % 4 == 0)
                ::RegDeleteTreeW(HKEY_CURRENT_USER, kListKey.c_str());
            else
                SetListEntry(tree.Work(t) + L"\\S0", random() % 2 == 0);
            break;
        case 7:
            if (random() % 3 == 0)
                settings.Delete(L"DrovanaLanguage");
            else
                settings.SetDword(L"DrovanaLanguage", random() % 2 ? 1033 : 2052);
            break;
        }
        changes.fetch_add(1);
    }
}

struct Tally
{
    std::atomic<long> calls{0};
    std::atomic<long> refusals{0};
    std::atomic<long> wrongFixedAnswers{0}; // an answer no marker or list may change, and it did
    std::atomic<long> strangeAnswers{0};    // neither IDYES nor IDNO
    std::atomic<long> boxMismatches{0};     // threads whose boxes did not match their refusals
};

struct Question
{
    UINT operation;
    UINT flags;
    std::wstring source;
    std::wstring destination;
    UINT fixedAnswer; // 0 when markers and the list decide
};

std::vector<Question> QuestionsFor(const SyncTree& tree, int t)
{
    const std::wstring work = tree.Work(t), neighbour = tree.Work((t + 1) % kThreads);
    return {
        {FO_DELETE, 0, tree.sync, L"", IDNO},                               // the sync folder itself
        {FO_RENAME, 0, tree.sync, tree.base + L"\\Renamed", IDNO},          // likewise
        {FO_COPY, 0, work, tree.sync + L"\\Work\\Copy", IDYES},             // copies ignore markers
        {FO_COPY, 0, tree.outside, tree.sync + L"\\收到的共享\\New", IDNO}, // into received shares
        {FO_RENAME, 0, tree.company, tree.company + L"2", IDNO},            // a company folder
        {FO_DELETE, 0, tree.outside, L"", IDYES},                           // outside the sync folder
        {0x9, 0, work, work, IDYES},                                        // no such operation
        {FO_MOVE, 0, work, tree.sync + L"\\Work\\Q" + std::to_wstring(t), 0},
        {FO_MOVE, 0, tree.outside, work + L"\\In", 0},
        {FO_DELETE, 0, work, L"", 0}, // flags 0: may mark the subfolders removable
        {FO_DELETE, FOF_NOCONFIRMATION, neighbour, L"", 0},
        {FO_DELETE, 0, work + L"\\S" + std::to_wstring(t % kSubfolders), L"", 0},
        {FO_RENAME, 0, work, work + L"x", 0},
        {FO_COPY, 0, work, neighbour + L"\\Copy", 0},
    };
}

void Ask(const LibraryUnderTest& library, const SyncTree& tree, int t, const Deadline& deadline, Tally& tally)
{
    ComPtr<ICopyHookW> hook;
    if (FAILED(library.CreateObject(kClsidCopyHook, IID_IShellCopyHookW, hook.put_void())))
    {
        tally.strangeAnswers.fetch_add(1);
        return;
    }
    const BoxCloser boxes;
    const std::vector<Question> questions = QuestionsFor(tree, t);
    long refusals = 0;
    for (int call = 0; call < kCallsPerThread && !deadline.Passed(); ++call)
    {
        const Question& q = questions[static_cast<std::size_t>(call) % questions.size()];
        const UINT answer =
            hook->CopyCallback(nullptr, q.operation, q.flags, q.source.c_str(), FILE_ATTRIBUTE_DIRECTORY,
                               q.destination.c_str(), FILE_ATTRIBUTE_DIRECTORY);
        tally.calls.fetch_add(1);
        if (answer != IDYES && answer != IDNO)
            tally.strangeAnswers.fetch_add(1);
        if (q.fixedAnswer != 0 && answer != q.fixedAnswer)
            tally.wrongFixedAnswers.fetch_add(1);
        refusals += answer == IDNO ? 1 : 0;
    }
    tally.refusals.fetch_add(refusals);
    if (boxes.Closed() != static_cast<std::size_t>(refusals))
        tally.boxMismatches.fetch_add(1);
}

TEST(GuardStress, EightThreadsWhileMarkersAndListChangeLeaveNothingBehind)
{
    ClientSettingsKey settings;
    const SyncTree tree;
    settings.SignIn(tree.sync);
    LibraryUnderTest library;
    Tally tally;
    std::atomic<long> changes{0};
    // Wine creates the odd process-wide event lazily the first time a path of its own runs (seen
    // once in thousands of calls); a handle lost per refused call would show by the thousand.
    RunStress(
        "guard stress", library,
        [&](const Deadline& deadline, bool main)
        {
            Tally warmUp;
            std::atomic<long> warmUpChanges{0};
            UniqueKernelHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
            std::thread client(
                [&] { ChangeUnderneath(tree, settings, stop.get(), main ? changes : warmUpChanges); });
            OnThreads(kThreads, [&](int t) { Ask(library, tree, t, deadline, main ? tally : warmUp); });
            ::SetEvent(stop.get());
            client.join();
        },
        1);

    std::printf("guard stress: %ld calls, %ld refused with a warning box, %ld changes by the client\n",
                tally.calls.load(), tally.refusals.load(), changes.load());
    EXPECT_EQ(tally.wrongFixedAnswers.load(), 0);
    EXPECT_EQ(tally.strangeAnswers.load(), 0);
    EXPECT_EQ(tally.boxMismatches.load(), 0) << "a refusal showed no box, or more than one";

    // The guard writes only removable marks; the user's files are as they were.
    for (const std::wstring& folder : tree.folders)
        EXPECT_EQ(ReadFileBytes(folder + L"\\notes.txt"), kUserText);
    for (int t = 0; t < kThreads; ++t)
    {
        for (int s = 0; s < kSubfolders; ++s)
        {
            const std::wstring mark = ReadMarker(tree.Work(t) + L"\\S" + std::to_wstring(s), L"CanRemove");
            EXPECT_TRUE(mark == L"1" || mark == L"<none>") << "S" << s << " of P" << t << ": " << ToUtf8(mark);
        }
    }
}

} // namespace
} // namespace pellicor::test
