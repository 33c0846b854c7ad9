// CopyCallback on its two longest rule walks, next to the same registry and marker-file reads done
// directly: a move inside the sync folder that only the last row allows, and a delete that only
// the last row refuses. The guard caches nothing, so those reads are its floor.
#include "tools/bench/BenchSections.h"

#include "common/ClientSettingsNames.h"

#include <shellapi.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

namespace pellicor::bench
{

namespace
{

// The client's settings as the client writes them; the list's key spelled out, so that the floor
// builds no string.
constexpr const wchar_t* kNotCapturesKey = L"Software\\Pellicor\\Client\\NotCaptures";
constexpr const wchar_t* kMarkerSection = L"Pellicor";
constexpr const wchar_t* kAttributeKey = L"aAttribute";
constexpr const wchar_t* kCanRemoveKey = L"CanRemove";
constexpr int kListedEntries = 8;

// The rows a walk passes: every row that names the sync folder reads it again.
constexpr int kMoveSyncFolderReads = 8;   // M2 .. M9
constexpr int kDeleteSyncFolderReads = 4; // D1, D2, D4, D5
constexpr int kDeleteMessageStrings = 3;  // two texts and the caption, each reading the language

bool SetString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool WriteMarker(const std::wstring& folder, const wchar_t* key, const wchar_t* value)
{
    return ::WritePrivateProfileStringW(kMarkerSection, key, value, (folder + L"\\desktop.ini").c_str()) !=
           FALSE;
}

// --- The floor: the same reads, each done the plainest way ---

void ReadClientValues(std::initializer_list<const wchar_t*> names)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kClientSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (const wchar_t* name : names)
    {
        BYTE data[1024];
        DWORD size = sizeof data;
        ::RegQueryValueExW(key, name, nullptr, nullptr, data, &size);
    }
    ::RegCloseKey(key);
}

void ReadSyncFolderDirectly()
{
    ReadClientValues({kUserNameValue, kSyncPathValue});
}

void ReadLanguageDirectly()
{
    ReadClientValues({kClientLanguageValue});
}

void ReadListDirectly(bool entries)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kNotCapturesKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    if (entries)
    {
        for (DWORD index = 0;; ++index)
        {
            wchar_t name[260];
            BYTE data[100];
            DWORD nameLength = 260, size = sizeof data;
            if (::RegEnumValueW(key, index, name, &nameLength, nullptr, nullptr, data, &size) ==
                ERROR_NO_MORE_ITEMS)
                break;
        }
    }
    else
    {
        BYTE data[100];
        DWORD size = sizeof data;
        ::RegQueryValueExW(key, nullptr, nullptr, nullptr, data, &size);
    }
    ::RegCloseKey(key);
}

UINT ReadMarkerDirectly(const std::wstring& folder, const wchar_t* key)
{
    return ::GetPrivateProfileIntW(kMarkerSection, key, 0, (folder + L"\\desktop.ini").c_str());
}

// A refusing walk shows its warning. The box is refused at creation on this thread, in our call
// and in the floor alike, so the figures hold the decision and not the user's reading time.
HHOOK g_boxHook = nullptr;

LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND)
        return 1;
    return ::CallNextHookEx(g_boxHook, code, wParam, lParam);
}

class Sandbox
{
public:
    Sandbox()
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_base = std::wstring(temp) + L"PellicorBench" + std::to_wstring(::GetCurrentProcessId());
        sync = m_base + L"\\Sync";
        source = sync + L"\\Projects\\Src";
        destination = sync + L"\\Archive\\Src";
        locked = sync + L"\\Locked";
        std::error_code ignored;
        std::filesystem::create_directories(source, ignored);
        std::filesystem::create_directories(sync + L"\\Archive", ignored);
        std::filesystem::create_directories(locked, ignored);
        // Every right for the moved folder and its new parent; only the change right for the locked one.
        m_ready = WriteMarker(source, kAttributeKey, L"65534") &&
                  WriteMarker(sync + L"\\Archive", kAttributeKey, L"65534") &&
                  WriteMarker(locked, kAttributeKey, L"1024") && WriteMarker(locked, kCanRemoveKey, L"0");

        HKEY key = nullptr;
        m_ready = m_ready && ::RegCreateKeyExW(HKEY_CURRENT_USER, kClientSettingsKey, 0, nullptr, 0,
                                               KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS;
        if (key)
        {
            const DWORD language = 1033;
            m_ready =
                m_ready && SetString(key, kUserNameValue, L"bench") && SetString(key, kSyncPathValue, sync) &&
                ::RegSetValueExW(key, kClientLanguageValue, 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&language), sizeof language) == ERROR_SUCCESS;
            ::RegCloseKey(key);
        }
        key = nullptr;
        m_ready = m_ready && ::RegCreateKeyExW(HKEY_CURRENT_USER, kNotCapturesKey, 0, nullptr, 0, KEY_WRITE,
                                               nullptr, &key, nullptr) == ERROR_SUCCESS;
        if (key)
        {
            m_ready = m_ready && SetString(key, nullptr, L"0");
            for (int i = 0; i < kListedEntries; ++i)
                m_ready = m_ready && SetString(key, (L"D:\\Elsewhere\\" + std::to_wstring(i)).c_str(), L"1");
            ::RegCloseKey(key);
        }
    }
    ~Sandbox()
    {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kClientSettingsKey);
        std::error_code ignored;
        std::filesystem::remove_all(m_base, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    bool Ready() const { return m_ready; }

    std::wstring sync, source, destination, locked;

private:
    std::wstring m_base;
    bool m_ready = false;
};

