// Placeholder until the copy guard lands: every operation is allowed.
#include "shellext/server/ShellExt.h"

namespace pellicor
{

IFACEMETHODIMP_(UINT) CShellExt::CopyCallback(HWND, UINT, UINT, PCWSTR, DWORD, PCWSTR, DWORD) { return IDYES; }

} // namespace pellicor
