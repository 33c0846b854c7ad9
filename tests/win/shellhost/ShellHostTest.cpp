// PellicorShellHost.exe run as support staff would run it, against the registration that the real
// launcher's "/Commit" writes once for the whole program, and against installs broken one fault at a
// time (each restored afterwards).
#include "common/TextConversion.h"
#include "PellicorVersion.h"
#include "launcher/Registration.h"
#include "tests/win/support/ClientSettingsKey.h"
#include "tests/win/support/DesktopShell.h"
#include "tests/win/support/Processes.h"
#include "tests/win/support/StandInFixture.h"
#include "tests/win/support/TempFolder.h"
#include "tests/win/support/TestPaths.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>

namespace pellicor::test
{
namespace
{

constexpr DWORD kProcessTimeoutMs = 60000;

struct ProgramRun
{
    DWORD exitCode = 0;
    std::wstring output;
};

// Runs a program of the install from its folder, with its output (UTF-8) captured.
ProgramRun RunProgram(const std::wstring& folder, const std::wstring& program, const std::wstring& arguments)
{
    const ProcessRun run = RunProcess(folder + program, L"\"" + folder + program + L"\" " + arguments,
                                      kProcessTimeoutMs, folder);
    return {run.started ? run.exitCode : static_cast<DWORD>(-1), ToUtf16(run.output, CP_UTF8)};
}

std::wstring AppDataFolder()
{
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// The throwaway install: a launcher folder with its icons, the library where the registration expects
// it, a sync folder, and the registration written by the launcher itself.
struct Install
{
    TempFolder root;
    std::wstring folder = root.Root() + L"\\";
    std::wstring library; // %APPDATA%\Pellicor\PellicorOverlays_x64_10060.dll
    std::wstring sync = root.Folder(L"Sync");
    ClientSettingsKey settings; // signed in before "/Commit", so the virtual drive is set up too
};

std::unique_ptr<Install> g_install;

class ShellHost : public StandInFixture
{
protected:
    static void SetUpTestSuite()
    {
        g_install = std::make_unique<Install>();
        Install& install = *g_install;
        install.root.Folder(L"Sync\\Docs");
        install.root.Folder(L"Sync\\Work");
        install.root.File(L"Sync\\notes.txt", "notes");
        // The client's program only has to be there: the virtual drive shows its icon.
        install.root.File(L"drovana.exe", "not a program");
        install.root.Folder(L"Icons");
        for (const wchar_t* icon : {L"Synced", L"Syncing", L"Invalid"})
            install.root.File(L"Icons\\" + std::wstring(icon) + L".ico", "icon");
        for (const wchar_t* program : {L"DrovanaLauncher_x64.exe", L"PellicorShellHost.exe"})
            ::CopyFileW(BinPath(program).c_str(), (install.folder + program).c_str(), FALSE);

        const std::wstring libraryFolder = AppDataFolder() + drovana::kLibraryFolder;
        ::CreateDirectoryW(libraryFolder.c_str(), nullptr);
        install.library = libraryFolder + drovana::kLibraryFileName;
        ::CopyFileW(BinPath(kLibraryFileName).c_str(), install.library.c_str(), FALSE);

        install.settings.SignIn(install.sync);
        // The commit ends every Explorer it can open; the session's desktop is kept out of its reach.
        ShieldedDesktopShell shell;
        EXPECT_TRUE(shell.active());
        RunProgram(install.folder, L"DrovanaLauncher_x64.exe", L"/Commit");
    }

    static void TearDownTestSuite()
    {
        for (const drovana::RegRow& row : drovana::kRemovalRows)
        {
            const HKEY hive = drovana::RootKey(row.root, HKEY_CURRENT_USER);
            if (row.action == drovana::RegAction::DeleteKey)
                ::RegDeleteTreeW(hive, row.key);
            else if (row.action == drovana::RegAction::DeleteValue)
                ::RegDeleteKeyValueW(hive, row.key, row.value);
        }
        ::DeleteFileW(g_install->library.c_str());
        g_install.reset();
    }

    ProgramRun ShellHostRun(const std::wstring& arguments) const
    {
        return RunProgram(g_install->folder, L"PellicorShellHost.exe", arguments);
    }

    void ServeRules(const std::wstring& text)
    {
        std::wstring error;
        standin::ClientRules rules;
        ASSERT_TRUE(rules.Parse(text, error)) << ToUtf8(error);
        server.SetRules(std::move(rules));
    }

    static bool Has(const ProgramRun& run, const std::wstring& text)
    {
        return run.output.find(text) != std::wstring::npos;
    }

    const std::wstring& sync = g_install->sync;
};

#define EXPECT_OUTPUT(run, text) EXPECT_TRUE(Has(run, text)) << ToUtf8(run.output)

TEST_F(ShellHost, DoctorFindsNoFaultInWhatTheLauncherWrote)
{
    const ProgramRun doctor = ShellHostRun(L"doctor");
    EXPECT_EQ(doctor.exitCode, 0u) << ToUtf8(doctor.output);
    EXPECT_OUTPUT(doctor, L"Summary: 0 fault(s)");
    EXPECT_OUTPUT(doctor,
                  L"[note]  library: Explorer loads the library for every user of this machine from ");
    EXPECT_OUTPUT(doctor, L"[ok]    approvals: 3 registry entries as the launcher writes them");
    EXPECT_OUTPUT(doctor, L"[ok]    places bar: 5 registry entries");
    EXPECT_OUTPUT(doctor,
                  L"[ok]    copy hook: refuses deleting the sync folder (warning \"To ensure your data");
    EXPECT_OUTPUT(doctor, L"[ok]    pipe: \\\\.\\pipe\\pellicor answers PathState " + sync);
    EXPECT_OUTPUT(doctor, L"launcher cmdline: /Commit");
    // Wine has no packages and reports an older Windows.
    EXPECT_OUTPUT(doctor, L"[ok]    menu package: Drovana.PellicorMenu is not registered; Windows build ");
    EXPECT_OUTPUT(doctor, L"[ok]    library: version " PELLICOR_VERSION_TEXT L" at " + g_install->library);
}

TEST_F(ShellHost, OverlaysShowWhatExplorerWouldDrawForEachItem)
{
    ServeRules(L"state Synced " + sync + L"\\Docs\nstate Syncing " + sync + L"\\notes.txt\nstate Invalid " +
               sync + L"\\Work\n");
    const ProgramRun overlays = ShellHostRun(L"overlays \"" + sync + L"\"");
    EXPECT_EQ(overlays.exitCode, 0u);
    EXPECT_OUTPUT(overlays, L"#2 \"     !YelvashSynced\" -> " DROVANA_SYNCED_CLSID);
    EXPECT_OUTPUT(overlays, L"GetPriority: S_OK priority 0");
    EXPECT_OUTPUT(overlays, L"  Docs\\  ->  Synced.ico  (#2 \"     !YelvashSynced\", priority 0)");
    EXPECT_OUTPUT(overlays, L"  notes.txt  ->  Syncing.ico  (#3 \"     !YelvashSyncing\", priority 2)");
    EXPECT_OUTPUT(overlays, L"  Work\\  ->  Invalid.ico  (#1 \"     !YelvashInvalid\", priority 10)");
    EXPECT_OUTPUT(overlays, L"\\Sync\\  ->  no overlay");
}

TEST_F(ShellHost, CopyHookRefusesDeletingTheSyncFolderAndTellsWhyWithoutWaiting)
{
    const ProgramRun refused = ShellHostRun(L"copyhook delete \"" + sync + L"\" --no-box");
    EXPECT_EQ(refused.exitCode, 0u);
    EXPECT_OUTPUT(refused, L"\"PellicorCopyHook\" -> " DROVANA_COPY_HOOK_CLSID);
    EXPECT_OUTPUT(refused, L"CopyCallback: IDNO (skip this folder)");
    EXPECT_OUTPUT(refused, L"warning box \"Drovana Prompt\" (closed by the host):");
    EXPECT_OUTPUT(refused, L"\"To ensure your data security, If Drovana folder deletion is required");
    EXPECT_OUTPUT(refused, L"Result: the shell would skip this folder");

    const ProgramRun allowed = ShellHostRun(L"copyhook copy \"" + sync + L"\\Docs\" \"" + g_install->folder +
                                            L"Copied\" --no-box --perform");
    EXPECT_OUTPUT(allowed, L"CopyCallback: IDYES (go ahead)");
    EXPECT_OUTPUT(allowed, L"SHFileOperationW: 0");
    const DWORD copied = ::GetFileAttributesW((g_install->folder + L"Copied").c_str());
    EXPECT_TRUE(copied != INVALID_FILE_ATTRIBUTES && (copied & FILE_ATTRIBUTE_DIRECTORY));
    ::RemoveDirectoryW((g_install->folder + L"Copied").c_str());
}

TEST_F(ShellHost, MenuShowsTheClientsItemsAndInvokesOne)
{
    ServeRules(L"menu 2 Share link\nmenu 5 Open in browser\n");
    const ProgramRun menu =
        ShellHostRun(L"menu \"" + sync + L"\\Docs\" \"" + sync + L"\\notes.txt\" --invoke 3");
    EXPECT_EQ(menu.exitCode, 0u) << ToUtf8(menu.output);
    EXPECT_OUTPUT(menu, L"Initialize: S_OK");
    EXPECT_OUTPUT(menu, L"[1] \"Drovana\"  (bitmap)  submenu:");
    EXPECT_OUTPUT(menu, L"[3] \"Share link\"  (bitmap)");
    EXPECT_OUTPUT(menu, L"[6] \"Open in browser\"  (bitmap)");
    EXPECT_OUTPUT(menu, L"InvokeCommand \"PellicorShlExt\" offset 2: S_OK");
    const auto commands = server.RequestsFor(L"MenuCmd");
    ASSERT_EQ(commands.size(), 1u);
    ASSERT_EQ(commands[0].request.arguments.size(), 4u);
    EXPECT_EQ(commands[0].request.arguments[0], L"2");
    EXPECT_EQ(commands[0].request.arguments[2], sync + L"\\Docs");
}

// Installs broken one fault at a time, each put right again afterwards.
TEST_F(ShellHost, DoctorNamesAMissingLibraryFile)
{
    const std::wstring moved = g_install->library + L".moved";
    ASSERT_TRUE(::MoveFileW(g_install->library.c_str(), moved.c_str()));
    const ProgramRun doctor = ShellHostRun(L"doctor");
    ::MoveFileW(moved.c_str(), g_install->library.c_str());
    EXPECT_EQ(doctor.exitCode, 1u);
    EXPECT_OUTPUT(doctor, L"[FAULT] library: library file missing at " + g_install->library);
    EXPECT_OUTPUT(doctor, L"[FAULT] classes: synced overlay " DROVANA_SYNCED_CLSID L" cannot be created");
}

TEST_F(ShellHost, DoctorNamesAMissingApproval)
{
    ASSERT_EQ(::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, DROVANA_APPROVED_KEY, DROVANA_SYNCING_CLSID),
              ERROR_SUCCESS);
    const ProgramRun doctor = ShellHostRun(L"doctor");
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, DROVANA_APPROVED_KEY, DROVANA_SYNCING_CLSID, REG_SZ,
                      L"PellicorOverlays", sizeof(L"PellicorOverlays"));
    EXPECT_EQ(doctor.exitCode, 1u);
    EXPECT_OUTPUT(doctor, L"[FAULT] approvals: "
                          L"HKLM\\" DROVANA_APPROVED_KEY L" value \"" DROVANA_SYNCING_CLSID L"\": missing");
}

TEST_F(ShellHost, DoctorNamesAnOverlayPushedBeyondTheSlotsByOtherHandlers)
{
    std::vector<std::wstring> others;
    for (int i = 1; i <= 9; ++i)
    {
        others.push_back(DROVANA_OVERLAY_IDENTIFIERS_KEY L"      OtherSync" + std::to_wstring(i));
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, others.back().c_str(), nullptr, REG_SZ,
                          L"{00000000-0000-0000-0000-000000000001}",
                          sizeof(L"{00000000-0000-0000-0000-000000000001}"));
    }
    const ProgramRun doctor = ShellHostRun(L"doctor");
    const ProgramRun overlays = ShellHostRun(L"overlays \"" + sync + L"\"");
    for (const auto& key : others)
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    EXPECT_EQ(doctor.exitCode, 1u);
    EXPECT_OUTPUT(doctor,
                  L"[FAULT] overlay slots: \"     !YelvashSyncing\" is #12 of 12: beyond the 11 slots");
    EXPECT_OUTPUT(doctor, L"ahead of it: \"      OtherSync1\"");
    EXPECT_OUTPUT(overlays, L"NOT LOADED: rank 12 is beyond the 11 slots Explorer gives to handlers");
}

TEST_F(ShellHost, DoctorNamesAClientThatIsNotRunning)
{
    server.Stop();
    const ProgramRun doctor = ShellHostRun(L"doctor");
    EXPECT_EQ(doctor.exitCode, 1u);
    EXPECT_OUTPUT(doctor, L"[FAULT] pipe: \\\\.\\pipe\\pellicor has no listener (client not running)");
    EXPECT_OUTPUT(doctor, L"Summary: 1 fault(s)");
}

} // namespace
} // namespace pellicor::test
