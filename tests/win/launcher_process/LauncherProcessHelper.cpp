// launcher_process_helper.exe: runs one of the launcher's process steps in a process of its own, for
// the steps that change the process for good (the process-wide COM security) or that must not run in
// a process with windows. It prints "log: <line>" for every log line and "result: 0|1" last.
//   scheduler APP ARGS [--real-scheduler]    CreateProcessUseSchedulerTask (fake scheduler by default)
//   start APP ARGS [options]                 StartAsInteractiveUser; every way that creates a process
//                                            prints what it is given ("seam wayN: ...") and then
//                                            creates it. --refuse-way1 fails the first as for an
//                                            elevated installer without the privilege (1314),
//                                            --refuse-way2 and --refuse-way3 fail those with 5;
//                                            --fake-scheduler. Prints "explorer token: ..." and
//                                            "own token before/after: ..." (see TokenFacts).
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

bool g_refuse[4] = {};

// The token's identity and what the ways care about: "<id> modified <id> <user> elevation <type>
// elevated <0|1> integrity <rid>".
std::string TokenFacts(HANDLE token)
{
    TOKEN_STATISTICS statistics{};
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenStatistics, &statistics, sizeof(statistics), &size) ||
        !::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size))
        return "unreadable";
    BYTE label[128] = {};
    DWORD integrity = 0;
    if (::GetTokenInformation(token, TokenIntegrityLevel, label, sizeof(label), &size))
    {
        PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label)->Label.Sid;
        integrity = *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1U);
    }
    char text[256];
    std::snprintf(
        text, sizeof(text), "%08lx%08lx modified %08lx%08lx %ls elevation %d elevated %lu integrity %lx",
        static_cast<unsigned long>(statistics.TokenId.HighPart),
        static_cast<unsigned long>(statistics.TokenId.LowPart),
        static_cast<unsigned long>(statistics.ModifiedId.HighPart),
        static_cast<unsigned long>(statistics.ModifiedId.LowPart), drovana::TokenUserSid(token).c_str(),
        static_cast<int>(drovana::TokenElevationOf(token)),
        static_cast<unsigned long>(elevation.TokenIsElevated), static_cast<unsigned long>(integrity));
    return text;
}

// Prints what a way is given: its token, whether it passes the user's own environment (the profile
// there, the helper's own PELLICOR_LAUNCHER_ONLY not), and the desktop. True when the way may go on.
bool Record(int way, HANDLE token, DWORD flags, const void* environment, const STARTUPINFOW* startup)
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
    std::printf("seam way%d: token %s, unicode %d, profile %d, launcher-only %d, desktop %ls\n", way,
                TokenFacts(token).c_str(), (flags & CREATE_UNICODE_ENVIRONMENT) ? 1 : 0, profile ? 1 : 0,
                launcherOnly ? 1 : 0, startup && startup->lpDesktop ? startup->lpDesktop : L"(none)");
    std::fflush(stdout);
    if (!g_refuse[way])
        return true;
    ::SetLastError(way == 1 ? ERROR_PRIVILEGE_NOT_HELD : ERROR_ACCESS_DENIED);
    return false;
}

template <int Way>
BOOL WINAPI RecordAsUser(HANDLE token, LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES process,
                         LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags, LPVOID environment,
                         LPCWSTR directory, LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info)
{
    if (!Record(Way, token, flags, environment, startup))
        return FALSE;
    return ::CreateProcessAsUserW(token, application, commandLine, process, thread, inherit, flags,
                                  environment, directory, startup, info);
}

BOOL WINAPI RecordWithToken(HANDLE token, DWORD logonFlags, LPCWSTR application, LPWSTR commandLine,
                            DWORD flags, LPVOID environment, LPCWSTR directory, LPSTARTUPINFOW startup,
                            LPPROCESS_INFORMATION info)
{
    if (!Record(2, token, flags, environment, startup))
        return FALSE;
    return ::CreateProcessWithTokenW(token, logonFlags, application, commandLine, flags, environment,
                                     directory, startup, info);
}

std::string OwnTokenFacts()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return "unreadable";
    std::string facts = TokenFacts(token);
    ::CloseHandle(token);
    return facts;
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

int Start(const wchar_t* application, const wchar_t* commandLine, int optionCount, wchar_t** options)
{
    for (int i = 0; i < optionCount; ++i)
    {
        const std::wstring option = options[i];
        if (option == L"--fake-scheduler" && !InstallFake())
            return 3;
        for (int way = 1; way <= 3; ++way)
            g_refuse[way] = g_refuse[way] || option == L"--refuse-way" + std::to_wstring(way);
    }
    HANDLE explorer = nullptr;
    drovana::GetProcessTokenByName(L"explorer.exe", &explorer);
    std::printf("explorer token: %s\n", explorer ? TokenFacts(explorer).c_str() : "none");
    if (explorer)
        ::CloseHandle(explorer);
    std::printf("own token before: %s\n", OwnTokenFacts().c_str());
    drovana::ProcessStarters starters;
    starters.createProcessAsUser = RecordAsUser<1>;
    starters.createProcessWithToken = RecordWithToken;
    starters.createProcessWithFilteredToken = RecordAsUser<3>;
    const bool started = drovana::StartAsInteractiveUser(application, commandLine, nullptr, starters);
    std::printf("own token after: %s\n", OwnTokenFacts().c_str());
    return Report(started);
}

int Run(int argc, wchar_t** argv)
{
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (argc < 4)
    {
        std::printf("usage: launcher_process_helper scheduler|start APP ARGS [options]\n");
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
        if ((argc < 5 || std::wstring(argv[4]) != L"--real-scheduler") && !InstallFake())
            return 3;
        return Report(drovana::CreateProcessUseSchedulerTask(application, commandLine));
    }
    if (mode == L"start")
        return Start(application, commandLine, argc - 4, argv + 4);
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
