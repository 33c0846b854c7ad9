#include "shellext/server/ClassTable.h"

namespace pellicor
{

const ClassEntry* FindClass(REFCLSID clsid) noexcept
{
    for (const ClassEntry& entry : kClassTable)
    {
        if (::IsEqualCLSID(entry.clsid, clsid))
            return &entry;
    }
    return nullptr;
}

} // namespace pellicor
