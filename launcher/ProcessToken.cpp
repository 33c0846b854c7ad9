// Finding a process by its image name and taking its token: the interactive user is whoever owns
// the shell's Explorer process, which is how an elevated launcher reaches that user's rights and folders.
// Which of several such processes counts is decided in launcher/core/ProcessChoice.h.
#include "launcher/ProcessToken.h"

#include "common/UniqueHandle.h"
#include "launcher/core/ProcessChoice.h"

#include <sddl.h>

#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

namespace drovana
{

namespace
{
constexpr size_t kImageNameUnits = MAX_PATH;

// Copies name into buf upper-cased; false when it does not fit, so that a cut name never matches.
bool UpperCopy(const wchar_t* name, wchar_t (&buf)[kImageNameUnits])
{
    size_t i = 0;
    for (; name[i] != L'\0'; ++i)
    {
        if (i + 1 >= kImageNameUnits)
            return false;
        buf[i] = static_cast<wchar_t>(std::towupper(name[i]));
    }
    buf[i] = L'\0';
    return true;
}

bool ForEachProcessNamed(const wchar_t* imageName, const std::function<bool(const PROCESSENTRY32W&)>& visit)
{
    pellicor::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;

    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!::Process32FirstW(snapshot.get(), &entry))
        return false;
    do
    {
        if (ImageNameEquals(entry.szExeFile, imageName) && !visit(entry))
            break;
    } while (::Process32NextW(snapshot.get(), &entry));
    return true;
}

std::uint32_t SessionOf(DWORD processId)
{
    DWORD session = 0;
    return ::ProcessIdToSessionId(processId, &session) ? session : kUnknownSession;
}

// Every process with this image name in snapshot order, with its session; false when the list
// cannot be read.
bool ListProcessesNamed(const wchar_t* imageName, std::vector<PROCESSENTRY32W>& entries,
                        std::vector<ProcessFacts>& facts)
{
    return ForEachProcessNamed(imageName,
                               [&](const PROCESSENTRY32W& entry)
                               {
                                   entries.push_back(entry);
                                   facts.push_back({SessionOf(entry.th32ProcessID), {}});
                                   return true;
                               });
}

// Token information of variable size; empty when it cannot be read.
std::unique_ptr<BYTE[]> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind)
{
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    if (size == 0)
        return nullptr;
    auto buffer = std::make_unique<BYTE[]>(size);
    if (!::GetTokenInformation(token, kind, buffer.get(), size, &size))
        return nullptr;
    return buffer;
}

template <typename T> bool FixedTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, T& value)
{
    DWORD size = 0;
    return ::GetTokenInformation(token, kind, &value, sizeof(value), &size) != FALSE;
}

std::uint32_t IntegrityOf(HANDLE token)
{
    const auto label = TokenInformation(token, TokenIntegrityLevel);
    if (!label)
        return kSystemIntegrity;
    PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label.get())->Label.Sid;
    const UCHAR count = *::GetSidSubAuthorityCount(sid);
    return count == 0 ? kSystemIntegrity : *::GetSidSubAuthority(sid, count - 1U);
}

std::wstring ImageOf(HANDLE process)
{
    wchar_t image[MAX_PATH] = {};
    DWORD units = MAX_PATH;
    return ::QueryFullProcessImageNameW(process, 0, image, &units) ? std::wstring(image, units)
                                                                   : std::wstring();
}

// With user account control off (the policy's EnableLUA 0), an administrator's shell runs elevated:
// there is no filtered token. Unreadable counts as on, the system's default.
bool FilteredTokensOn()
{
    DWORD enabled = 1;
    DWORD size = sizeof(enabled);
    const LSTATUS status =
        ::RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                       L"EnableLUA", RRF_RT_REG_DWORD, nullptr, &enabled, &size);
    return status != ERROR_SUCCESS || enabled != 0;
}

