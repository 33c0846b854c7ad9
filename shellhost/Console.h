#pragma once
// Output of the shell host. Support staff redirect it into files and mail it, so it goes out as UTF-8
// when stdout is not a console; Chinese texts of the library survive either way.
#include <cstdint>
#include <string>

namespace pellicor::shellhost
{

void Print(const std::wstring& text); // as it stands
void PrintLine(const std::wstring& text = {});
void PrintError(const std::wstring& text); // one line on stderr

std::wstring Hex32(std::uint32_t value);       // "0x8000FFFF"
std::wstring HresultText(long hr);             // "S_OK", "S_FALSE", or "0x80004005"
std::wstring Quoted(const std::wstring& text); // in double quotes, control characters shown as \n, \t, \xNN

} // namespace pellicor::shellhost
