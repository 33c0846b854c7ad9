#pragma once
// Running the real launcher under Wine and reading what it leaves: its log, the registry, and the
// command line of the client it started. Each test gets a folder of its own with a copy of the
// launcher and a stand-in drovana.exe beside it, so the launcher directory is known and client
// starts can be seen.
#include "tests/win/support/RegistryScope.h"
#include "tests/win/support/TempFolder.h"
#include "tests/win/support/Utf8.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace pellicor::test::launcher
{

constexpr const wchar_t* kLauncherFileName = L"DrovanaLauncher_x64.exe";

class LauncherFolder
{
public:
    LauncherFolder();

    const std::wstring& path() const { return m_path; } // with a trailing backslash
    std::wstring launcher() const { return m_path + kLauncherFileName; }
    std::wstring client() const { return m_path + L"drovana.exe"; }

    // Runs the launcher with "<quoted path><tail>" as its whole command line and returns its exit
    // code; window messages of the calling thread are handled while it runs. The session's desktop
    // shell runs and is shielded meanwhile: modes that start the client borrow its token, and modes
    // that end every Explorer find it and fail to end it.
    DWORD RunWithTail(const std::wstring& tail) const;
    // Runs it with one space and the arguments after the program, or with nothing for "".
    DWORD Run(const std::wstring& arguments) const
    {
        return RunWithTail(arguments.empty() ? std::wstring() : L" " + arguments);
    }

    // The command line the stand-in client recorded, waiting for it a while; nullopt if none came.
    std::optional<std::wstring> WaitForClientStart() const;
    // The recorded command line if the client has started by now.
    std::optional<std::wstring> ClientStart() const;
    void ForgetClientStart() const;

private:
    TempFolder m_folder;
    std::wstring m_path = m_folder.Root() + L"\\";
};

// The log: %APPDATA%\Pellicor\FileSync.log and FileSync.archieve.log.
std::wstring LogFolder();
std::wstring LogFile();
std::wstring ArchiveFile();
void RemoveLogFiles();
// The messages of the log's lines in order; a line not shaped "Y-M-D, h:m:s: message" CR LF fails the test.
std::vector<std::string> LogMessages();

// Removes everything the launcher's sheets write, for the machine and for the given user root,
// leaving the Approved key and the places bar key themselves in place.
void RemoveLauncherRegistration(HKEY userRoot = HKEY_CURRENT_USER);

} // namespace pellicor::test::launcher
