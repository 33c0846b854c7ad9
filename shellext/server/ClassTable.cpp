#include "shellext/server/ClassTable.h"

namespace pellicor
{

bool FindClassKind(REFCLSID clsid, std::int32_t& kind) noexcept
{
    for (const ClassEntry& entry : kClassTable)
    {
        if (::IsEqualCLSID(entry.clsid, clsid))
        {
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

} // namespace pellicor
