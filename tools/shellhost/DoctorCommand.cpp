// "doctor": one report of everything the shell integration needs.
#include "tools/shellhost/Commands.h"
#include "tools/shellhost/Console.h"

namespace pellicor::shellhost
{

int RunDoctor(const Words& words)
{
    PrintLine(L"doctor: not available yet");
    return 1;
}

} // namespace pellicor::shellhost
