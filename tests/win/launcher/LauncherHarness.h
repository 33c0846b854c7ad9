#pragma once
// Running the real launcher under Wine and reading what it leaves: its log, the registry, and the
// command line of the client it started. Each test gets a folder of its own with a copy of the
// launcher and a stand-in drovana.exe beside it, so the launcher directory is known and client
// starts can be seen.
#include "tests/win/support/RegistryScope.h"
#include "tests/win/support/TempFolder.h"
#include "common/TextConversion.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace pellicor::test::launcher
{

constexpr const wchar_t* kLauncherFileName = L"DrovanaLauncher_x64.exe";
// Spelled out here rather than taken from the launcher, so that a slip there fails the tests.
constexpr const wchar_t* kClassKey = L"CLSID\\{6A0D3E87-C2F1-4B59-8E36-71D4A2B9C05E}";
constexpr const wchar_t* kPlacesBar =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Comdlg32\\PlacesBar";
constexpr const wchar_t* kNameSpace = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\N"
                                      L"ameSpace\\{6A0D3E87-C2F1-4B59-8E36-71D4A2B9C05E}";
inline const std::wstring kDriveIconKey = std::wstring(kClassKey) + L"\\DefaultIcon";
inline const std::wstring kDriveTargetKey = std::wstring(kClassKey) + L"\\Instance\\InitPropertyBag";

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

// A folder of the shell's (CSIDL_...); Wine has one user, so these are the test's own.
std::wstring ShellFolder(int csidl);

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

// A test that starts and ends without the launcher's log and registration.
class LauncherTest : public ::testing::Test
{
protected:
    void SetUp() override { CleanUp(); }
    void TearDown() override { CleanUp(); }
    virtual void CleanUp()
    {
        RemoveLogFiles();
        RemoveLauncherRegistration();
    }

    LauncherFolder folder;
};

} // namespace pellicor::test::launcher
