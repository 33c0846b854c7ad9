// Who serves a connected pipe and who we are, handed to MayTalkToServer before a byte is written.
// Each step queries the system's own records; none waits on the client. What cannot change is
// learned once: the system's version and functions, our process's identity, and the facts of the
// last server that passed, its process held open so that its id stays its own.
#include "shellext/channel/ServerIdentityCheck.h"

#include "common/UniqueHandle.h"

#include <versionhelpers.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace pellicor
{

CallerIdentitySource g_callerIdentityForTests = nullptr;

namespace
{

using GetServerIdFunction = BOOL(WINAPI*)(HANDLE, PULONG);

// Vista and later name a pipe's server process; before that the check is skipped. The function is
// resolved at run time so that the library still loads where it does not exist; where the system
// is Vista or later and it is missing all the same, the server stays unknown and is refused.
struct SystemFacts
{
    bool namesServer = false;
    bool hasAppContainers = false; // Windows 8 and later; earlier systems cannot be asked
    GetServerIdFunction serverProcessId = nullptr;
};

const SystemFacts& System() noexcept
{
    static const SystemFacts facts = []
    {
        const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        return SystemFacts{IsWindowsVistaOrGreater() != FALSE, IsWindows8OrGreater() != FALSE,
                           reinterpret_cast<GetServerIdFunction>(reinterpret_cast<void*>(
                               ::GetProcAddress(kernel, "GetNamedPipeServerProcessId")))};
    }();
    return facts;
}

std::optional<SidBytes> BytesOf(PSID sid) noexcept
{
    if (!sid || !::IsValidSid(sid))
        return std::nullopt;
    const DWORD length = ::GetLengthSid(sid);
    if (length == 0 || length > kMaxSidBytes)
        return std::nullopt;
    SidBytes bytes;
    std::memcpy(bytes.bytes.data(), sid, length);
    bytes.length = length;
    return bytes;
}

// The level a mandatory label's SID (S-1-16-x) names.
std::optional<std::uint32_t> LevelOf(PSID label) noexcept
{
    static constexpr SID_IDENTIFIER_AUTHORITY kLabelAuthority = SECURITY_MANDATORY_LABEL_AUTHORITY;
    if (!label || !::IsValidSid(label) || *::GetSidSubAuthorityCount(label) != 1 ||
        std::memcmp(::GetSidIdentifierAuthority(label), &kLabelAuthority, sizeof kLabelAuthority) != 0)
        return std::nullopt;
    return *::GetSidSubAuthority(label, 0);
}

// Room for any of the fixed-size answers below and a SID.
template <typename T> struct TokenAnswer
{
    alignas(T) std::uint8_t bytes[sizeof(T) + SECURITY_MAX_SID_SIZE];
    const T& Get() const { return *reinterpret_cast<const T*>(bytes); }
};

template <typename T> bool Ask(HANDLE token, TOKEN_INFORMATION_CLASS what, TokenAnswer<T>& answer) noexcept
{
    DWORD size = 0;
    return ::GetTokenInformation(token, what, answer.bytes, sizeof answer.bytes, &size) != FALSE;
}

// A token with restricting SIDs answers with at least one of them; a plain token with none. A system
// that does not know the question (Wine) has no restricted tokens; Windows always answers it.
std::optional<bool> IsRestricted(HANDLE token) noexcept
{
    TokenAnswer<TOKEN_GROUPS> groups;
    if (Ask(token, TokenRestrictedSids, groups))
        return groups.Get().GroupCount != 0;
    switch (::GetLastError())
    {
    case ERROR_INSUFFICIENT_BUFFER:
        return true; // more restricting SIDs than the room for one
    case ERROR_INVALID_FUNCTION:
        return false;
    default:
        return std::nullopt;
    }
}

std::optional<ProcessIdentity> IdentityFromToken(HANDLE token) noexcept
{
    TokenAnswer<TOKEN_USER> user;
    TokenAnswer<DWORD> session;
    TokenAnswer<TOKEN_MANDATORY_LABEL> level;
    if (!Ask(token, TokenUser, user) || !Ask(token, TokenSessionId, session) ||
        !Ask(token, TokenIntegrityLevel, level))
        return std::nullopt;
    const std::optional<SidBytes> sid = BytesOf(user.Get().User.Sid);
    const std::optional<std::uint32_t> integrity = LevelOf(level.Get().Label.Sid);
    const std::optional<bool> restricted = IsRestricted(token);
    if (!sid || !integrity || !restricted)
        return std::nullopt;
    ProcessIdentity identity;
    identity.session = session.Get();
    identity.user = *sid;
    identity.integrity = *integrity;
    identity.restricted = *restricted;
    if (System().hasAppContainers)
    {
        TokenAnswer<DWORD> appContainer;
        if (!Ask(token, TokenIsAppContainer, appContainer))
            return std::nullopt;
        identity.appContainer = appContainer.Get() != 0;
    }
    return identity;
}

// Our process's identity never changes while it lives: learned once.
const std::optional<ProcessIdentity>& OwnProcessIdentity() noexcept
{
    static const std::optional<ProcessIdentity> identity = []() -> std::optional<ProcessIdentity>
    {
        UniqueKernelHandle token;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
            return std::nullopt;
        return IdentityFromToken(token.get());
    }();
    return identity;
}

// The owner and label that the pipe object took from its creator's token: one call.
std::optional<PipeCreator> CreatorOf(HANDLE pipe) noexcept
{
    alignas(SECURITY_DESCRIPTOR) std::uint8_t buffer[512];
    DWORD needed = 0;
    if (!::GetKernelObjectSecurity(pipe, OWNER_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION, buffer,
                                   sizeof buffer, &needed))
        return std::nullopt;
    const PSECURITY_DESCRIPTOR descriptor = buffer;
    PSID owner = nullptr;
    BOOL ownerDefaulted = FALSE;
    BOOL hasLabels = FALSE;
    PACL labels = nullptr;
    BOOL labelsDefaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) ||
        !::GetSecurityDescriptorSacl(descriptor, &hasLabels, &labels, &labelsDefaulted))
        return std::nullopt;
    PipeCreator creator;
    if (owner) // Wine records none
    {
        creator.owner = BytesOf(owner);
        if (!creator.owner)
            return std::nullopt;
    }
    for (DWORD i = 0; hasLabels && labels && i < labels->AceCount; ++i)
    {
        void* ace = nullptr;
        if (!::GetAce(labels, i, &ace) ||
            static_cast<const ACE_HEADER*>(ace)->AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE)
            continue;
        const std::optional<std::uint32_t> level =
            LevelOf(&static_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace)->SidStart);
        if (!level)
            return std::nullopt; // a label we cannot read: the creator stays unknown
        creator.label = *level;
    }
    return creator;
}

