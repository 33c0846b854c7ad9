// DrovanaLauncher: run by the installer, the updater and to start the client. The first word of the
// command line picks a mode; the mode's steps run in order, and the program exits. It shows no
// window: the log is its only report, and the exit code is 0 unless its own path cannot be read.
#include "common/NoThrow.h"
#include "common/TextConversion.h"
#include "launcher/DllSearch.h"
#include "launcher/InteractiveStart.h"
#include "launcher/Log.h"
#include "launcher/MenuPackage.h"
#include "launcher/Registration.h"
#include "launcher/Shutdown.h"
#include "launcher/VirtualDrive.h"
#include "launcher/core/CommandLine.h"
#include "launcher/core/LaunchModes.h"
#include "launcher/core/LauncherPaths.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace drovana
{

namespace
{
constexpr int kExitDone = 0;
constexpr int kExitNoModulePath = -1;

// What every step of a mode works with.
struct LaunchContext
{
    std::wstring launcherDirectory; // ends in "\"
    std::wstring clientPath;
    std::wstring argument; // the second word, converted from the ANSI code page

    // The user whose Explorer the steps prefer: the command line's SID, when there is one.
    const wchar_t* preferredSid() const { return argument.empty() ? nullptr : argument.c_str(); }
};

// True only for a 32-bit launcher on 64-bit Windows, which hands over to the 64-bit one.
bool RunsUnderWow64()
{
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const FARPROC proc = ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "IsWow64Process");
    if (!proc)
        return false;
    const auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(proc));
    BOOL wow64 = FALSE;
    return isWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// A 32-bit launcher would write the 32-bit registry view: start the 64-bit launcher from the same
// folder with the same command line instead, and do nothing else.
int RelaunchAs64Bit(const char* commandLine, int showCommand)
{
    char modulePath[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return kExitDone;
    const std::string launcher64 = DirectoryOf(std::string_view(modulePath, length)) + kLauncher64FileName;
    const HINSTANCE result =
        ::ShellExecuteA(nullptr, "open", launcher64.c_str(), commandLine, nullptr, showCommand);
    LogFormat("launcher: open %s return: %d", launcher64.c_str(),
              static_cast<int>(reinterpret_cast<INT_PTR>(result)));
    return kExitDone;
}

// The program's own path, or empty when it cannot be read whole.
std::wstring ModulePath()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::wstring(path, length);
}

void RunStep(const LaunchStep& step, const LaunchContext& context)
{
    switch (step.kind)
    {
    case StepKind::WriteInstallerReg:
        WriteInstallerReg(context.launcherDirectory, context.preferredSid());
        break;
    case StepKind::CreateVirtualDisk:
        CreateVirtualDisk();
        break;
    case StepKind::WriteUserVirtualDisk:
        WriteUserVirtualDisk(context.clientPath, context.argument);
        break;
    case StepKind::RestartExplorer:
        RestartExplorer();
        break;
    case StepKind::Wait:
        ::Sleep(step.waitMilliseconds);
        break;
    case StepKind::StartClient:
        StartAsInteractiveUser(context.clientPath.c_str(), step.clientArguments ? step.clientArguments : L"",
                               context.preferredSid());
        break;
    case StepKind::CloseClient:
        CloseClient();
        break;
    case StepKind::CloseEditor:
        CloseEditor();
        break;
    case StepKind::DeleteShortcut:
        DeleteShortcut(context.preferredSid());
        break;
    case StepKind::RemoveInstallerReg:
        RemoveInstallerReg();
        break;
    case StepKind::RegisterMenuPackage:
        RegisterMenuPackage(context.launcherDirectory, context.preferredSid());
        break;
    case StepKind::RemoveMenuPackage:
        RemoveMenuPackage(context.preferredSid());
        break;
    }
}

int RunLauncher(const char* commandLine, int showCommand)
{
    // Run elevated, the launcher loads every library it asks for by name from the system folder only,
    // never from beside itself or from the current folder, where someone else may have put one. Its
    // imports are loaded before this line; they are all known DLLs, which the system maps from the
    // system folder anyway (scripts/lib/check-binaries keeps it so).
    const bool searchRestricted = RestrictDllSearch();
    const DWORD searchError = ::GetLastError();

    if (RunsUnderWow64())
        return RelaunchAs64Bit(commandLine, showCommand);

    const std::wstring modulePath = ModulePath();
    if (modulePath.empty())
    {
        LogFormat("launcher GetModuleFileNameW failed, exit");
        return kExitNoModulePath;
    }

    LaunchContext context;
    context.launcherDirectory = DirectoryOf(std::wstring_view(modulePath));
    context.clientPath = ClientPath(context.launcherDirectory);

    LogFormat("launcher cmdline: %s", commandLine);
    if (!searchRestricted)
        LogFormat("SetDefaultDllDirectories false! Error code: %d.", static_cast<int>(searchError));

    const CommandWords words = ModeAndArgument(commandLine);
    const LaunchMode* mode = FindLaunchMode(words.mode);
    if (!mode)
        return kExitDone; // an unknown mode word is not an error
    context.argument = pellicor::ToUtf16(words.argument, CP_ACP);

    // Each step runs whatever the earlier ones did; a step that throws loses only itself.
    for (const LaunchStep& step : mode->steps)
        pellicor::NoThrow([&] { RunStep(step, context); });
    return kExitDone;
}
} // namespace

} // namespace drovana

// The system's signature, with its parameter names: the command line is not const there.
// NOLINTNEXTLINE(readability-non-const-parameter)
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int nShowCmd)
{
    return pellicor::NoThrow([&] { return drovana::RunLauncher(lpCmdLine ? lpCmdLine : "", nShowCmd); });
}
