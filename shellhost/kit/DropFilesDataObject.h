#pragma once
// A real data object carrying a file selection as CF_HDROP in an HGLOBAL, the way Explorer hands a
// selection to a shell extension's Initialize. Each GetData gives a fresh copy; the test can tell
// how many of those copies the receiver released again.
#include "common/ComPtr.h"

#include <windows.h>
#include <objidl.h>

#include <memory>
#include <string>
#include <vector>

namespace pellicor::shellkit
{

// A DROPFILES block with wide paths, double-NUL terminated; null when memory runs out.
HGLOBAL MakeDropFiles(const std::vector<std::wstring>& paths);

struct DropFilesCounters
{
    long dataRequests = 0; // successful GetData calls
    long releases = 0;     // copies released through ReleaseStgMedium
};

// Serves CF_HDROP with the paths (an empty list gives a file list holding no file).
ComPtr<IDataObject> CreateDropFilesDataObject(const std::vector<std::wstring>& paths,
                                              std::shared_ptr<DropFilesCounters> counters = nullptr);

// Serves no format at all: a selection without a file list.
ComPtr<IDataObject> CreateDataObjectWithoutFiles();

} // namespace pellicor::shellkit
