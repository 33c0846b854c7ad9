#pragma once
#include <windows.h>

namespace drovana
{

// The token of the first process with this image name (case-insensitive) whose token opens.
// False only when the process list cannot be read; true with a null token when no process matched.
bool GetProcessTokenByName(const wchar_t* imageName, HANDLE* token);

} // namespace drovana
