// Placeholder until shutdown lands.
#include "launcher/Shutdown.h"

namespace drovana
{

bool RestartExplorer() { return false; }
bool CloseClient() { return true; }
bool CloseEditor() { return true; }
bool KillProcessByName(const wchar_t*) { return false; }
bool DeleteShortcut() { return true; }

} // namespace drovana
