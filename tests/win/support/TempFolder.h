#pragma once
// A throwaway folder, removed with everything in it at the end of the scope, and the whole-file
// reads and writes that tests check files with.
#include <optional>
#include <string>
#include <vector>

namespace pellicor::test
{

class TempFolder
{
public:
    // A new folder under parent (a folder path without a trailing backslash), by default the
    // temporary folder.
    explicit TempFolder(const std::wstring& parent = {});
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, without a trailing backslash.
    const std::wstring& Root() const { return m_root; }
    std::wstring Path(const std::wstring& relative) const { return m_root + L"\\" + relative; }
    // Creates Root()\relative and every missing folder above it; returns its full path.
    std::wstring Folder(const std::wstring& relative) const;
    // Creates (or replaces) a file with the given bytes; returns its full path.
    std::wstring File(const std::wstring& relative, const std::string& bytes = {}) const;
    // The names in the folder itself, sorted.
    std::vector<std::wstring> Names() const;

private:
    std::wstring m_root;
};

bool FileExists(const std::wstring& path);
// Removes a file, or a folder with everything in it.
void RemoveTree(const std::wstring& path);
// The whole file, read while others may write it; nullopt when it cannot be opened.
std::optional<std::string> ReadFileBytes(const std::wstring& path);
// Creates or replaces the file; a failure fails the test.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

} // namespace pellicor::test
