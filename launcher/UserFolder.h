#pragma once
// A folder that a user can write, as the elevated launcher must use it: a standard user can replace
// any folder of their own with a junction or plant a link at a file, and an elevated program that
// follows it creates, appends to, moves over or deletes a file of that user's choosing. So every
// folder from the user's profile down is opened without following a reparse point, refused when it is
// one or when the object opened is not the one named, and held open without delete sharing while this
// object lives, so that no checked folder is renamed or replaced underneath. Holding a folder does not
// keep it from becoming a mount point, so nothing below the profile is ever reached by a path again:
// each folder and file is opened or created by its name alone, relative to the held handle of its
// parent. What was created and then fails the checks is removed through its own handle. Files are
// renamed or deleted through the handle that was checked, never by name after a check.
//
// The chain starts at the profile folder: the system keeps its path for each account, only
// administrators change it, and its parent (C:\Users) is theirs, so the user cannot replace it. The
// folders below it are the user's. A folder outside the profile (a user's application data redirected
// through their own registry values) could name any folder of the machine, and is refused.
#include "common/UniqueHandle.h"

#include <functional>
#include <string>
#include <vector>

namespace drovana
{

enum class UserPathStatus
{
    Open,    // opened, and what was opened is what the path names
    Missing, // not there (a missing file or folder is no fault)
    Refused, // a link, junction or mount point, a folder where a file belongs, or outside the profile
    Failed,  // any other failure to open (rights, sharing)
};

class UserFile
{
public:
    UserPathStatus status = UserPathStatus::Failed;
    pellicor::UniqueFile handle;
};

class UserFolder
{
public:
    // Opens profile and every folder below it down to folder; createLast makes the last one when it is
    // missing (its parents must exist). beforeCreate, when given, runs once its parents are held and
    // just before it is made (tests plant links there).
    UserFolder(const std::wstring& profile, const std::wstring& folder, bool createLast,
               const std::function<void()>& beforeCreate = {});

    UserPathStatus status() const { return m_status; }
    const std::wstring& path() const { return m_path; }

    enum class Create
    {
        No,
        IfMissing,
    };
    // Opens the file name directly inside the folder, without following a link. Besides the checks
    // above, singleName refuses a file that has further names (hard links), whose data lies elsewhere.
    UserFile OpenFile(const std::wstring& name, DWORD access, DWORD share, Create create,
                      bool singleName) const;

private:
    std::vector<pellicor::UniqueFile> m_chain; // the profile first, the folder last
    std::wstring m_path;
    std::wstring m_reported; // the folder's path as the system reports it for the open handle
    UserPathStatus m_status = UserPathStatus::Failed;
};

// Renames the open file to target (a full path, replacing a file there) through its handle.
bool RenameOpenFile(HANDLE file, const std::wstring& target);
// Deletes the open file through its handle; it goes when the last handle to it closes.
bool DeleteOpenFile(HANDLE file);

} // namespace drovana
