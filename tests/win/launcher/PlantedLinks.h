#pragma once
// Links planted where a standard user could plant them, of every kind the platform lets a program
// make: symbolic links through the API (Wine 8 makes none: CreateSymbolicLinkW answers TRUE and
// creates nothing) and Unix symbolic links inside the prefix, made by Z:\bin\ln, which Wine follows
// like junctions. Junctions are not tried: Wine 8 refuses FSCTL_SET_REPARSE_POINT (not supported).
// Hard links stand in for the other way to give a file a second name.
#include "tests/win/support/TempFolder.h"

#include <string>
#include <vector>

namespace pellicor::test::launcher
{

enum class LinkKind
{
    ApiSymbolicLink,
    UnixSymbolicLink,
    HardLink, // files only
};

const char* LinkKindName(LinkKind kind);

// Symbolic links may point at a folder or a file, hard links at a file only.
inline const std::vector<LinkKind> kSymbolicLinkKinds = {LinkKind::ApiSymbolicLink,
                                                         LinkKind::UnixSymbolicLink};
inline const std::vector<LinkKind> kFileLinkKinds = {LinkKind::ApiSymbolicLink, LinkKind::UnixSymbolicLink,
                                                     LinkKind::HardLink};

// A link at link pointing at target (which exists), removed at the end of the scope (the link itself,
// never its target). False when this kind makes nothing here.
class PlantedLink
{
public:
    PlantedLink(LinkKind kind, std::wstring link, const std::wstring& target, bool folder);
    ~PlantedLink();
    PlantedLink(const PlantedLink&) = delete;
    PlantedLink& operator=(const PlantedLink&) = delete;

    explicit operator bool() const { return m_planted; }

private:
    LinkKind m_kind;
    std::wstring m_link;
    bool m_folder;
    bool m_planted = false;
};

// A folder outside every user's folders (under C:\), removed with its files at the end of the scope.
class OutsideFolder : public TempFolder
{
public:
    OutsideFolder() : TempFolder(L"C:") {}
};

// Moves an existing folder aside for the scope, so that a link can take its name, and puts it back.
// fromUnix moves it with the Unix side's mv, past the handles that Windows programs hold on it (Wine
// refuses to rename a folder that is open without delete sharing).
class FolderAside
{
public:
    explicit FolderAside(std::wstring folder, bool fromUnix = false);
    ~FolderAside();
    FolderAside(const FolderAside&) = delete;
    FolderAside& operator=(const FolderAside&) = delete;

private:
    bool Move(const std::wstring& from, const std::wstring& to) const;

    std::wstring m_folder;
    bool m_fromUnix;
    bool m_moved = false;
};

} // namespace pellicor::test::launcher
