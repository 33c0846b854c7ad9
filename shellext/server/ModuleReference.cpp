#include "shellext/server/ModuleReference.h"

#include <atomic>

namespace pellicor
{

namespace
{
std::atomic<LONG> g_references{0}; // live class objects, objects, windows, subclasses and timers
std::atomic<LONG> g_locks{0};      // LockServer(TRUE) not yet matched by LockServer(FALSE)
} // namespace

ModuleReference::ModuleReference() noexcept
{
    ++g_references;
}

ModuleReference::ModuleReference(const ModuleReference&) noexcept
{
    ++g_references;
}

ModuleReference::~ModuleReference()
{
    if (m_held)
        --g_references;
}

void ModuleReference::ReleaseDetached() noexcept
{
    --g_references;
}

void LockModule(bool lock) noexcept
{
    if (lock)
    {
        ++g_locks;
        return;
    }
    LONG locks = g_locks.load();
    while (locks > 0 && !g_locks.compare_exchange_weak(locks, locks - 1))
    {
    }
}

bool ModuleCanUnload() noexcept
{
    return g_references.load() == 0 && g_locks.load() == 0;
}

} // namespace pellicor
