#pragma once
// A throwaway folder tree under the temporary folder, removed with everything in it at the end,
// and small helpers for the marker files the client would write.
#include <string>

namespace pellicor::test
{

class TempTree
{
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The tree's root folder, without a trailing backslash.
    const std::wstring& Root() const { return m_root; }
    // Creates Root()\relative and every missing folder above it; returns its full path.
    std::wstring Folder(const std::wstring& relative) const;
    // Creates (or replaces) a file with the given UTF-8 or ASCII content; returns its full path.
    std::wstring File(const std::wstring& relative, const std::string& content = {}) const;

private:
    std::wstring m_root;
};

// Writes key=value into section "Pellicor" of the folder's "desktop.ini", as the client does.
void WriteMarker(const std::wstring& folder, const wchar_t* key, const wchar_t* value);
// Reads a key of section "Pellicor" of the folder's "desktop.ini"; "<none>" when missing.
std::wstring ReadMarker(const std::wstring& folder, const wchar_t* key);
bool FileExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);

} // namespace pellicor::test
