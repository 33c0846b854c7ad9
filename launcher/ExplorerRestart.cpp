// Ending Explorer after the shell registration changed: the platform restarts the shell by itself,
// and the new shell loads the extension with the new registration.
#include "launcher/Shutdown.h"

#include "common/UniqueHandle.h"
#include "launcher/Log.h"
#include "launcher/ProcessToken.h"

#include <windows.h>

namespace drovana
{

bool RestartExplorer()
{
    bool lastResult = false;
    ForEachProcessInScope(kShellImageName,
                          [&](const PROCESSENTRY32W& entry)
                          {
                              // Every Explorer of the session is ended, separate folder windows included,
                              // so that no shell process of this user keeps the old registration loaded;
                              // other signed-in users' shells are theirs to restart.
                              pellicor::UniqueKernelHandle process(
                                  ::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
                              lastResult = process && ::TerminateProcess(process.get(), 0);
                              LogFormat("found explorer and restart: %s", lastResult ? "true" : "false");
                              return true;
                          });
    return lastResult;
}

} // namespace drovana
