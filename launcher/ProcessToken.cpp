// Finding a process by its image name and taking its token: the interactive user is whoever owns
// the shell's Explorer process, which is how an elevated launcher reaches that user's rights and folders.
#include "launcher/ProcessToken.h"

#include "common/UniqueHandle.h"

#include <tlhelp32.h>
#include <cwchar>
#include <cwctype>

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

bool GetProcessTokenByName(const wchar_t* imageName, HANDLE* token)
{
    if (!token)
        return false;
    *token = nullptr;

    pellicor::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;

    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!::Process32FirstW(snapshot.get(), &entry))
        return false;

    do
    {
        if (!ImageNameEquals(entry.szExeFile, imageName))
            continue;
        // A process we may not query (another user's, a protected one) is passed over for the next match.
        pellicor::UniqueKernelHandle process(
            ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID));
        if (!process)
            continue;
        HANDLE opened = nullptr;
        if (::OpenProcessToken(process.get(), TOKEN_ALL_ACCESS, &opened) && opened)
        {
            *token = opened;
            return true;
        }
    } while (::Process32NextW(snapshot.get(), &entry));

    return true;
}

} // namespace drovana
