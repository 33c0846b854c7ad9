#include "tests/win/support/XpRun.h"

#include "common/UniqueHandle.h"
#include "tests/win/support/Processes.h"
#include "tests/win/support/RegistryScope.h"
#include "tests/win/support/StandInFixture.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace pellicor::test
{

namespace
{

constexpr wchar_t kChildSwitch[] = L"--xp-child";
constexpr DWORD kXpRunLimitMs = 240000; // under ctest's 300 s per program

int StartXpRun(int argc, wchar_t** argv)
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self);
    const std::wstring exeName = path.substr(path.find_last_of(L'\\') + 1);
    RegistryScope version(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + exeName);
    if (!version.SetString(L"Version", L"winxp64"))
    {
        std::fprintf(stderr, "cannot set the XP compatibility version\n");
        return 1;
    }
    std::wstring commandLine = L"\"" + path + L"\" " + kChildSwitch;
    for (int i = 1; i < argc; ++i)
        commandLine += L" \"" + std::wstring(argv[i]) + L"\"";
    std::printf("%s: starting the tests again as a Windows XP program\n", ToUtf8(exeName).c_str());
    std::fflush(stdout);
    const UniqueKernelHandle child = StartProcess(path, commandLine, {}, true);
    if (!child)
    {
        std::fprintf(stderr, "cannot start the XP run\n");
        return 1;
    }
    if (::WaitForSingleObject(child.get(), kXpRunLimitMs) != WAIT_OBJECT_0)
    {
        std::fprintf(stderr, "the XP run did not end within %lu s; ended\n", kXpRunLimitMs / 1000);
        ::TerminateProcess(child.get(), 3);
        return 1;
    }
    DWORD exitCode = 1;
    ::GetExitCodeProcess(child.get(), &exitCode);
    return static_cast<int>(exitCode);
}

} // namespace

int RunGoogleTestsAsXp()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc < 2 || std::wstring(argv[1]) != kChildSwitch)
        return StartXpRun(argc, argv);
    // The tests would not exercise the paths for XP.
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!::GetVersionExW(&version) || version.dwMajorVersion != 5)
    {
        std::fprintf(stderr, "the XP run does not see Windows XP\n");
        return 1;
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
    {
        if (i != 1)
            arguments.push_back(ToUtf8(argv[i]));
    }
    std::vector<char*> pointers;
    for (auto& argument : arguments)
        pointers.push_back(argument.data());
    int count = static_cast<int>(pointers.size());
    ::testing::InitGoogleTest(&count, pointers.data());
    return RUN_ALL_TESTS();
}

} // namespace pellicor::test