ShellRules CurrentShellRules()
{
    ShellRules rules;
    wchar_t folder[MAX_PATH] = {};
    // The system's Windows folder, never the private one a terminal server may give a program.
    UINT units = ::GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (units > 0 && units < MAX_PATH)
        rules.windowsFolder.assign(folder, units);
    units = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (units > 0 && units < MAX_PATH)
        rules.systemFolder.assign(folder, units);
    rules.ownSession = SessionOf(::GetCurrentProcessId());
    rules.filteredTokens = FilteredTokensOn();
    return rules;
}

// What the shell's rules ask about a process, read through the handle that pins it, so that a
// process id reused since the snapshot cannot lend another process's facts.
ProcessFacts ShellFacts(HANDLE process, HANDLE token)
{
    ProcessFacts facts;
    facts.image = ImageOf(process);
    DWORD session = 0;
    if (FixedTokenInformation(token, TokenSessionId, session))
        facts.sessionId = session;
    facts.userSid = TokenUserSid(token);
    TOKEN_ELEVATION elevation{};
    facts.elevated = !FixedTokenInformation(token, ::TokenElevation, elevation) || elevation.TokenIsElevated;
    facts.integrity = IntegrityOf(token);
    return facts;
}
} // namespace

std::wstring TokenUserSid(HANDLE token)
{
    const auto user = TokenInformation(token, TokenUser);
    pellicor::UniqueLocal<wchar_t> text;
    if (!user || !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid, text.put()))
        return {};
    return text.get();
}

Elevation TokenElevationOf(HANDLE token)
{
    TOKEN_ELEVATION_TYPE type{};
    if (!FixedTokenInformation(token, TokenElevationType, type))
        return Elevation::Unknown;
    switch (type)
    {
    case TokenElevationTypeDefault:
        return Elevation::Default;
    case TokenElevationTypeFull:
        return Elevation::Full;
    case TokenElevationTypeLimited:
        return Elevation::Limited;
    }
    return Elevation::Unknown;
}

bool ImageNameEquals(const wchar_t* processImage, const wchar_t* wanted)
{
    if (!processImage || !wanted)
        return false;
    wchar_t a[kImageNameUnits];
    wchar_t b[kImageNameUnits];
    if (!UpperCopy(processImage, a) || !UpperCopy(wanted, b))
        return false;
    return std::wcscmp(a, b) == 0;
}

bool ForEachProcessInScope(const wchar_t* imageName, const std::function<bool(const PROCESSENTRY32W&)>& visit)
{
    std::vector<PROCESSENTRY32W> entries;
    std::vector<ProcessFacts> facts;
    if (!ListProcessesNamed(imageName, entries, facts))
        return false;
    for (const std::size_t i : ProcessesInScope(facts, SessionOf(::GetCurrentProcessId())))
    {
        if (!visit(entries[i]))
            break;
    }
    return true;
}

bool GetProcessTokenByName(const wchar_t* imageName, HANDLE* token, const wchar_t* preferredSid)
{
    if (!token)
        return false;
    *token = nullptr;

    std::vector<PROCESSENTRY32W> entries;
    if (!ForEachProcessNamed(imageName,
                             [&](const PROCESSENTRY32W& entry)
                             {
                                 entries.push_back(entry);
                                 return true;
                             }))
        return false;

    // A process we may not query (another user's, a protected one) keeps no token and is passed over.
    std::vector<ProcessFacts> facts(entries.size());
    std::vector<pellicor::UniqueKernelHandle> tokens(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        pellicor::UniqueKernelHandle process(
            ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entries[i].th32ProcessID));
        if (process && ::OpenProcessToken(process.get(), TOKEN_ALL_ACCESS, tokens[i].put()) && tokens[i])
            facts[i] = ShellFacts(process.get(), tokens[i].get());
    }
    for (const std::size_t i : ShellTokenOrder(facts, CurrentShellRules(), preferredSid ? preferredSid : L""))
    {
        if (tokens[i])
        {
            *token = tokens[i].release();
            break;
        }
    }
    return true;
}

} // namespace drovana
