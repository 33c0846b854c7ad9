#pragma once
// The class identifiers the library serves and the overlay kind each one gives.
#include <windows.h>

#include <cstdint>

namespace pellicor
{

// Looks the identifier up in table order; false for any identifier the library does not serve.
bool FindClassKind(REFCLSID clsid, std::int32_t& kind) noexcept;

} // namespace pellicor
