#pragma once
// Where the test programs find what they run: everything is built into one bin folder.
#include <string>

namespace pellicor::test
{

// The folder of the running test program, with a trailing backslash.
std::wstring BinFolder();

// BinFolder() + name.
std::wstring BinPath(const std::wstring& name);

constexpr const wchar_t* kLibraryFileName = L"PellicorOverlays_x64_10060.dll";

} // namespace pellicor::test
