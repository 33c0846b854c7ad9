#pragma once
// A built file's version resource as Explorer's Details tab shows it, for the doctor and the tests.
#include <optional>
#include <string>

namespace pellicor::shellkit
{

struct FileVersion
{
    std::wstring fileVersion;    // the fixed part, "a.b.c.d"
    std::wstring productVersion; // the fixed part, "a.b.c.d"
};

// Null when the file cannot be read or has no version resource.
std::optional<FileVersion> ReadFileVersion(const std::wstring& path);

// One text of the version resource's first language ("ProductName", "OriginalFilename", ...); empty
// when it is not there.
std::wstring ReadVersionText(const std::wstring& path, const wchar_t* name);

} // namespace pellicor::shellkit
