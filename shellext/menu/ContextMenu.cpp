// Placeholder until the context menu lands: every operation gives its neutral answer.
#include "shellext/server/ShellExt.h"

namespace pellicor
{

IFACEMETHODIMP CShellExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject*, HKEY) { return E_INVALIDARG; }
IFACEMETHODIMP CShellExt::QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) { return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0); }
IFACEMETHODIMP CShellExt::InvokeCommand(CMINVOKECOMMANDINFO*) { return E_INVALIDARG; }
IFACEMETHODIMP CShellExt::GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) { return E_INVALIDARG; }
IFACEMETHODIMP CShellExt::HandleMenuMsg(UINT, WPARAM, LPARAM) { return S_OK; }
IFACEMETHODIMP CShellExt::HandleMenuMsg2(UINT, WPARAM, LPARAM, LRESULT* result)
{
    if (result)
        *result = 0;
    return S_OK;
}

} // namespace pellicor
