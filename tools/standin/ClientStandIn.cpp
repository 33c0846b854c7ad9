// ClientStandIn.exe: plays the desktop client on the pipe so that engineers can see what the shell
// extension sends and choose what it gets back. See README.md beside this file.
#include "tools/standin/StandInServer.h"
#include "tools/standin/ClientMainWindow.h"

#include "shellext/channel/ClientCommands.h"

#include "common/TextConversion.h"
#include "common/UniqueHandle.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

using namespace pellicor;
using namespace pellicor::standin;

constexpr const wchar_t* kStopEventName = L"Local\\PellicorClientStandIn.Stop";

constexpr const wchar_t* kUsage =
    L"usage: ClientStandIn.exe [options]\n"
    L"  --rules FILE        answer from a rules file (UTF-8 or UTF-16)\n"
    L"  --rule \"LINE\"       add one rules-file line, e.g. --rule \"state Synced C:\\Sync\"\n"
    L"  --log FILE          append the log to FILE instead of the console\n"
    L"  --quiet             log nothing\n"
    L"  --pipe NAME         serve another pipe name (default \\\\.\\pipe\\pellicor)\n"
    L"  --exit-after SEC    stop by itself after SEC seconds\n"
    L"  --never-read        accept connections and never read them (a client that has stopped)\n"
    L"  --stop              ask a running ClientStandIn.exe to stop, then exit\n"
    L"  --main-window first|N|never  show the client's main window; it closes on the first, the N-th\n"
    L"                      or no WM_CLOSE\n"
    L"  --record FILE       append the command line and each WM_CLOSE to FILE (or PELLICOR_STANDIN_RECORD)\n"
    L"rules:  state <Word> <path prefix>   menu <id> <text>\n"
    L"        reply <Command|*> [slow <ms>] ok|status <Word>|malformed|truncated|oversized|close|noanswer\n";

struct Options
{
    std::wstring rulesText; // rules files and --rule lines, in command-line order
    std::wstring logFile;
    std::wstring pipeName;
    bool quiet = false;
    bool stop = false;
    bool neverRead = false;
    DWORD exitAfterMs = INFINITE;
};

void WriteLine(HANDLE out, const std::wstring& line)
{
    WriteText(out, line + L"\r\n");
}

void Say(const std::wstring& line)
{
    WriteLine(::GetStdHandle(STD_OUTPUT_HANDLE), L"ClientStandIn: " + line);
}

bool ReadTextFile(const std::wstring& path, std::wstring& text)
{
    UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 16 * 1024 * 1024)
        return false;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        return false;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
    {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        return true;
    }
    const std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    text = ToUtf16(std::string_view(bytes).substr(start), CP_UTF8);
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--rules" && hasValue)
        {
            std::wstring text;
            if (!ReadTextFile(argv[++i], text))
            {
                Say(L"cannot read the rules file " + std::wstring(argv[i]));
                return false;
            }
            options.rulesText += text + L"\n";
        }
        else if (arg == L"--rule" && hasValue)
            options.rulesText += std::wstring(argv[++i]) + L"\n";
        else if (arg == L"--log" && hasValue)
            options.logFile = argv[++i];
        else if (arg == L"--pipe" && hasValue)
            options.pipeName = argv[++i];
        else if (arg == L"--exit-after" && hasValue)
            options.exitAfterMs = static_cast<DWORD>(_wtoi(argv[++i])) * 1000;
        else if (arg == L"--quiet")
            options.quiet = true;
        else if (arg == L"--never-read")
            options.neverRead = true;
        else if (arg == L"--stop")
            options.stop = true;
        else
        {
            WriteLine(::GetStdHandle(STD_OUTPUT_HANDLE), kUsage);
            return false;
        }
    }
    return true;
}

// Runs until --stop, Ctrl+C, the time limit or WM_QUIT, dispatching this thread's window messages
// meanwhile (the stand-in's windows live on this thread).
void RunUntilStopped(HANDLE stopEvent, DWORD exitAfterMs)
{
    const ULONGLONG start = ::GetTickCount64();
    for (;;)
    {
        DWORD wait = INFINITE;
        if (exitAfterMs != INFINITE)
        {
            const ULONGLONG elapsed = ::GetTickCount64() - start;
            if (elapsed >= exitAfterMs)
                return;
            wait = static_cast<DWORD>(exitAfterMs - elapsed);
        }
        const DWORD signalled = ::MsgWaitForMultipleObjects(1, &stopEvent, FALSE, wait, QS_ALLINPUT);
        if (signalled == WAIT_OBJECT_0)
            return;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (message.message == WM_QUIT)
                return;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

HANDLE g_stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD)
{
    ::SetEvent(g_stopEvent);
    return TRUE;
}

int Run(int argc, wchar_t** argv)
{
    // Taken out first: a stand-in started as the client records the client's command line even when
    // that command line is not one of its own options.
    const ClientMainWindowOptions mainWindowOptions = TakeClientMainWindowOptions(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options))
        return 2;

    if (options.stop)
    {
        UniqueKernelHandle running(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopEventName));
        if (!running)
        {
            Say(L"no stand-in is running");
            return 1;
        }
        ::SetEvent(running.get());
        Say(L"asked the running stand-in to stop");
        return 0;
    }

    ClientRules rules;
    std::wstring error;
    if (!rules.Parse(options.rulesText, error))
    {
        Say(L"bad rules, " + error);
        return 2;
    }

    UniqueKernelHandle stopEvent(::CreateEventW(nullptr, TRUE, FALSE, kStopEventName));
    g_stopEvent = stopEvent.get();
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    UniqueFile logFile;
    HANDLE logOut = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!options.logFile.empty())
    {
        logFile.reset(::CreateFileW(options.logFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!logFile)
        {
            Say(L"cannot open the log file " + options.logFile);
            return 2;
        }
        logOut = logFile.get();
    }

    StandInServer server;
    if (!options.pipeName.empty())
        server.SetPipeName(options.pipeName);
    server.SetNeverReads(options.neverRead);
    const std::size_t stateCount = rules.StateCount();
    server.SetRules(std::move(rules));
    if (!options.quiet)
    {
        server.SetLogSink(
            [logOut](const std::wstring& line)
            {
                SYSTEMTIME now;
                ::GetLocalTime(&now);
                wchar_t stamp[16];
                swprintf(stamp, 16, L"%02u:%02u:%02u.%03u ", now.wHour, now.wMinute, now.wSecond,
                         now.wMilliseconds);
                WriteLine(logOut, stamp + line);
            });
    }
    if (!server.Start(&error))
    {
        Say(error);
        return 1;
    }
    Say(L"serving " + (options.pipeName.empty() ? std::wstring(kPipeName) : options.pipeName) + L" with " +
        std::to_wstring(stateCount) + L" state rules; stop with ClientStandIn.exe --stop or Ctrl+C");

    // The client's main window lives on this thread; closing it ends the loop.
    ClientMainWindow mainWindow;
    if (mainWindowOptions.enabled && !mainWindow.Create(mainWindowOptions))
        Say(L"cannot create the main window");
    RunUntilStopped(stopEvent.get(), options.exitAfterMs);

    server.Stop();
    Say(L"stopped after " + std::to_wstring(server.RequestCount()) + L" requests");
    return 0;
}

} // namespace

int main()
{
    int argc = 0;
    const UniqueLocal<wchar_t*> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc));
    if (!argv)
        return 2;
    return Run(argc, argv.get());
}
