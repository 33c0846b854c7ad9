// String-table lookup in the library's own module. The language is read afresh for every string so
// that a change of the client's language shows at the next message.
#include "shellext/resources/LocalizedString.h"

#include "common/NoThrow.h"
#include "shellext/server/ShellExt.h"
#include "shellext/settings/Settings.h"

#include <windows.h>

namespace pellicor
{

namespace
{

constexpr std::size_t kMaxStringLength = 1023;
constexpr unsigned kStringsPerBlock = 16;
constexpr DWORD kEnglishLanguage = 1033;

WORD TableLanguage()
{
    return ReadLanguageId() == kEnglishLanguage ? MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)
                                                : MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
}

// The string's code units in the block of 16 that holds it, cut at its first NUL.
std::wstring ReadString(unsigned id)
{
    const HMODULE module = ModuleInstance();
    const WORD block = static_cast<WORD>(id / kStringsPerBlock + 1);
    // Exactly the chosen language: a string missing there stays empty rather than switching language.
    const HRSRC info = ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(block), TableLanguage());
    if (!info)
        return {};
    const HGLOBAL loaded = ::LoadResource(module, info);
    const auto* units = loaded ? static_cast<const WCHAR*>(::LockResource(loaded)) : nullptr;
    if (!units)
        return {};
    const std::size_t available = ::SizeofResource(module, info) / sizeof(WCHAR);

    // Each entry is a length unit followed by that many code units; never walk past the block.
    std::size_t offset = 0;
    for (unsigned skip = id % kStringsPerBlock; skip > 0; --skip)
    {
        if (offset >= available)
            return {};
        offset += 1 + units[offset];
    }
    if (offset >= available)
        return {};
    std::size_t length = units[offset];
    ++offset;
    if (length > available - offset)
        length = available - offset;
    if (length > kMaxStringLength)
        length = kMaxStringLength;

    std::wstring text(units + offset, length);
    if (const auto nul = text.find(L'\0'); nul != std::wstring::npos)
        text.resize(nul);
    return text;
}

} // namespace

std::wstring LoadLocalizedString(unsigned id)
{
    return NoThrow([id] { return ReadString(id); });
}

} // namespace pellicor
