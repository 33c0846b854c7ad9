// launcher_process_helper.exe: runs one of the launcher's process steps in a process of its own, for
// the steps that change the process for good (the lowered token, the process-wide COM security) or
// that must not run in a process with windows. It prints "log: <line>" for every log line and
// "result: 0|1" last.
//   scheduler APP ARGS [--real-scheduler]    CreateProcessUseSchedulerTask (fake scheduler by default)
//   start APP ARGS [--fake-scheduler]        StartAsInteractiveUser
//   restricted APP ARGS                      CreateRestrictedProcess with Explorer's token
//   user-token APP ARGS [--refuse]           StartAsInteractiveUser with the first way refused for the
//                                            missing privilege, as for an elevated installer; the way
//                                            with Explorer's token prints what it is given ("seam: ...",
//                                            "explorer token: ...") and, with --refuse, fails
//   exit CODE MS                             ends with exit code CODE after MS milliseconds
#include "launcher/InteractiveStart.h"
#include "launcher/ProcessToken.h"
#include "tests/win/launcher_process/FakeTaskScheduler.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

namespace
{

bool g_refuseUserToken = false;

std::string TokenId(HANDLE token)
{
    TOKEN_STATISTICS statistics{};
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenStatistics, &statistics, sizeof(statistics), &size))
        return "unreadable";
    char text[32];
    std::snprintf(text, sizeof(text), "%08lx%08lx", static_cast<unsigned long>(statistics.TokenId.HighPart),
                  static_cast<unsigned long>(statistics.TokenId.LowPart));
    return text;
}

BOOL WINAPI RefuseAssignPrimaryToken(HANDLE, LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                                     BOOL, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION)
{
    ::SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

BOOL WINAPI RecordUserTokenStart(HANDLE token, DWORD logonFlags, LPCWSTR application, LPWSTR commandLine,
                                 DWORD flags, LPVOID environment, LPCWSTR directory, LPSTARTUPINFOW startup,
                                 LPPROCESS_INFORMATION info)
{
    bool profile = false;
    bool launcherOnly = false;
    if (environment && (flags & CREATE_UNICODE_ENVIRONMENT))
    {
        for (const wchar_t* entry = static_cast<const wchar_t*>(environment); *entry;
             entry += wcslen(entry) + 1)
        {
            const std::wstring_view variable(entry);
            profile = profile || variable.rfind(L"USERPROFILE=", 0) == 0;
            launcherOnly = launcherOnly || variable.rfind(L"PELLICOR_LAUNCHER_ONLY=", 0) == 0;
        }
    }
    std::printf("seam: token %s, unicode %d, profile %d, launcher-only %d, desktop %ls\n",
                TokenId(token).c_str(), (flags & CREATE_UNICODE_ENVIRONMENT) ? 1 : 0, profile ? 1 : 0,
                launcherOnly ? 1 : 0, startup && startup->lpDesktop ? startup->lpDesktop : L"(none)");
    std::fflush(stdout);
    if (g_refuseUserToken)
    {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ::CreateProcessWithTokenW(token, logonFlags, application, commandLine, flags, environment,
                                     directory, startup, info);
}

int Report(bool result)
{
    std::printf("result: %d\n", result ? 1 : 0);
    std::fflush(stdout);
    return 0;
}

bool InstallFake()
{
    const long hr = InstallFakeTaskScheduler();
    if (hr < 0)
        std::printf("cannot install the fake scheduler: 0x%08lx\n", static_cast<unsigned long>(hr));
    return hr >= 0;
}

int Run(int argc, wchar_t** argv)
{
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    const std::wstring option = argc > 4 ? argv[4] : L"";
    if (argc < 4)
    {
        std::printf(
            "usage: launcher_process_helper scheduler|start|restricted|user-token APP ARGS [option]\n");
        return 2;
    }
    const wchar_t* application = argv[2];
    const wchar_t* commandLine = argv[3];
    if (mode == L"exit")
    {
        ::Sleep(std::wcstoul(argv[3], nullptr, 10));
        return static_cast<int>(std::wcstoul(argv[2], nullptr, 0));
    }
    if (mode == L"scheduler")
    {
        if (option != L"--real-scheduler" && !InstallFake())
            return 3;
        return Report(drovana::CreateProcessUseSchedulerTask(application, commandLine));
    }
    if (mode == L"start")
    {
        if (option == L"--fake-scheduler" && !InstallFake())
            return 3;
        return Report(drovana::StartAsInteractiveUser(application, commandLine));
    }
    if (mode == L"user-token")
    {
        HANDLE token = nullptr;
        drovana::GetProcessTokenByName(L"explorer.exe", &token);
        std::printf("explorer token: %s\n", token ? TokenId(token).c_str() : "none");
        if (token)
            ::CloseHandle(token);
        g_refuseUserToken = option == L"--refuse";
        drovana::ProcessStarters starters;
        starters.createProcessAsUser = RefuseAssignPrimaryToken;
        starters.createProcessWithToken = RecordUserTokenStart;
        return Report(drovana::StartAsInteractiveUser(application, commandLine, nullptr, starters));
    }
    if (mode == L"restricted")
    {
        HANDLE token = nullptr;
        drovana::GetProcessTokenByName(L"explorer.exe", &token);
        const bool started = drovana::CreateRestrictedProcess(token, application, commandLine);
        if (token)
            ::CloseHandle(token);
        return Report(started);
    }
    std::printf("unknown mode\n");
    return 2;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv)
        return 2;
    const int code = Run(argc, argv);
    ::LocalFree(argv);
    return code;
}
