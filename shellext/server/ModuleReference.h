#pragma once
// What keeps the library loaded. Explorer unloads it once DllCanUnloadNow says so, and any code of
// ours that runs after that (a window procedure, a subclass, a timer) jumps into unmapped memory.
// So everything that can still run our code counts: every class object and object, and every window,
// subclass and timer of ours until it is really gone. Server locks are counted on their own.
#include <windows.h>

namespace pellicor
{

// One count of the library, held from construction to destruction. An object holds it as a base
// class, so that it drops only after every member is destroyed. A window of ours takes one when its
// procedure is installed and gives it back at its WM_NCDESTROY, through Detach and ReleaseDetached.
class ModuleReference
{
public:
    ModuleReference() noexcept;
    ModuleReference(const ModuleReference&) noexcept; // a second count
    ModuleReference& operator=(const ModuleReference&) noexcept { return *this; }
    ~ModuleReference();

    // Hands the count to something that is no C++ object; it must call ReleaseDetached once.
    void Detach() noexcept { m_held = false; }
    static void ReleaseDetached() noexcept;

private:
    bool m_held = true;
};

// LockServer: a lock without a matching earlier one is ignored, so that the locks never go below
// zero and never hide a live object.
void LockModule(bool lock) noexcept;

// True when nothing of the library is alive and no lock is held.
bool ModuleCanUnload() noexcept;

} // namespace pellicor
