// Starting a program on the interactive user's desktop with that user's ordinary rights, even when
// the launcher itself runs elevated for the installer: four ways, each a fallback for the one before.
// No way hands the program an administrator's token: not Explorer's when it is elevated (see
// ProcessToken.h), and not the launcher's own, relabelled or not.
#include "launcher/InteractiveStart.h"

#include "common/UniqueHandle.h"
#include "launcher/Log.h"
#include "launcher/ProcessToken.h"
#include "launcher/UserEnvironment.h"
#include "launcher/core/ProcessChoice.h"

#include <memory>
#include <optional>
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

// What every way gives the process it creates: the token user's own variables (profile, temporary
// folder, path), never the elevated launcher's, a private command line and, when named, the desktop.
// start creates the process; the error it leaves is kept across the release of the environment.
template <typename Start>
bool StartWithUserEnvironment(HANDLE token, const wchar_t* commandLine, const wchar_t* desktop, Start start)
{
    bool started = false;
    DWORD error = ERROR_SUCCESS;
    {
        const UserEnvironmentBlock environment(token);
        if (!environment.get())
            return false;
        auto writableCommandLine = WritableCopy(commandLine);
        auto writableDesktop = WritableCopy(desktop);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (desktop)
            startup.lpDesktop = writableDesktop.get();
        PROCESS_INFORMATION info{};
        started = start(writableCommandLine.get(), NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT,
                        environment.get(), &startup, &info) != FALSE;
        error = ::GetLastError();
        if (started)
            LetGo(info);
    }
    ::SetLastError(error);
    return started;
}

bool StartWithPrimaryToken(HANDLE token, const wchar_t* application, const wchar_t* commandLine,
                           const wchar_t* desktop, decltype(&::CreateProcessAsUserW) createProcessAsUser)
{
    return StartWithUserEnvironment(
        token, commandLine, desktop,
        [&](wchar_t* line, DWORD flags, void* environment, STARTUPINFOW* startup, PROCESS_INFORMATION* info)
        {
            return createProcessAsUser(token, application, line, nullptr, nullptr, FALSE, flags, environment,
                                       nullptr, startup, info);
        });
}

enum class WayResult
{
    Started,
    Failed,
    Skipped,
};

// An elevated administrator's token keeps the administrators' rights at any integrity level, and
// any program on the desktop could drive a client running with it. Its linked token is the same
// account filtered: that one may start the client, when the account is the signed-in user's.
WayResult StartWithFilteredToken(HANDLE explorerToken, const wchar_t* application, const wchar_t* commandLine,
                                 const ProcessStarters& starters)
{
    pellicor::UniqueKernelHandle own;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.put()))
        return WayResult::Failed;
    const Elevation elevation = TokenElevationOf(own.get());
    pellicor::UniqueKernelHandle linked;
    std::optional<std::wstring> linkedUser;
    TOKEN_LINKED_TOKEN link{};
    DWORD size = 0;
    if (elevation == Elevation::Full &&
        ::GetTokenInformation(own.get(), TokenLinkedToken, &link, sizeof(link), &size))
    {
        linked.reset(link.LinkedToken);
        linkedUser = TokenUserSid(linked.get());
    }
    const FilteredTokenChoice choice =
        ChooseFilteredToken(elevation, linkedUser, TokenUserSid(explorerToken));
    if (choice != FilteredTokenChoice::UseLinkedToken)
    {
        LogFormat("CreateRestrictedProcess skipped: %s.", FilteredTokenSkipReason(choice));
        return WayResult::Skipped;
    }
    // The linked token comes as an impersonation token; a process needs a primary one. Without the
    // privilege to act as part of the system it is one for identification only, which cannot become
    // primary: the way then fails and the scheduler, which runs unelevated, follows.
    pellicor::UniqueKernelHandle primary;
    if (!::DuplicateTokenEx(linked.get(), MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary,
                            primary.put()))
        return WayResult::Failed;
    return StartWithPrimaryToken(primary.get(), application, commandLine, nullptr,
                                 starters.createProcessWithFilteredToken)
               ? WayResult::Started
               : WayResult::Failed;
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
    // No logon flags: the user is signed in, so the profile is loaded already.
    return StartWithUserEnvironment(
        explorerToken, commandLine, kInteractiveDesktop,
        [&](wchar_t* line, DWORD flags, void* environment, STARTUPINFOW* startup, PROCESS_INFORMATION* info)
        {
            return starters.createProcessWithToken(explorerToken, 0, application, line, flags, environment,
                                                   nullptr, startup, info);
        });
}

bool CreateRestrictedProcess(HANDLE explorerToken, const wchar_t* application, const wchar_t* commandLine,
                             const ProcessStarters& starters)
{
    if (!explorerToken)
        return false;
    return StartWithFilteredToken(explorerToken, application, commandLine, starters) == WayResult::Started;
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
                              starters.createProcessAsUser))
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

    switch (StartWithFilteredToken(explorerToken.get(), application, commandLine, starters))
    {
    case WayResult::Started:
        return true;
    case WayResult::Failed:
        LogFormat("CreateRestrictedProcess false! Error code: %d.", static_cast<int>(::GetLastError()));
        break;
    case WayResult::Skipped:
        break;
    }

    if (CreateProcessUseSchedulerTask(application, commandLine))
        return true;
    LogFormat("CreateProcessUseSchedulerTask false! Error code: %d.", static_cast<int>(::GetLastError()));
    return false;
}

} // namespace drovana
