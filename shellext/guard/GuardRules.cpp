#include "shellext/guard/GuardRules.h"

#include "shellext/guard/PathRules.h"
#include "shellext/resources/ResourceIds.h"

namespace pellicor
{

namespace
{

using enum Sense;
using enum Condition;
using enum Subject;
using enum Outcome;

constexpr MessagePiece T(unsigned id)
{
    return {MessagePiece::Kind::Text, id};
}
constexpr MessagePiece R{MessagePiece::Kind::ReceivedSharesName};
constexpr MessagePiece C{MessagePiece::Kind::CompanyFilesName};
constexpr MessagePiece NameOfSource{MessagePiece::Kind::SourceName};
constexpr MessagePiece NameOfDestinationParent{MessagePiece::Kind::DestinationParentName};

// clang-format off

// The move table never asks whether a path lies inside the sync folder: a folder moved in from
// outside is decided by the destination rows and by the markers (normally absent outside).
constexpr GuardRow kMoveRules[] = {
    // row  sense  condition             subject            outcome  message
    {"M1",  Holds, Listed,               Source,            Allow},
    {"M2",  Holds, SyncRoot,             Source,            Refuse,  {T(128)}},
    {"M3",  Holds, ReceivedSharesFolder, Source,            Refuse,  {T(122), R, T(129)}},
    {"M4",  Holds, ReceivedSharesFolder, Destination,       Refuse,  {T(122), R, T(130)}},
    {"M5",  Holds, CompanyFilesFolder,   Source,            Refuse,  {T(122), C, T(129)}},
    {"M6",  Holds, CompanyFilesFolder,   Destination,       Refuse,  {T(122), C, T(130)}},
    {"M7",  Holds, SharedFolder,         Destination,       Refuse,  {T(131), R, T(126)}},
    {"M8",  Holds, CompanyFolder,        Destination,       Refuse,  {T(131), C, T(126)}},
    {"M9",  Holds, SharedFolder,         Source,            Refuse,  {T(132), NameOfSource, T(126)}},
    {"M10", Not,   ChangeRight,          Source,            Refuse,  {T(133), NameOfSource, T(138)}},
    {"M11", Not,   ChangeRight,          DestinationParent, Refuse,  {T(131), NameOfDestinationParent, T(127)}},
    {"M12", Holds, Otherwise,            None,              Allow},
};

// Copy looks at the destination only.
constexpr GuardRow kCopyRules[] = {
    // row  sense  condition             subject            outcome  message
    {"C1",  Holds, ReceivedSharesFolder, Destination,       Refuse,  {T(122), R, T(123)}},
    {"C2",  Holds, CompanyFilesFolder,   Destination,       Refuse,  {T(122), C, T(123)}},
    {"C3",  Holds, SharedFolder,         Destination,       Refuse,  {T(125), R, T(126)}},
    {"C4",  Holds, CompanyFolder,        Destination,       Refuse,  {T(125), C, T(126)}},
    {"C5",  Holds, Otherwise,            None,              Allow},
};

constexpr GuardRow kDeleteRules[] = {
    // row  sense  condition             subject            outcome                 message
    {"D1",  Holds, SyncRoot,             Source,            Refuse,                 {T(135)}},
    {"D2",  Not,   InsideSyncRoot,       Source,            Allow},
    {"D3",  Holds, Listed,               Source,            Allow},
    {"D4",  Holds, ReceivedSharesFolder, Source,            Refuse,                 {T(122), R, T(136)}},
    {"D5",  Holds, CompanyFilesFolder,   Source,            Refuse,                 {T(122), C, T(136)}},
    {"D6",  Holds, DeleteRight,          Source,            AllowMarkingSubfolders},
    {"D7",  Holds, MarkedRemovable,      Source,            Allow},
    {"D8",  Holds, Otherwise,            None,              Refuse,                 {T(137), NameOfSource, T(138)}},
};

// Rename never consults the not-captured list.
constexpr GuardRow kRenameRules[] = {
    // row  sense  condition             subject            outcome  message
    {"R1",  Holds, SyncRoot,             Source,            Refuse,  {T(139)}},
    {"R2",  Not,   InsideSyncRoot,       Source,            Allow},
    {"R3",  Holds, ReceivedSharesFolder, Source,            Refuse,  {T(122), R, T(140)}},
    {"R4",  Holds, ReceivedSharesFolder, Destination,       Refuse,  {T(122), R, T(130)}},
    {"R5",  Holds, CompanyFilesFolder,   Source,            Refuse,  {T(122), C, T(140)}},
    {"R6",  Holds, CompanyFilesFolder,   Destination,       Refuse,  {T(122), C, T(141)}},
    {"R7",  Holds, SharedFolder,         Source,            Refuse,  {T(142)}},
    {"R8",  Holds, CompanyFolder,        Source,            Refuse,  {T(143)}},
    {"R9",  Holds, ChangeRight,          Source,            Allow},
    {"R10", Holds, Otherwise,            None,              Refuse,  {T(144), NameOfSource, T(134)}},
};

// clang-format on

struct Operands
{
    std::wstring_view source;
    std::wstring_view destination;
};

std::wstring SubjectPath(Subject subject, const Operands& operands)
{
    switch (subject)
    {
    case Source:
        return std::wstring(operands.source);
    case Destination:
        return std::wstring(operands.destination);
    case DestinationParent:
        return std::wstring(ParentOf(operands.destination));
    case None:
        break;
    }
    return {};
}

// Each path rule reads the sync folder again: the client may change it between two rows.
bool ConditionHolds(Condition condition, const std::wstring& path, GuardFacts& facts)
{
    switch (condition)
    {
    case Listed:
        return facts.IsListed(path);
    case SyncRoot:
        return IsSyncRoot(path, facts.SyncFolderPath());
    case InsideSyncRoot:
        return IsInsideSyncRoot(path, facts.SyncFolderPath());
    case ReceivedSharesFolder:
        return IsReceivedSharesFolder(path, facts.SyncFolderPath());
    case CompanyFilesFolder:
        return IsCompanyFilesFolder(path, facts.SyncFolderPath());
    case SharedFolder:
        return IsSharedFolder(path, facts.SyncFolderPath());
    case CompanyFolder:
        return IsCompanyFolder(path, facts.SyncFolderPath());
    case ChangeRight:
        return facts.HasChangeRight(path);
    case DeleteRight:
        return facts.HasDeleteRight(path);
    case MarkedRemovable:
        return facts.IsMarkedRemovable(path);
    case Otherwise:
        return true;
    }
    return false;
}

bool RowApplies(const GuardRow& row, const Operands& operands, GuardFacts& facts)
{
    if (row.condition == Otherwise)
        return true;
    bool holds = ConditionHolds(row.condition, SubjectPath(row.subject, operands), facts);
    return row.sense == Holds ? holds : !holds;
}

std::wstring ComposeMessage(const GuardRow& row, const Operands& operands, GuardFacts& facts)
{
    std::wstring text;
    for (const MessagePiece& piece : row.message)
    {
        switch (piece.kind)
        {
        case MessagePiece::Kind::End:
            return text;
        case MessagePiece::Kind::Text:
            text += facts.LocalizedString(piece.id);
            break;
        case MessagePiece::Kind::ReceivedSharesName:
            text += kReceivedSharesFolderName;
            break;
        case MessagePiece::Kind::CompanyFilesName:
            text += kCompanyFilesFolderName;
            break;
        case MessagePiece::Kind::SourceName:
            text += FileNameOf(operands.source);
            break;
        case MessagePiece::Kind::DestinationParentName:
            text += FileNameOf(ParentOf(operands.destination));
            break;
        }
    }
    return text;
}

} // namespace

std::span<const GuardRow> GuardTable(unsigned operation) noexcept
{
    switch (static_cast<FolderOperation>(operation))
    {
    case FolderOperation::Move:
        return kMoveRules;
    case FolderOperation::Copy:
        return kCopyRules;
    case FolderOperation::Delete:
        return kDeleteRules;
    case FolderOperation::Rename:
        return kRenameRules;
    }
    return {};
}

GuardDecision DecideFolderOperation(GuardFacts& facts, unsigned operation, unsigned flags,
                                    std::wstring_view source, std::wstring_view destination)
{
    const Operands operands{source, destination};
    GuardDecision decision;
    for (const GuardRow& row : GuardTable(operation))
    {
        if (!RowApplies(row, operands, facts))
            continue;
        decision.row = row.row;
        if (row.outcome == AllowMarkingSubfolders && flags == 0)
            facts.MarkSubfoldersRemovable(SubjectPath(row.subject, operands));
        if (row.outcome == Refuse)
        {
            decision.allowed = false;
            decision.text = ComposeMessage(row, operands, facts);
            decision.caption = facts.LocalizedString(IDS_GUARD_CAPTION);
        }
        return decision;
    }
    return decision;
}

bool IsClientExecutable(std::wstring_view executablePath)
{
    return FoldAsciiCase(FileNameOf(executablePath)) == L"drovana.exe";
}

} // namespace pellicor
