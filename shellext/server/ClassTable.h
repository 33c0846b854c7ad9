#pragma once
// The class identifiers the library serves and the overlay kind each one gives. Every identifier but
// the last yields CShellExt; where the launcher registered it decides its role. The last one is
// Explorer's command menu on Windows 11, an object class of its own.
#include <windows.h>

#include <cstdint>

#include "shellext/server/OverlayKind.h"

namespace pellicor
{

// The object class a class object makes.
enum class ObjectClass
{
    ShellExt,        // server/ShellExt.h
    ExplorerCommand, // menu/ExplorerCommand.h
};

struct ClassEntry
{
    CLSID clsid;
    std::int32_t kind;
    ObjectClass objectClass = ObjectClass::ShellExt;
};

// clang-format off
inline constexpr ClassEntry kClassTable[] = {
    // synced overlay identifier and context-menu handler
    {{0x9C4E21B6, 0x5A1D, 0x4E7C, {0xA2, 0xF8, 0x3D, 0x6B, 0x90, 0xE4, 0xC1, 0xF5}}, Synced},
    // syncing overlay identifier
    {{0x9C4E21B4, 0x5A1D, 0x4E7C, {0xA2, 0xF8, 0x3D, 0x6B, 0x90, 0xE4, 0xC1, 0xF5}}, Syncing},
    // safe overlay identifier (not registered)
    {{0x9C4E21B3, 0x5A1D, 0x4E7C, {0xA2, 0xF8, 0x3D, 0x6B, 0x90, 0xE4, 0xC1, 0xF5}}, Safe},
    // share overlay identifier (not registered)
    {{0x9C4E21B5, 0x5A1D, 0x4E7C, {0xA2, 0xF8, 0x3D, 0x6B, 0x90, 0xE4, 0xC1, 0xF5}}, Share},
    // invalid overlay identifier
    {{0x9C4E21B7, 0x5A1D, 0x4E7C, {0xA2, 0xF8, 0x3D, 0x6B, 0x90, 0xE4, 0xC1, 0xF5}}, Invalid},
    // copy hook
    {{0xE3A90C52, 0x71B4, 0x4D6E, {0x8F, 0x21, 0x5C, 0x0B, 0x7D, 0x93, 0xA4, 0x18}}, NoOverlay},
    // browser helper (per-window site object)
    {{0x4F7B2D91, 0x0E6C, 0x4A38, {0xB5, 0xD2, 0x9A, 0x1C, 0x6E, 0x08, 0xF3, 0x7B}}, NoOverlay},
    // Explorer's command menu (Windows 11), registered by the menu package
    {{0x9326E65E, 0x3AA1, 0x402C, {0xB8, 0x8E, 0xF2, 0x15, 0x6E, 0x7A, 0x83, 0xF1}}, NoOverlay, ObjectClass::ExplorerCommand},
};
// clang-format on

// Looks the identifier up in table order; null for any identifier the library does not serve.
const ClassEntry* FindClass(REFCLSID clsid) noexcept;

} // namespace pellicor
