#include "shellext/guard/GuardRules.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace pellicor::test
{
namespace
{

constexpr unsigned kMove = 1, kCopy = 2, kDelete = 3, kRename = 4;

// A system in memory. Strings come back as "<id>" so that the composition order shows.
class FakeFacts final : public GuardFacts
{
public:
    std::wstring syncFolder = L"D:\\Sync";
    std::wstring staleSyncFolder; // what the first staleReads reads return
    int staleReads = 0;
    bool strings = true;
    std::set<std::wstring> listed;
    std::set<std::wstring> noChangeRight, noDeleteRight, removable;

    int syncReads = 0;
    std::vector<std::wstring> asked; // every list and marker question, in order
    std::vector<std::wstring> marked;

    std::wstring SyncFolderPath() override { return syncReads++ < staleReads ? staleSyncFolder : syncFolder; }
    bool IsListed(const std::wstring& path) override
    {
        asked.push_back(L"listed " + path);
        return listed.contains(path);
    }
    bool HasChangeRight(const std::wstring& folder) override
    {
        asked.push_back(L"change " + folder);
        return !noChangeRight.contains(folder);
    }
    bool HasDeleteRight(const std::wstring& folder) override
    {
        asked.push_back(L"delete " + folder);
        return !noDeleteRight.contains(folder);
    }
    bool IsMarkedRemovable(const std::wstring& folder) override
    {
        asked.push_back(L"removable " + folder);
        return removable.contains(folder);
    }
    void MarkSubfoldersRemovable(const std::wstring& folder) override { marked.push_back(folder); }
    std::wstring LocalizedString(unsigned id) override
    {
        return strings ? L"<" + std::to_wstring(id) + L">" : std::wstring();
    }
};

const std::wstring kRoot = L"D:\\Sync";
const std::wstring kShares = L"D:\\Sync\\收到的共享";
const std::wstring kCompany = L"D:\\Sync\\公司文件";
const std::wstring kTeam = L"D:\\Sync\\收到的共享\\Team";
const std::wstring kSales = L"D:\\Sync\\公司文件\\Sales";
const std::wstring kDocs = L"D:\\Sync\\Docs";
const std::wstring kPhotos = L"D:\\Sync\\Docs\\Photos";
const std::wstring kOutside = L"E:\\Elsewhere\\Photos";

struct Case
{
    const char* name;
    unsigned operation;
    std::wstring source, destination;
    const char* row;
    std::wstring text; // empty for an allowing row
    void (*setUp)(FakeFacts&) = nullptr;
    unsigned flags = 1;
};

std::vector<Case> RowCases()
{
    return {
        // Move
        {"listed source", kMove, kPhotos, L"E:\\Photos", "M1", L"",
         [](FakeFacts& f) { f.listed.insert(kPhotos); }},
        {"sync root", kMove, L"d:\\SYNC\\", L"E:\\Sync", "M2", L"<128>"},
        {"received shares", kMove, kShares, L"E:\\x", "M3", L"<122>收到的共享<129>"},
        {"onto received shares", kMove, kOutside, kShares, "M4", L"<122>收到的共享<130>"},
        {"company files", kMove, kCompany + L"\\", L"E:\\x", "M5", L"<122>公司文件<129>"},
        {"onto company files", kMove, kDocs, kCompany, "M6", L"<122>公司文件<130>"},
        {"into received shares", kMove, kDocs, kShares + L"\\Docs", "M7", L"<131>收到的共享<126>"},
        {"into company files", kMove, kDocs, kCompany + L"\\Docs", "M8", L"<131>公司文件<126>"},
        {"shared folder", kMove, kTeam, kDocs + L"\\Team", "M9", L"<132>Team<126>"},
        {"source without change right", kMove, kPhotos, L"D:\\Sync\\Photos", "M10", L"<133>Photos<138>",
         [](FakeFacts& f) { f.noChangeRight.insert(kPhotos); }},
        {"destination parent without change right", kMove, kOutside, L"D:\\Sync\\Docs\\Team\\Photos", "M11",
         L"<131>Team<127>", [](FakeFacts& f) { f.noChangeRight.insert(L"D:\\Sync\\Docs\\Team"); }},
        {"ordinary move", kMove, kPhotos, L"D:\\Sync\\Photos", "M12", L""},
        // A company folder as a source has no row of its own.
        {"company folder moved", kMove, kSales, L"D:\\Sync\\Sales", "M12", L""},
        // Copy
        {"copy onto received shares", kCopy, kDocs, kShares, "C1", L"<122>收到的共享<123>"},
        {"copy onto company files", kCopy, kDocs, kCompany + L"\\\\", "C2", L"<122>公司文件<123>"},
        {"copy into received shares", kCopy, kDocs, kTeam, "C3", L"<125>收到的共享<126>"},
        {"copy into company files", kCopy, kDocs, kSales, "C4", L"<125>公司文件<126>"},
        {"copy of the sync root", kCopy, kRoot, L"E:\\Backup", "C5", L""},
        {"copy into a folder without rights", kCopy, kOutside, kPhotos + L"\\X", "C5", L"",
         [](FakeFacts& f) { f.noChangeRight.insert(kPhotos); }},
        // Delete
        {"delete sync root", kDelete, L"D:\\SYNC\\\\", L"", "D1", L"<135>"},
        {"delete outside", kDelete, kOutside, L"", "D2", L"",
         [](FakeFacts& f) { f.noDeleteRight.insert(kOutside); }},
        {"delete listed", kDelete, kPhotos, L"", "D3", L"",
         [](FakeFacts& f)
         {
             f.listed.insert(kPhotos);
             f.noDeleteRight.insert(kPhotos);
         }},
        {"delete received shares", kDelete, kShares, L"", "D4", L"<122>收到的共享<136>"},
        {"delete company files", kDelete, kCompany, L"", "D5", L"<122>公司文件<136>"},
        {"delete with right", kDelete, kPhotos, L"", "D6", L""},
        {"delete marked removable", kDelete, kPhotos, L"", "D7", L"",
         [](FakeFacts& f)
         {
             f.noDeleteRight.insert(kPhotos);
             f.removable.insert(kPhotos);
         }},
        {"delete without right", kDelete, kPhotos, L"", "D8", L"<137>Photos<138>",
         [](FakeFacts& f) { f.noDeleteRight.insert(kPhotos); }},
        // Rename
        {"rename sync root", kRename, L"d:\\sync", L"D:\\Sync2", "R1", L"<139>"},
        {"rename outside", kRename, kOutside, L"E:\\x", "R2", L"",
         [](FakeFacts& f) { f.noChangeRight.insert(kOutside); }},
        {"rename received shares", kRename, kShares, L"D:\\Sync\\x", "R3", L"<122>收到的共享<140>"},
        {"rename onto received shares", kRename, L"D:\\Sync\\x", kShares, "R4", L"<122>收到的共享<130>"},
        {"rename company files", kRename, kCompany, L"D:\\Sync\\x", "R5", L"<122>公司文件<140>"},
        {"rename onto company files", kRename, L"D:\\Sync\\x", kCompany, "R6", L"<122>公司文件<141>"},
        {"rename shared folder", kRename, kTeam, kShares + L"\\Team2", "R7", L"<142>"},
        {"rename company folder", kRename, kSales, kCompany + L"\\Sales2", "R8", L"<143>"},
        {"rename with right", kRename, kPhotos, kDocs + L"\\Pictures", "R9", L""},
        {"rename without right", kRename, kPhotos, kDocs + L"\\Pictures", "R10", L"<144>Photos<134>",
         [](FakeFacts& f) { f.noChangeRight.insert(kPhotos); }},
    };
}

TEST(GuardRules, EachRowDecidesWithItsOwnMessage)
{
    for (const Case& c : RowCases())
    {
        SCOPED_TRACE(c.name);
        FakeFacts facts;
        if (c.setUp)
            c.setUp(facts);
        GuardDecision d = DecideFolderOperation(facts, c.operation, c.flags, c.source, c.destination);
        EXPECT_EQ(d.row, c.row);
        EXPECT_EQ(d.allowed, c.text.empty());
        EXPECT_EQ(d.text, c.text);
        EXPECT_EQ(d.caption, c.text.empty() ? L"" : L"<124>");
    }
}

TEST(GuardRules, EveryRowOfEveryTableIsReached)
{
    std::set<std::string_view> reached;
    for (const Case& c : RowCases())
        reached.insert(c.row);
    for (unsigned op : {kMove, kCopy, kDelete, kRename})
    {
        ASSERT_FALSE(GuardTable(op).empty());
        EXPECT_EQ(GuardTable(op).back().condition, Condition::Otherwise);
        for (const GuardRow& row : GuardTable(op))
            EXPECT_TRUE(reached.contains(row.row)) << row.row;
    }
}

// Where two rows hold, the upper one decides.
TEST(GuardRules, RowOrderDecidesWhenTwoRowsHold)
{
    FakeFacts facts;
    facts.listed = {kRoot, kShares};
    EXPECT_EQ(DecideFolderOperation(facts, kMove, 1, kRoot, L"E:\\x").row, "M1");
    EXPECT_EQ(DecideFolderOperation(facts, kDelete, 1, kRoot, L"").row, "D1");
    EXPECT_EQ(DecideFolderOperation(facts, kMove, 1, kShares, L"E:\\x").row, "M1");
    EXPECT_EQ(DecideFolderOperation(facts, kDelete, 1, kShares, L"").row, "D3");
    // Listed paths match exactly: another case or a trailing backslash is not listed.
    EXPECT_EQ(DecideFolderOperation(facts, kDelete, 1, L"D:\\Sync\\收到的共享\\", L"").row, "D4");
    // The received-shares folder written with a backslash is also a shared folder: M3 comes first.
    EXPECT_EQ(DecideFolderOperation(facts, kMove, 1, L"D:\\sync\\收到的共享\\", L"E:\\x").row, "M3");
    // Source rows come before destination rows.
    EXPECT_EQ(DecideFolderOperation(facts, kRename, 1, kCompany, kShares).row, "R4");
    EXPECT_EQ(DecideFolderOperation(facts, kRename, 1, kTeam, kCompany).row, "R6");
    // Delete: the removable mark is asked only for a folder without the delete right.
    facts.removable.insert(kPhotos);
    EXPECT_EQ(DecideFolderOperation(facts, kDelete, 1, kPhotos, L"").row, "D6");
}

// Conditions are evaluated lazily, top down: the list (whose change flag has a side effect) and
// the markers are asked only when their rows are reached.
TEST(GuardRules, OnlyTheRowsAboveTheDecidingOneAreEvaluated)
{
    FakeFacts copy;
    copy.listed.insert(kDocs);
    DecideFolderOperation(copy, kCopy, 0, kDocs, L"E:\\x");
    EXPECT_TRUE(copy.asked.empty());
    EXPECT_EQ(copy.syncReads, 4);

    FakeFacts rename;
    DecideFolderOperation(rename, kRename, 0, kPhotos, kDocs + L"\\P");
    EXPECT_EQ(rename.asked, std::vector<std::wstring>{L"change " + kPhotos});

    FakeFacts outside;
    DecideFolderOperation(outside, kDelete, 0, kOutside, L"");
    EXPECT_TRUE(outside.asked.empty());
    EXPECT_EQ(outside.syncReads, 2);
    EXPECT_TRUE(outside.marked.empty());

    FakeFacts move;
    move.noChangeRight.insert(L"D:\\Sync\\Docs");
    DecideFolderOperation(move, kMove, 0, kOutside, kPhotos);
    EXPECT_EQ(move.asked,
              (std::vector<std::wstring>{L"listed " + kOutside, L"change " + kOutside, L"change " + kDocs}));
    EXPECT_EQ(move.syncReads, 8); // M2..M9 ask the sync folder, each afresh

    FakeFacts remove;
    DecideFolderOperation(remove, kDelete, 0, kPhotos, L"");
    EXPECT_EQ(remove.asked, (std::vector<std::wstring>{L"listed " + kPhotos, L"delete " + kPhotos}));
    EXPECT_EQ(remove.syncReads, 4);
}

// The client moves the sync folder while a decision runs: each row sees the place of its moment.
TEST(GuardRules, EachRuleReadsTheSyncFolderAgain)
{
    FakeFacts facts;
    facts.staleSyncFolder = L"E:\\Old";
    facts.staleReads = 2; // D1 and D2 see E:\Old: the folder is outside
    EXPECT_EQ(DecideFolderOperation(facts, kDelete, 1, kShares, L"").row, "D2");
    facts.syncReads = 1; // only D1 sees E:\Old; D2 and the rows below see D:\Sync
    EXPECT_EQ(DecideFolderOperation(facts, kDelete, 1, kShares, L"").row, "D4");
}

TEST(GuardRules, DeleteMarksSubfoldersOnlyWhenTheFlagsAreZero)
{
    FakeFacts zero;
    EXPECT_TRUE(DecideFolderOperation(zero, kDelete, 0, kPhotos, L"").allowed);
    EXPECT_EQ(zero.marked, std::vector<std::wstring>{kPhotos});

    for (unsigned flags : {1u, 0x10u, 0x80000000u})
    {
        FakeFacts other;
        EXPECT_TRUE(DecideFolderOperation(other, kDelete, flags, kPhotos, L"").allowed);
        EXPECT_TRUE(other.marked.empty());
    }
    // Rows other than D6 never mark, whatever the flags.
    FakeFacts marked;
    marked.noDeleteRight.insert(kPhotos);
    marked.removable.insert(kPhotos);
    DecideFolderOperation(marked, kDelete, 0, kPhotos, L"");
    EXPECT_TRUE(marked.marked.empty());
}

TEST(GuardRules, OtherOperationCodesAreAllowedWithoutAsking)
{
    for (unsigned op : {0u, 5u, 0xFFFFFFFFu})
    {
        FakeFacts facts;
        GuardDecision d = DecideFolderOperation(facts, op, 0, kRoot, kShares);
        EXPECT_TRUE(d.allowed);
        EXPECT_TRUE(d.row.empty());
        EXPECT_EQ(facts.syncReads, 0);
        EXPECT_TRUE(facts.asked.empty());
    }
}

// Without a sync folder deletes and renames pass at D2 and R2, copies pass, and moves still
// answer to the markers.
TEST(GuardRules, EmptySyncFolderLeavesOnlyTheMarkerRows)
{
    for (const wchar_t* path : {L"D:\\Sync", L"\\\\server\\share\\收到的共享", L"\\收到的共享", L"\\"})
    {
        SCOPED_TRACE(testing::Message() << path);
        FakeFacts facts;
        facts.syncFolder.clear();
        facts.noDeleteRight.insert(path);
        EXPECT_EQ(DecideFolderOperation(facts, kDelete, 0, path, L"").row, "D2");
        EXPECT_EQ(DecideFolderOperation(facts, kRename, 0, path, L"\\公司文件").row, "R2");
        EXPECT_EQ(DecideFolderOperation(facts, kCopy, 0, path, L"\\收到的共享\\x").row, "C5");
        EXPECT_EQ(DecideFolderOperation(facts, kMove, 0, path, L"\\公司文件\\x").row, "M12");
        facts.noChangeRight.insert(path);
        EXPECT_EQ(DecideFolderOperation(facts, kMove, 0, path, L"\\公司文件\\x").row, "M10");
        EXPECT_TRUE(facts.marked.empty());
    }
}

TEST(GuardRules, BadPathsGetTheRowsOrdinaryAnswer)
{
    const std::wstring longPath = L"D:\\Sync\\" + std::wstring(70000, L'a');
    struct Bad
    {
        unsigned op;
        std::wstring source, destination;
        const char* row;
    };
    for (const Bad& b : {
             Bad{kDelete, L"", L"", "D2"},
             Bad{kRename, L"", L"", "R2"},
             Bad{kCopy, L"", L"", "C5"},
             Bad{kMove, L"", L"", "M12"},
             Bad{kDelete, L"\\\\\\", L"", "D2"},
             Bad{kMove, L"\\\\\\", L"\\\\", "M12"},
             Bad{kDelete, longPath, L"", "D6"},
             Bad{kMove, longPath, longPath + L"\\b", "M12"},
         })
    {
        FakeFacts facts;
        GuardDecision d = DecideFolderOperation(facts, b.op, 1, b.source, b.destination);
        EXPECT_EQ(d.row, b.row);
    }
    // A refused long path carries its whole name in the text.
    FakeFacts facts;
    facts.noChangeRight.insert(longPath);
    GuardDecision d = DecideFolderOperation(facts, kRename, 1, longPath, L"");
    EXPECT_EQ(d.row, "R10");
    EXPECT_EQ(d.text, L"<144>" + std::wstring(70000, L'a') + L"<134>");
}

TEST(GuardRules, MissingStringsLeaveEmptyPieces)
{
    FakeFacts facts;
    facts.strings = false;
    GuardDecision d = DecideFolderOperation(facts, kMove, 1, kTeam, L"D:\\Sync\\Team");
    EXPECT_FALSE(d.allowed);
    EXPECT_EQ(d.text, L"Team");
    EXPECT_EQ(d.caption, L"");
}

} // namespace
} // namespace pellicor::test
