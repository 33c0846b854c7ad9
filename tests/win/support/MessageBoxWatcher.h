#pragma once
// The tests read and close the library's message boxes with the shell kit's watcher.
#include "shellhost/kit/MessageBoxWatcher.h"

namespace pellicor::test
{
using shellkit::MessageBoxWatcher;
using shellkit::SeenMessageBox;
} // namespace pellicor::test
