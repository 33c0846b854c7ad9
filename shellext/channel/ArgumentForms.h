#pragma once
// The two text forms in which numbers travel on the pipe. Portable: no <windows.h>.
#include <cstdint>
#include <string>

namespace pellicor
{

// Signed 32-bit decimal: "-" before negative values, no padding, grouping or prefix.
std::wstring DecimalForm(std::int32_t value);

// Pointer-sized value as exactly 16 upper-case hexadecimal digits, zero-padded, no "0x".
std::wstring HandleForm(std::uint64_t value);

} // namespace pellicor
