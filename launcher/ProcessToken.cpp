// Finding a process by its image name and taking its token: the interactive user is whoever owns
// the shell's Explorer process, which is how an elevated launcher reaches that user's rights and folders.
#include "launcher/ProcessToken.h"

#include "common/UniqueHandle.h"

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

bool GetProcessTokenByName(const wchar_t* imageName, HANDLE* token)
{
    if (!token)
        return false;
    *token = nullptr;

    return ForEachProcessNamed(imageName,
                               [&](const PROCESSENTRY32W& entry)
                               {
                                   // A process we may not query (another user's, a protected one) is
                                   // passed over for the next match.
                                   pellicor::UniqueKernelHandle process(
                                       ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID));
                                   HANDLE opened = nullptr;
                                   if (process &&
                                       ::OpenProcessToken(process.get(), TOKEN_ALL_ACCESS, &opened) && opened)
                                   {
                                       *token = opened;
                                       return false;
                                   }
                                   return true;
                               });
}

} // namespace drovana
