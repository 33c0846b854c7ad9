// Placeholder until process start lands.
#include "launcher/ProcessToken.h"

namespace drovana
{

bool GetProcessTokenByName(const wchar_t*, HANDLE* token)
{
    if (token)
        *token = nullptr;
    return true;
}

} // namespace drovana
