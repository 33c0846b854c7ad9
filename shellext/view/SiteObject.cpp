// Placeholder until the view integration lands: the object stays inert in every window.
#include "shellext/server/ShellExt.h"

namespace pellicor
{

IFACEMETHODIMP CShellExt::SetSite(IUnknown* site) { return site ? E_FAIL : S_OK; }
IFACEMETHODIMP CShellExt::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return S_OK; }

} // namespace pellicor
