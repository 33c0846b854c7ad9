// win_desktop_keeper.exe: keeps the Wine session's desktop up while ctest runs the Windows tests.
//   keep   bring the desktop up and keep it until "stop" (or four hours); one keeper at a time
//   wait   wait until a keeper has the desktop up (at most a minute)
//   stop   end the keeper and wait for it to go; the desktop then closes as Wine closes it
// Without a keeper Wine starts its desktop process for each test program and ends it a second after
// the program; the desktop process inherits the program's standard error, which is ctest's pipe, so
// ctest would wait for the desktop process after every program, and longer whenever it lingers.
// ctest starts the keeper with its output on /dev/null (tests/win/CMakeLists.txt).
#include "common/UniqueHandle.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace
{

constexpr const wchar_t* kKeeperMutex = L"Local\\PellicorTestDesktopKeeper";
constexpr const wchar_t* kReadyEvent = L"Local\\PellicorTestDesktopKeeper.Ready";
constexpr const wchar_t* kStopEvent = L"Local\\PellicorTestDesktopKeeper.Stop";
constexpr DWORD kLongestKeepMs = 4 * 60 * 60 * 1000;
constexpr DWORD kLongestWaitMs = 60000;

int Keep()
{
    pellicor::UniqueKernelHandle keeper(::CreateMutexW(nullptr, TRUE, kKeeperMutex));
    if (!keeper || ::GetLastError() == ERROR_ALREADY_EXISTS)
        return 0; // another keeper has it
    pellicor::UniqueKernelHandle stop(::CreateEventW(nullptr, TRUE, FALSE, kStopEvent));
    pellicor::UniqueKernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, kReadyEvent));
    if (!stop || !ready)
        return 1;
    // Wine starts its desktop process on a program's first look at the desktop, and keeps it while a
    // program that looked stays.
    if (!::GetDesktopWindow())
        return 1;
    ::SetEvent(ready.get());
    ::WaitForSingleObject(stop.get(), kLongestKeepMs);
    ::ReleaseMutex(keeper.get());
    return 0;
}

int Wait()
{
    pellicor::UniqueKernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, kReadyEvent));
    if (ready && ::WaitForSingleObject(ready.get(), kLongestWaitMs) == WAIT_OBJECT_0)
    {
        std::printf("desktop up\n");
        return 0;
    }
    std::printf("no desktop keeper came up within %lu s\n", kLongestWaitMs / 1000);
    return 1;
}

int Stop()
{
    pellicor::UniqueKernelHandle stop(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopEvent));
    if (!stop)
    {
        std::printf("no desktop keeper runs\n");
        return 0;
    }
    ::SetEvent(stop.get());
    pellicor::UniqueKernelHandle keeper(::OpenMutexW(SYNCHRONIZE, FALSE, kKeeperMutex));
    if (keeper)
    {
        const DWORD waited = ::WaitForSingleObject(keeper.get(), kLongestWaitMs);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            ::ReleaseMutex(keeper.get());
    }
    std::printf("desktop keeper stopped\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "keep") == 0)
        return Keep();
    if (std::strcmp(mode, "wait") == 0)
        return Wait();
    if (std::strcmp(mode, "stop") == 0)
        return Stop();
    std::printf("usage: win_desktop_keeper keep|wait|stop\n");
    return 2;
}
