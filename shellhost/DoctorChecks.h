#pragma once
// The doctor's judgement of an installation, kept apart from how the facts are gathered: the launcher's
// own registration sheets say what must be there, an InstallFacts says what is. Portable: no
// <windows.h>; the Win32 side implements InstallFacts over the real registry and file system.
#include "launcher/RegistrationTable.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pellicor::shellhost
{

enum class Verdict
{
    Ok,
    Note,  // works, but worth knowing
    Fault, // something the integration needs is missing or wrong
};

struct Finding
{
    Verdict verdict = Verdict::Ok;
    std::wstring area;
    std::wstring text;
    std::wstring action; // what to do; empty for Ok
};

struct RegistryValue
{
    bool isString = false; // REG_SZ; anything else that is not a number counts as neither
    bool isNumber = false; // REG_DWORD
    std::wstring text;
    std::uint32_t number = 0;
};

class InstallFacts
{
public:
    virtual ~InstallFacts() = default;
    virtual bool KeyExists(drovana::RegRoot root, const std::wstring& key) const = 0;
    // name null: the key's unnamed value.
    virtual std::optional<RegistryValue> Value(drovana::RegRoot root, const std::wstring& key,
                                               const wchar_t* name) const = 0;
    virtual std::vector<std::wstring> SubKeys(drovana::RegRoot root, const std::wstring& key) const = 0;
    virtual bool FileExists(const std::wstring& path) const = 0;
};

// Data that rows take from the running system; an empty field means "not known", and rows that
// need it are not judged.
struct RowContext
{
    std::wstring expectedLibraryPath; // this user's application-data folder + "\Pellicor\" + file name
    std::wstring displayName;
    std::wstring infoTip;
    std::wstring syncFolder;
};

// What fixes a registration fault.
extern const wchar_t kRepairRegistration[];

// The installer's rows, one finding per fault and one "ok" per area without a fault, then the note
// below.
void CheckInstallerRows(const InstallFacts& facts, const RowContext& context, std::vector<Finding>& findings);

// A note (not a fault) when the library is registered: every user's Explorer loads it from one
// user's application data, which that user can write.
void NoteSharedLibraryFolder(const InstallFacts& facts, std::vector<Finding>& findings);

// The virtual drive class and, for a user with a sync folder, the per-user entries and the places bar.
void CheckVirtualDrive(const InstallFacts& facts, const RowContext& context, std::vector<Finding>& findings);

// Each of our overlay identifiers must rank within the slots Explorer loads; names that push one out
// are listed.
void CheckOverlaySlots(const InstallFacts& facts, std::vector<Finding>& findings);

// "[ok]    area: text", "[FAULT] area: text" and an indented "-> action" line when there is one.
std::vector<std::wstring> FormatFinding(const Finding& finding);

} // namespace pellicor::shellhost
