// "copyhook <move|copy|delete|rename> <src> [dst] [--no-box] [--flags N] [--perform]": asks every
// registered copy hook about a folder operation, as the shell does before it touches a folder.
#include "common/ComPtr.h"
#include "shellhost/Commands.h"
#include "shellhost/Console.h"
#include "shellhost/HandlerObjects.h"
#include "shellhost/kit/MessageBoxWatcher.h"
#include "shellhost/RegistryReader.h"
#include "shellhost/ShellLocations.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <optional>

namespace pellicor::shellhost
{

namespace
{

struct Operation
{
    const wchar_t* word;
    UINT func;
    bool needsDestination;
};

constexpr Operation kOperations[] = {
    {L"move", FO_MOVE, true},
    {L"copy", FO_COPY, true},
    {L"delete", FO_DELETE, false},
    {L"rename", FO_RENAME, true},
};

// Explorer's ordinary operations can be undone; a permanent delete passes other flags (--flags 0).
constexpr UINT kDefaultFlags = FOF_ALLOWUNDO;

std::wstring AnswerText(UINT answer)
{
    switch (answer)
    {
    case IDYES:
        return L"IDYES (go ahead)";
    case IDNO:
        return L"IDNO (skip this folder)";
    case IDCANCEL:
        return L"IDCANCEL (cancel the whole operation)";
    default:
        return std::to_wstring(answer) + L" (not an answer the shell knows)";
    }
}

std::optional<UINT> ParseFlags(const std::wstring& text)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    wchar_t* end = nullptr;
    const unsigned long value = wcstoul(text.c_str(), &end, 0);
    if (!end || *end != L'\0')
        return std::nullopt;
    return static_cast<UINT>(value);
}

void PrintBoxes(shellkit::MessageBoxWatcher& watcher, bool closed)
{
    for (const auto& box : watcher.Take())
    {
        PrintLine(L"      warning box " + Quoted(box.caption) + (closed ? L" (closed by the host):" : L":"));
        PrintLine(L"        " + Quoted(box.text));
    }
}

// Carries the operation out through the shell, with undo, once every hook has agreed.
int Perform(const Operation& operation, const std::wstring& source, const std::wstring& destination,
            UINT flags)
{
    const std::wstring from = source + L'\0';
    const std::wstring to = destination + L'\0';
    SHFILEOPSTRUCTW file = {};
    file.wFunc = operation.func;
    file.pFrom = from.c_str();
    file.pTo = operation.needsDestination ? to.c_str() : nullptr;
    file.fFlags = static_cast<FILEOP_FLAGS>(flags | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR);
    const int result = ::SHFileOperationW(&file);
    PrintLine(L"SHFileOperationW: " + std::to_wstring(result) +
              (file.fAnyOperationsAborted ? L" (aborted)" : L""));
    return result == 0 && !file.fAnyOperationsAborted ? 0 : 1;
}

} // namespace

int RunCopyHook(const Words& words)
{
    const Operation* operation = nullptr;
    std::vector<std::wstring> paths;
    bool noBox = false;
    bool perform = false;
    UINT flags = kDefaultFlags;
    for (size_t i = 0; i < words.size(); ++i)
    {
        if (words[i] == L"--no-box")
            noBox = true;
        else if (words[i] == L"--perform")
            perform = true;
        else if (words[i] == L"--flags" && i + 1 < words.size())
        {
            const auto parsed = ParseFlags(words[++i]);
            if (!parsed)
            {
                PrintError(L"--flags takes a number (decimal or 0x...)");
                return 2;
            }
            flags = *parsed;
        }
        else if (!operation)
        {
            for (const auto& known : kOperations)
                if (words[i] == known.word)
                    operation = &known;
            if (!operation)
                break;
        }
        else
            paths.push_back(FullPath(words[i]));
    }
    if (!operation || paths.empty() || paths.size() > 2 ||
        (operation->needsDestination && paths.size() != 2) || paths[0].empty() ||
        (paths.size() == 2 && paths[1].empty()))
    {
        PrintError(L"usage: PellicorShellHost copyhook <move|copy|delete|rename> <src> [dst] [--no-box] "
                   L"[--flags N] [--perform]");
        return 2;
    }
    const std::wstring& source = paths[0];
    const std::wstring destination = paths.size() == 2 ? paths[1] : std::wstring();

    PrintLine(L"Operation " + std::wstring(operation->word) + L" (wFunc " + std::to_wstring(operation->func) +
              L", wFlags " + Hex32(flags) + L")");
    PrintLine(L"  source      " + source);
    if (operation->needsDestination)
        PrintLine(L"  destination " + destination);

    PrintLine(L"Copy hooks (HKCR\\" + std::wstring(kCopyHookHandlersKey) +
              L"), asked in the registry's order:");
    const auto names = SubKeyNames(HKEY_CLASSES_ROOT, kCopyHookHandlersKey);
    if (names.empty())
        PrintLine(L"  none registered");

    // Reads every box the hooks show on this thread; closes them when the user asked for no box.
    shellkit::MessageBoxWatcher watcher({.threadId = ::GetCurrentThreadId(), .closeBoxes = noBox});
    UINT verdict = IDYES;
    for (const auto& name : names)
    {
        const std::wstring clsid = HandlerClass(HKEY_CLASSES_ROOT, kCopyHookHandlersKey, name);
        PrintLine(L"  " + Quoted(name) + L" -> " + clsid);
        PrintClassRegistration(clsid, L"      ");
        ComPtr<ICopyHookW> hook;
        const HRESULT created = CreateHandler(clsid, IID_ICopyHookW, hook.put_void());
        if (FAILED(created))
        {
            PrintLine(L"      CoCreateInstance: " + HresultText(created) + L" (the shell skips it)");
            continue;
        }
        if (!noBox)
            PrintLine(L"      (a warning box stays open until you close it)");
        const UINT answer = hook->CopyCallback(
            nullptr, operation->func, flags, source.c_str(), ::GetFileAttributesW(source.c_str()),
            operation->needsDestination ? destination.c_str() : nullptr,
            operation->needsDestination ? ::GetFileAttributesW(destination.c_str()) : 0);
        PrintLine(L"      CopyCallback: " + AnswerText(answer));
        PrintBoxes(watcher, noBox);
        if (answer != IDYES)
        {
            // The shell stops asking at the first hook that does not agree.
            verdict = answer;
            break;
        }
    }

    PrintLine(verdict == IDYES  ? L"Result: the shell would carry the operation out"
              : verdict == IDNO ? L"Result: the shell would skip this folder"
                                : L"Result: the shell would cancel the operation");
    if (!perform)
        return 0;
    if (verdict != IDYES)
    {
        PrintLine(L"--perform: not carried out");
        return 0;
    }
    return Perform(*operation, source, destination, flags);
}

} // namespace pellicor::shellhost
