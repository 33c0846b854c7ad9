// Starting a program on the interactive user's desktop with that user's ordinary rights, even when
// the launcher itself runs elevated for the installer: four ways, each a fallback for the one before.
#include "launcher/InteractiveStart.h"

#include "common/UniqueHandle.h"
#include "launcher/Log.h"
#include "launcher/ProcessToken.h"
#include "launcher/UserEnvironment.h"

#include <memory>
#include <string>

namespace drovana
{

namespace
{
constexpr const wchar_t* kInteractiveDesktop = L"winsta0\\default";

// CreateProcessAsUserW may write into its command line, so it gets a private copy.
std::unique_ptr<wchar_t[]> WritableCopy(const wchar_t* text)
{
    const std::wstring source = text ? text : L"";
    auto copy = std::make_unique<wchar_t[]>(source.size() + 1);
    source.copy(copy.get(), source.size());
    copy[source.size()] = L'\0';
    return copy;
}

// The started program is not waited for; only its handles are let go.
void LetGo(const PROCESS_INFORMATION& started) noexcept
{
    const pellicor::UniqueKernelHandle thread(started.hThread);
    const pellicor::UniqueKernelHandle process(started.hProcess);
}

bool StartWithPrimaryToken(HANDLE token, const wchar_t* application, const wchar_t* commandLine,
                           const wchar_t* desktop, DWORD creationFlags,
                           decltype(&::CreateProcessAsUserW) createProcessAsUser = &::CreateProcessAsUserW)
{
    auto writableCommandLine = WritableCopy(commandLine);
    auto writableDesktop = WritableCopy(desktop);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (desktop)
        startup.lpDesktop = writableDesktop.get();
    PROCESS_INFORMATION info{};
    if (!createProcessAsUser(token, application, writableCommandLine.get(), nullptr, nullptr, FALSE,
                             creationFlags, nullptr, nullptr, &startup, &info))
        return false;
    LetGo(info);
    return true;
}
} // namespace

bool CreateProcessWithUserToken(HANDLE explorerToken, const wchar_t* application, const wchar_t* commandLine,
                                const ProcessStarters& starters)
{
    if (!explorerToken)
    {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    bool started = false;
    DWORD error = ERROR_SUCCESS;
    {
        // The user's own variables (profile, temporary folder, path), not the elevated installer's.
        const UserEnvironmentBlock environment(explorerToken);
        if (!environment.get())
            return false;
        auto writableCommandLine = WritableCopy(commandLine);
        auto writableDesktop = WritableCopy(kInteractiveDesktop);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.lpDesktop = writableDesktop.get();
        PROCESS_INFORMATION info{};
        // No logon flags: the user is signed in, so the profile is loaded already.
        started = starters.createProcessWithToken(explorerToken, 0, application, writableCommandLine.get(),
                                                  NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT,
                                                  environment.get(), nullptr, &startup, &info) != FALSE;
        error = ::GetLastError();
        if (started)
            LetGo(info);
    }
    // Releasing the environment must not change the error that the log reports.
    ::SetLastError(error);
    return started;
}

bool CreateRestrictedProcess(HANDLE explorerToken, const wchar_t* application, const wchar_t* commandLine)
{
    if (!explorerToken)
        return false;

    DWORD size = 0;
    if (!::GetTokenInformation(explorerToken, TokenIntegrityLevel, nullptr, 0, &size) &&
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    if (size == 0)
        return false;
    auto level = std::make_unique<BYTE[]>(size);
    if (!::GetTokenInformation(explorerToken, TokenIntegrityLevel, level.get(), size, &size))
        return false;

    pellicor::UniqueKernelHandle ownToken;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, ownToken.put()))
        return false;
    // The own token is lowered in place, not a copy of it: the launcher runs at Explorer's level from
    // here on, which is harmless because starting the client is the last step of every mode.
    if (!::SetTokenInformation(ownToken.get(), TokenIntegrityLevel, level.get(), size))
        return false;

    return StartWithPrimaryToken(ownToken.get(), application, commandLine, nullptr, 0);
}

bool StartAsInteractiveUser(const wchar_t* application, const wchar_t* commandLine,
                            const wchar_t* preferredSid, const ProcessStarters& starters)
{
    pellicor::UniqueKernelHandle explorerToken;
    if (!GetProcessTokenByName(kShellImageName, explorerToken.put(), preferredSid))
    {
        LogFormat("GetProcessTokenByName fail: %d", static_cast<int>(::GetLastError()));
        return false;
    }
    if (!explorerToken)
    {
        // Nobody is logged on to the shell: there is no user to start the program for.
        LogFormat("token still zero after GetProcessTokenByName fail");
        return false;
    }

    if (StartWithPrimaryToken(explorerToken.get(), application, commandLine, kInteractiveDesktop,
                              NORMAL_PRIORITY_CLASS, starters.createProcessAsUser))
    {
        LogFormatWide(L"CreateProcessAsUser ok!");
        return true;
    }
    // Without the privilege to assign a primary token (an ordinary elevated installer) this way fails.
    LogFormat("CreateProcessAsUser false! Error code: %d.", static_cast<int>(::GetLastError()));

    // An elevated administrator holds the privilege to impersonate, which this way needs: the client
    // then runs as the user, with the user's groups and environment, not the administrator's.
    if (CreateProcessWithUserToken(explorerToken.get(), application, commandLine, starters))
    {
        LogFormatWide(L"CreateProcessWithToken ok!");
        return true;
    }
    LogFormat("CreateProcessWithToken false! Error code: %d.", static_cast<int>(::GetLastError()));

    if (CreateRestrictedProcess(explorerToken.get(), application, commandLine))
        return true;
    LogFormat("CreateRestrictedProcess false! Error code: %d.", static_cast<int>(::GetLastError()));

    if (CreateProcessUseSchedulerTask(application, commandLine))
        return true;
    LogFormat("CreateProcessUseSchedulerTask false! Error code: %d.", static_cast<int>(::GetLastError()));
    return false;
}

} // namespace drovana
