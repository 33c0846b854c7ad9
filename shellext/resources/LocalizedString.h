#pragma once
// String-table lookup in the library's own resources, English (1033) or Chinese (2052) by the
// client's language setting, with no fallback from one table to the other. It lives beside the
// string tables it reads; the guard's warnings, the view's band and the menu's caption all ask it.
#include <string>

namespace pellicor
{

// At most 1023 code units; empty when the string is not in the chosen table.
std::wstring LoadLocalizedString(unsigned id);

} // namespace pellicor