// A signed-in client's settings: the key itself may exist empty, since reading creates it.
bool ClientSettingsPresent()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kClientSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD values = 0, subkeys = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    ::RegCloseKey(key);
    return values != 0 || subkeys != 0;
}

struct Walk
{
    const char* name;
    const char* target;
    std::function<UINT()> ours;
    UINT expected;
    std::function<void()> floor;
    const char* floorName;
};

void MeasureWalk(const Walk& walk, const BenchOptions& options, Report& report)
{
    Progress("CopyCallback, %s: %d calls, and as many direct reads", walk.name, options.calls);
    int misses = 0;
    for (int i = 0; i < 50; ++i)
    {
        walk.ours();
        walk.floor();
    }
    std::vector<double> oursSamples, floorSamples;
    const int perRound = std::max(1, options.calls / options.rounds);
    for (int round = 0; round < options.rounds; ++round)
    {
        for (int i = 0; i < perRound; ++i)
        {
            const Stopwatch watch;
            const UINT answer = walk.ours();
            oursSamples.push_back(watch.ElapsedMicroseconds());
            misses += answer == walk.expected ? 0 : 1;
        }
        for (int i = 0; i < perRound; ++i)
        {
            const Stopwatch watch;
            walk.floor();
            floorSamples.push_back(watch.ElapsedMicroseconds());
        }
    }
    const Summary oursSummary = Summarize(oursSamples);
    const Summary floorSummary = Summarize(floorSamples);
    report.Add({std::string("CopyCallback, ") + walk.name, "us", oursSummary, walk.floorName, floorSummary,
                "answers other than " + std::string(walk.expected == IDYES ? "IDYES" : "IDNO") + ": " +
                    std::to_string(misses)});
    if (misses == 0)
        report.Target(walk.target, oursSummary.median / floorSummary.median, kGuardOverheadLimit);
    else
        Progress("CopyCallback, %s: %d wrong answers, no target", walk.name, misses);
}

} // namespace

void RunGuardBenchmarks(const BenchLibrary& library, const BenchOptions& options, Report& report)
{
    if (ClientSettingsPresent())
    {
        Progress("HKCU\\%s holds settings: the copy-guard section runs only in a throwaway prefix; skipped",
                 Narrow(kClientSettingsKey).c_str());
        return;
    }
    const Sandbox sandbox;
    if (!sandbox.Ready())
    {
        Progress("cannot prepare the sync folder and settings; copy-guard section skipped");
        return;
    }
    const ComPtr<ICopyHookW> hook = library.Create<ICopyHookW>(IID_IShellCopyHookW);
    if (!hook)
        return;

    g_boxHook = ::SetWindowsHookExW(WH_CBT, RefuseWindows, nullptr, ::GetCurrentThreadId());
    const std::wstring parent = sandbox.sync + L"\\Archive";

    const Walk move{
        "move decided at M12",
        "guard_move_m12_vs_floor",
        [&]
        {
            return hook->CopyCallback(nullptr, FO_MOVE, 0, sandbox.source.c_str(), 0,
                                      sandbox.destination.c_str(), 0);
        },
        IDYES,
        [&]
        {
            ReadListDirectly(true);
            ReadListDirectly(false);
            for (int i = 0; i < kMoveSyncFolderReads; ++i)
                ReadSyncFolderDirectly();
            ReadMarkerDirectly(sandbox.source, kAttributeKey);
            ReadMarkerDirectly(parent, kAttributeKey);
        },
        "the list, the change flag, 8 sync-folder reads, 2 markers, read directly",
    };
    const Walk remove{
        "delete decided at D8",
        "guard_delete_d8_vs_floor",
        [&] {
            return hook->CopyCallback(nullptr, FO_DELETE, FOF_NOCONFIRMATION, sandbox.locked.c_str(), 0,
                                      nullptr, 0);
        },
        IDNO,
        [&]
        {
            ReadListDirectly(true);
            ReadSyncFolderDirectly();
            ReadSyncFolderDirectly();
            ReadListDirectly(false);
            for (int i = 2; i < kDeleteSyncFolderReads; ++i)
                ReadSyncFolderDirectly();
            ReadMarkerDirectly(sandbox.locked, kAttributeKey);
            ReadMarkerDirectly(sandbox.locked, kCanRemoveKey);
            for (int i = 0; i < kDeleteMessageStrings; ++i)
                ReadLanguageDirectly();
            ::MessageBoxW(nullptr, L"", L"", MB_OK | MB_ICONWARNING);
        },
        "the list, 4 sync-folder reads, the change flag, 2 marker keys, 3 language reads and the "
        "(refused) warning box, done directly",
    };
    MeasureWalk(move, options, report);
    MeasureWalk(remove, options, report);

    ::UnhookWindowsHookEx(g_boxHook);
    g_boxHook = nullptr;
}

} // namespace pellicor::bench
