// Plays drovana.exe for the launcher's tests: records the command line it was started with beside
// itself, in client-command-line.txt (UTF-16), and exits. Started as "--desktop" it only makes sure
// the shell's desktop process runs, which Wine starts on a program's first look at the desktop.
#include "common/UniqueHandle.h"

#include <windows.h>

#include <string>

int main()
{
    const wchar_t* commandLine = ::GetCommandLineW();
    if (std::wstring(commandLine).find(L"--desktop") != std::wstring::npos)
    {
        ::GetDesktopWindow();
        return 0;
    }

    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring record(path, length);
    record = record.substr(0, record.find_last_of(L'\\') + 1) + L"client-command-line.txt";

    const std::wstring temporary = record + L".part";
    {
        pellicor::UniqueFile file(
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!file)
            return 1;
        DWORD written = 0;
        ::WriteFile(file.get(), commandLine, static_cast<DWORD>(wcslen(commandLine) * sizeof(wchar_t)),
                    &written, nullptr);
    }
    // Renamed when complete, so a reader never sees half a record.
    ::MoveFileExW(temporary.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
    return 0;
}
