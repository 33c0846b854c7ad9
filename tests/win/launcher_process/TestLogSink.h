#pragma once
// Stands in for the launcher's log in the tests of process start and shutdown: every line is kept in
// memory for the test to read and echoed to stdout as "log: <line>" for a parent process to read.
#include <string>
#include <vector>

namespace pellicor::test::process
{

// The lines logged since the last call, oldest first; the store is emptied.
std::vector<std::string> TakeLogLines();

constexpr const char* kLogEchoPrefix = "log: ";

} // namespace pellicor::test::process
