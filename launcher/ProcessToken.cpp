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

std::wstring TokenUserSid(HANDLE token)
{
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0)
        return {};
    auto buffer = std::make_unique<BYTE[]>(size);
    if (!::GetTokenInformation(token, TokenUser, buffer.get(), size, &size))
        return {};
    pellicor::UniqueLocal<wchar_t> text;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid, text.put()))
        return {};
    return text.get();
}
} // namespace

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
    std::vector<ProcessFacts> facts;
    if (!ListProcessesNamed(imageName, entries, facts))
        return false;

    // A process we may not query (another user's, a protected one) keeps no token and is passed over.
    std::vector<pellicor::UniqueKernelHandle> tokens(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        pellicor::UniqueKernelHandle process(
            ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entries[i].th32ProcessID));
        if (process && ::OpenProcessToken(process.get(), TOKEN_ALL_ACCESS, tokens[i].put()) && tokens[i])
            facts[i].userSid = TokenUserSid(tokens[i].get());
    }
    for (const std::size_t i :
         ShellTokenOrder(facts, SessionOf(::GetCurrentProcessId()), preferredSid ? preferredSid : L""))
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
