// Placeholder until process start lands.
#include "launcher/InteractiveStart.h"

namespace drovana
{

bool StartAsInteractiveUser(const wchar_t*, const wchar_t*) { return false; }
bool CreateRestrictedProcess(HANDLE, const wchar_t*, const wchar_t*) { return false; }
bool CreateProcessUseSchedulerTask(const wchar_t*, const wchar_t*) { return false; }

} // namespace drovana
