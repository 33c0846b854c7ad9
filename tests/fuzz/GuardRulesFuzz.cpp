// The copy guard walks its rule tables over whatever the system answers: a sync folder the client
// may rewrite between two rows, markers, list entries and paths of any shape. Whatever the facts,
// the walk decides at a row of the operation's own table (no row for an unknown operation, which
// asks nothing), refuses exactly at refusing rows with the caption, marks subfolders only where its
// row says so, and never lets the sync folder itself be deleted or renamed.
#include "shellext/guard/GuardRules.h"
#include "shellext/guard/PathRules.h"
#include "tests/fuzz/FuzzInput.h"

#include <algorithm>

using fuzz::Check;

namespace
{

class FuzzedFacts final : public pellicor::GuardFacts
{
public:
    FuzzedFacts(fuzz::Cursor& cursor, bool steady, std::wstring syncFolder)
        : m_cursor(cursor), m_steady(steady), m_syncFolder(std::move(syncFolder))
    {
    }

    std::wstring SyncFolderPath() override
    {
        ++asked;
        return m_steady ? m_syncFolder : m_cursor.Text(12);
    }
    bool IsListed(const std::wstring&) override { return Answer(); }
    bool HasChangeRight(const std::wstring&) override { return Answer(); }
    bool HasDeleteRight(const std::wstring&) override { return Answer(); }
    bool IsMarkedRemovable(const std::wstring&) override { return Answer(); }
    void MarkSubfoldersRemovable(const std::wstring& folder) override { marked.push_back(folder); }
    std::wstring LocalizedString(unsigned id) override
    {
        ++asked;
        return L"#" + std::to_wstring(id);
    }

    std::size_t asked = 0;
    std::vector<std::wstring> marked;

private:
    bool Answer()
    {
        ++asked;
        return m_cursor.Bit();
    }

    fuzz::Cursor& m_cursor;
    bool m_steady;
    std::wstring m_syncFolder;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Cursor cursor(data, size);
    const unsigned operation = cursor.Byte() % 6; // 1 to 4, and codes the shell never sends
    const unsigned flags = cursor.Byte() & 1 ? 0 : cursor.Uint32();
    const bool steady = cursor.Bit();
    const std::wstring syncFolder = cursor.Text(12);
    // Paths built from the sync folder, its system folders and fuzzed pieces, so that the rows'
    // conditions hold often enough to be walked past.
    const auto path = [&]
    {
        std::wstring text;
        for (int piece = cursor.Byte() % 4; piece > 0; --piece)
        {
            switch (cursor.Byte() % 5)
            {
            case 0:
                text += syncFolder;
                break;
            case 1:
                text += pellicor::kReceivedSharesFolderName;
                break;
            case 2:
                text += pellicor::kCompanyFilesFolderName;
                break;
            case 3:
                text += L'\\';
                break;
            default:
                text += cursor.Text(6);
                break;
            }
        }
        return text;
    };
    const std::wstring source = path();
    const std::wstring destination = path();

    FuzzedFacts facts(cursor, steady, syncFolder);
    const pellicor::GuardDecision decision =
        pellicor::DecideFolderOperation(facts, operation, flags, source, destination);

    const auto table = pellicor::GuardTable(operation);
    if (table.empty())
    {
        Check(decision.allowed && decision.row.empty() && facts.asked == 0 && facts.marked.empty());
        return 0;
    }
    const auto row =
        std::find_if(table.begin(), table.end(), [&](const auto& r) { return r.row == decision.row; });
    Check(row != table.end());
    Check(decision.allowed == (row->outcome != pellicor::Outcome::Refuse));
    Check(decision.allowed ? decision.caption.empty() : decision.caption == L"#124");
    const bool marks = row->outcome == pellicor::Outcome::AllowMarkingSubfolders && flags == 0;
    Check(facts.marked == (marks ? std::vector<std::wstring>{source} : std::vector<std::wstring>{}));

    const bool deleteOrRename = operation == static_cast<unsigned>(pellicor::FolderOperation::Delete) ||
                                operation == static_cast<unsigned>(pellicor::FolderOperation::Rename);
    if (steady && deleteOrRename && pellicor::IsSyncRoot(source, syncFolder))
        Check(!decision.allowed && row == table.begin());
    return 0;
}
