#pragma once
// Ownership of the OLE automation strings the view integration reads from the browser.
#include "common/UniqueHandle.h"

#include <oleauto.h>

namespace pellicor
{

using UniqueBstr = UniqueHandle<BSTR, traits::NullIsInvalid<BSTR, ::SysFreeString>>;

} // namespace pellicor
