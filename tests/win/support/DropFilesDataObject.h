#pragma once
// The tests hand selections to the library the way Explorer does, with the shell kit's data object.
#include "shellhost/kit/DropFilesDataObject.h"

namespace pellicor::test
{
using shellkit::CreateDataObjectWithoutFiles;
using shellkit::CreateDropFilesDataObject;
using shellkit::DropFilesCounters;
} // namespace pellicor::test