// What the check learns of a server on first contact.
struct ServerFacts
{
    ProcessIdentity process;
    PipeCreator creator;
};

// The last server that passed the check, its process held open. While we hold it its id cannot pass
// to another process, so a pipe naming that id is its own: every instance of a pipe name shares the
// security descriptor of the name's first instance, so a pipe made by an earlier holder of the id
// would have shown its owner and label when this one was judged, and one made after cannot name the
// id. Its facts then stand for every later call, which costs our thread's token and the pipe's
// server id.
class HeldServer
{
public:
    std::optional<ServerFacts> Find(DWORD processId) noexcept
    {
        ::AcquireSRWLockShared(&m_lock);
        std::optional<ServerFacts> facts;
        if (m_process && m_processId == processId)
            facts = m_facts;
        ::ReleaseSRWLockShared(&m_lock);
        return facts;
    }

    void Hold(DWORD processId, UniqueKernelHandle process, const ServerFacts& facts) noexcept
    {
        ::AcquireSRWLockExclusive(&m_lock);
        m_processId = processId;
        std::swap(m_process, process);
        m_facts = facts;
        ::ReleaseSRWLockExclusive(&m_lock);
    } // the process held before is released here, outside the lock

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    DWORD m_processId = 0;
    UniqueKernelHandle m_process;
    ServerFacts m_facts;
};

HeldServer g_heldServer;

// First contact: the pipe's owner and label, then the process that the pipe names and its token.
std::optional<ServerFacts> LearnServer(HANDLE pipe, DWORD processId, UniqueKernelHandle& process) noexcept
{
    const std::optional<PipeCreator> creator = CreatorOf(pipe);
    if (!creator)
        return std::nullopt;
    // Another user's process normally refuses to be opened: its identity is then unknown, which
    // refuses it as well. So is a creator that has exited with nobody holding its process.
    process.reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    UniqueKernelHandle token;
    if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY, token.put()))
        return std::nullopt;
    const std::optional<ProcessIdentity> identity = IdentityFromToken(token.get());
    if (!identity)
        return std::nullopt;
    return ServerFacts{*identity, *creator};
}

} // namespace

std::optional<ProcessIdentity> CallerIdentity() noexcept
{
    if (g_callerIdentityForTests)
        return g_callerIdentityForTests();
    const std::optional<ProcessIdentity>& own = OwnProcessIdentity();
    // A thread that impersonates acts for that user: the client must be that user's, at that
    // user's level or above. The session stays our process's: that is where Explorer shows.
    UniqueKernelHandle threadToken;
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, threadToken.put()))
    {
        std::optional<ProcessIdentity> impersonated = IdentityFromToken(threadToken.get());
        if (!own || !impersonated)
            return std::nullopt;
        impersonated->session = own->session;
        return impersonated;
    }
    if (::GetLastError() != ERROR_NO_TOKEN)
        return std::nullopt;
    return own;
}

bool PipeServerIsOurOwn(HANDLE pipe) noexcept
{
    const SystemFacts& system = System();
    if (!system.namesServer)
        return MayTalkToServer(false, std::nullopt, std::nullopt, std::nullopt);
    const std::optional<ProcessIdentity> caller = CallerIdentity();
    ULONG processId = 0;
    if (!system.serverProcessId || !system.serverProcessId(pipe, &processId) || processId == 0)
        return MayTalkToServer(true, caller, std::nullopt, std::nullopt);
    if (const std::optional<ServerFacts> held = g_heldServer.Find(processId))
        return MayTalkToServer(true, caller, held->process, held->creator);
    UniqueKernelHandle process;
    const std::optional<ServerFacts> learned = LearnServer(pipe, processId, process);
    if (!learned || !MayTalkToServer(true, caller, learned->process, learned->creator))
        return false;
    // Only a server that passed is held: one that failed is judged afresh on every call, so that it
    // neither displaces our client nor keeps a stale verdict.
    g_heldServer.Hold(processId, std::move(process), *learned);
    return true;
}

} // namespace pellicor
