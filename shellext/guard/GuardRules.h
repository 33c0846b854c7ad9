#pragma once
// The copy guard's decision: one rule table per shell operation, walked from the top; the first row
// whose condition holds decides. The tables are data (GuardRules.cpp) so that they can be read row by
// row against the product's rule tables.
//
// Everything the guard must know about the system (the sync folder, the folder markers, the client's
// not-captured list, the localized texts) is asked through GuardFacts at the moment a row needs it, so
// a condition's side effects happen only when its row is reached, and every rule sees the settings
// as they are at its own moment.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pellicor
{

// The shell's operation codes (FO_MOVE .. FO_RENAME).
enum class FolderOperation : unsigned
{
    Move = 1,
    Copy = 2,
    Delete = 3,
    Rename = 4,
};

class GuardFacts
{
public:
    virtual ~GuardFacts() = default;

    // Read afresh on every call; empty when no sync folder is configured.
    virtual std::wstring SyncFolderPath() = 0;
    // The client's not-captured list: an exact match.
    virtual bool IsListed(const std::wstring& path) = 0;
    // The folder's marker rights; a folder without a marker has both and no removable mark.
    virtual bool HasChangeRight(const std::wstring& folder) = 0;
    virtual bool HasDeleteRight(const std::wstring& folder) = 0;
    virtual bool IsMarkedRemovable(const std::wstring& folder) = 0;
    virtual void MarkSubfoldersRemovable(const std::wstring& folder) = 0;
    // A string of the library's table in the user's language; empty when missing.
    virtual std::wstring LocalizedString(unsigned id) = 0;
};

// --- The shape of a rule row ---

enum class Sense : std::uint8_t
{
    Holds, // the row applies when the condition holds
    Not,   // ... when it does not
};

enum class Condition : std::uint8_t
{
    Listed,
    SyncRoot,
    InsideSyncRoot,
    ReceivedSharesFolder,
    CompanyFilesFolder,
    SharedFolder,
    CompanyFolder,
    ChangeRight,
    DeleteRight,
    MarkedRemovable,
    Otherwise,
};

// The path a condition is asked about.
enum class Subject : std::uint8_t
{
    None,
    Source,
    Destination,
    DestinationParent,
};

enum class Outcome : std::uint8_t
{
    Allow,
    // Allow; when the shell's flags are exactly 0, mark the folder's immediate subfolders removable
    // first, so that the shell's later questions about them pass.
    AllowMarkingSubfolders,
    Refuse,
};

// One piece of a warning text; the pieces are joined with nothing between them.
struct MessagePiece
{
    enum class Kind : std::uint8_t
    {
        End,
        Text,                  // string-table string `id`
        ReceivedSharesName,    // the received-shares folder's name
        CompanyFilesName,      // the company-files folder's name
        SourceName,            // the file name of the source
        DestinationParentName, // the file name of the destination's parent
    };
    Kind kind = Kind::End;
    unsigned id = 0;
};

struct GuardRow
{
    std::string_view row; // M1 .. R10
    Sense sense;
    Condition condition;
    Subject subject;
    Outcome outcome;
    std::array<MessagePiece, 3> message{};
};

// The rows for one operation, top first; empty for any other operation code.
std::span<const GuardRow> GuardTable(unsigned operation) noexcept;

struct GuardDecision
{
    bool allowed = true;
    std::string_view row; // the deciding row; empty when no table applies
    std::wstring text;    // the warning of a refusing row
    std::wstring caption;
};

// Walks the operation's table. Only the rows down to the deciding one are evaluated.
GuardDecision DecideFolderOperation(GuardFacts& facts, unsigned operation, unsigned flags,
                                    std::wstring_view source, std::wstring_view destination);

// Whether an executable path is the client's own program, whose file operations are never guarded.
bool IsClientExecutable(std::wstring_view executablePath);

} // namespace pellicor
