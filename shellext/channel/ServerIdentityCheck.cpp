// Who serves a connected pipe (its process and session, the process's token user) and who we are,
// handed to MayTalkToServer before a byte is written. Each step queries the system's own records;
// none waits on the client.
#include "shellext/channel/ServerIdentityCheck.h"

#include "common/UniqueHandle.h"

#include <cstdint>
#include <cstring>

namespace pellicor
{

CallerIdentitySource g_callerIdentityForTests = nullptr;

namespace
{

using GetServerIdFunction = BOOL(WINAPI*)(HANDLE, PULONG);

// Vista and later name a pipe's server process and its session; before that the check is skipped.
// Resolved at run time so that the library still loads where the functions do not exist.
struct PipeServerFunctions
{
    GetServerIdFunction processId = nullptr;
    GetServerIdFunction sessionId = nullptr;
};

const PipeServerFunctions& ServerFunctions() noexcept
{
    static const PipeServerFunctions functions = []
    {
        const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        const auto resolve = [kernel](const char* name) {
            return reinterpret_cast<GetServerIdFunction>(
                reinterpret_cast<void*>(::GetProcAddress(kernel, name)));
        };
        return PipeServerFunctions{resolve("GetNamedPipeServerProcessId"),
                                   resolve("GetNamedPipeServerSessionId")};
    }();
    return functions;
}

std::optional<ProcessIdentity> IdentityFromToken(HANDLE token, DWORD session) noexcept
{
    alignas(TOKEN_USER) std::uint8_t buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size))
        return std::nullopt;
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer)->User.Sid;
    if (!sid || !::IsValidSid(sid))
        return std::nullopt;
    const DWORD length = ::GetLengthSid(sid);
    if (length == 0 || length > kMaxSidBytes)
        return std::nullopt;
    ProcessIdentity identity;
    identity.session = session;
    std::memcpy(identity.user.data(), sid, length);
    identity.userLength = length;
    return identity;
}

// The process's own session and user never change while it lives: learned once.
const std::optional<ProcessIdentity>& OwnProcessIdentity() noexcept
{
    static const std::optional<ProcessIdentity> identity = []() -> std::optional<ProcessIdentity>
    {
        DWORD session = 0;
        UniqueKernelHandle token;
        if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session) ||
            !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
            return std::nullopt;
        return IdentityFromToken(token.get(), session);
    }();
    return identity;
}

// The pipe names its server's session itself: one call, where asking the process for it would open
// the process once more.
std::optional<ProcessIdentity> ServerIdentity(HANDLE pipe, const PipeServerFunctions& server) noexcept
{
    ULONG processId = 0;
    ULONG session = 0;
    if (!server.processId(pipe, &processId) || processId == 0 || !server.sessionId(pipe, &session))
        return std::nullopt;
    // Another user's process normally refuses to be opened: its identity is then unknown, which
    // refuses it as well.
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    UniqueKernelHandle token;
    if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY, token.put()))
        return std::nullopt;
    return IdentityFromToken(token.get(), session);
}

} // namespace

std::optional<ProcessIdentity> CallerIdentity() noexcept
{
    if (g_callerIdentityForTests)
        return g_callerIdentityForTests();
    const std::optional<ProcessIdentity>& own = OwnProcessIdentity();
    // A thread that impersonates acts for that user: the client must be that user's.
    UniqueKernelHandle threadToken;
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, threadToken.put()))
        return own ? IdentityFromToken(threadToken.get(), own->session) : std::nullopt;
    if (::GetLastError() != ERROR_NO_TOKEN)
        return std::nullopt;
    return own;
}

bool PipeServerIsOurOwn(HANDLE pipe) noexcept
{
    const PipeServerFunctions& server = ServerFunctions();
    if (!server.processId || !server.sessionId)
        return MayTalkToServer(false, std::nullopt, std::nullopt);
    return MayTalkToServer(true, CallerIdentity(), ServerIdentity(pipe, server));
}

} // namespace pellicor
