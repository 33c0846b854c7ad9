// The copy hook: the shell asks before it moves, copies, renames or deletes a folder. The answer
// never waits for the client over the pipe; it comes from the client's settings, the folder markers
// and the not-captured list, all read afresh, so it is quick and works while the client is away.
#include "shellext/server/ShellExt.h"

#include "shellext/guard/FolderMarkers.h"
#include "shellext/guard/GuardRules.h"
#include "shellext/guard/NotCapturedList.h"
#include "shellext/resources/LocalizedString.h"
#include "shellext/settings/Settings.h"

#include <cwchar>

namespace pellicor
{

namespace
{

constexpr DWORD kExecutablePathCapacity = MAX_PATH;
constexpr UINT kWarningStyle = MB_OK | MB_ICONWARNING;

// The client moves and deletes folders of the sync folder itself; its own operations are not guarded.
bool RunsInClientProcess()
{
    wchar_t path[kExecutablePathCapacity] = {};
    ::GetModuleFileNameW(::GetModuleHandleW(nullptr), path, kExecutablePathCapacity);
    // A cut path may come back without its NUL.
    return IsClientExecutable(std::wstring_view(path, ::wcsnlen(path, kExecutablePathCapacity)));
}

// The system as the decision sees it, for one call.
class SystemGuardFacts final : public GuardFacts
{
public:
    explicit SystemGuardFacts(NotCapturedList& list) noexcept : m_list(list) {}

    std::wstring SyncFolderPath() override { return pellicor::SyncFolderPath(); }
    bool IsListed(const std::wstring& path) override { return m_list.Contains(path); }
    bool HasChangeRight(const std::wstring& folder) override { return pellicor::HasChangeRight(folder); }
    bool HasDeleteRight(const std::wstring& folder) override { return pellicor::HasDeleteRight(folder); }
    bool IsMarkedRemovable(const std::wstring& folder) override
    {
        return pellicor::IsMarkedRemovable(folder);
    }
    void MarkSubfoldersRemovable(const std::wstring& folder) override
    {
        pellicor::MarkSubfoldersRemovable(folder);
    }
    std::wstring LocalizedString(unsigned id) override { return LoadLocalizedString(id); }

private:
    NotCapturedList& m_list;
};

} // namespace

// Answers IDYES to let the shell go on with the folder, IDNO (after one warning box) to skip it.
IFACEMETHODIMP_(UINT)
CShellExt::CopyCallback(HWND hwnd, UINT wFunc, UINT wFlags, PCWSTR pszSrcFile, DWORD /*dwSrcAttribs*/,
                        PCWSTR pszDestFile, DWORD /*dwDestAttribs*/)
{
    try
    {
        if (RunsInClientProcess())
            return IDYES;

        // Loaded for every operation, so that the key exists once any decision has run.
        NotCapturedList list;
        list.Load();

        SystemGuardFacts facts(list);
        const GuardDecision decision = DecideFolderOperation(
            facts, wFunc, wFlags, pszSrcFile ? pszSrcFile : L"", pszDestFile ? pszDestFile : L"");
        if (decision.allowed)
            return IDYES;

        // Modal to the shell's window: the file operation waits until the user has read it.
        ::MessageBoxW(hwnd, decision.text.c_str(), decision.caption.c_str(), kWarningStyle);
        return IDNO;
    }
    catch (...)
    {
        // Out of memory while deciding: the shell goes on as if there were no guard.
        return IDYES;
    }
}

} // namespace pellicor
