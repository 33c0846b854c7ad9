#pragma once
// A data object that carries a file selection as CF_HDROP, the way Explorer hands a selection to a
// context-menu handler's Initialize. Each GetData returns a fresh copy that the caller releases.
#include "common/ComPtr.h"

#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

namespace pellicor::shellhost
{

// A DROPFILES block with wide paths, double-NUL terminated; null when memory runs out.
HGLOBAL MakeDropFiles(const std::vector<std::wstring>& paths);

ComPtr<IDataObject> CreateDropFilesDataObject(const std::vector<std::wstring>& paths);

} // namespace pellicor::shellhost
