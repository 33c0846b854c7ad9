#pragma once
// The client's commands in Explorer's own context menu (Windows 11), where only IExplorerCommand
// handlers of a package with identity appear. The same "MenuItems"/"MenuCmd" exchange as the classic
// menu: the root command is the product's submenu, or the client's single plain item; the client's
// items are its sub-commands. An object class of its own: CShellExt's SetSite is the browser
// helper's, which must not run for a menu command.
#include "common/ComPtr.h"
#include "shellext/menu/MenuPlan.h"
#include "shellext/server/ModuleReference.h"

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pellicor
{

// The client's answer for one selection; the root command and its sub-commands share it.
struct CommandMenuAnswer
{
    std::vector<std::wstring> paths;
    MenuPlan plan; // shape Nothing: the command is hidden
};

// The module reference is the last base: the library's count drops after everything else is gone.
class ExplorerCommand final : public IExplorerCommand, public IObjectWithSite, private ModuleReference
{
public:
    // The root command, as DllGetClassObject's class object makes it.
    static HRESULT CreateRoot(REFIID riid, void** ppv) noexcept;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    // IExplorerCommand
    IFACEMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* name) override;
    IFACEMETHODIMP GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    IFACEMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
    IFACEMETHODIMP GetCanonicalName(GUID* name) override;
    IFACEMETHODIMP GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    IFACEMETHODIMP Invoke(IShellItemArray* items, IBindCtx* bindContext) override;
    IFACEMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
    IFACEMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;

    // IObjectWithSite: the site names the Explorer window that "MenuCmd" reports.
    IFACEMETHODIMP SetSite(IUnknown* site) override;
    IFACEMETHODIMP GetSite(REFIID riid, void** site) override;

    // A sub-command for one of the client's items, under its root.
    static ComPtr<ExplorerCommand> CreateItem(ExplorerCommand& root, MenuPlanItem item);

private:
    ExplorerCommand(ExplorerCommand* root, std::optional<MenuPlanItem> item) noexcept;
    ~ExplorerCommand();

    // The answer for these paths: the one kept when it is for the same selection, otherwise asked
    // of the client (at most one request at a time; a caller that must not wait gets null instead).
    std::shared_ptr<const CommandMenuAnswer> AnswerFor(const std::vector<std::wstring>& paths, bool mayAsk);
    std::shared_ptr<const CommandMenuAnswer> LastAnswer();
    // The item this command runs: a sub-command's own, or the root's plain item.
    std::optional<MenuPlanItem> RunnableItem(const std::vector<std::wstring>& paths);
    HWND ViewWindow();

    std::atomic<LONG> m_refCount{0};
    const ComPtr<ExplorerCommand> m_root; // sub-commands only: for the root's site
    const std::optional<MenuPlanItem> m_item;
    std::mutex m_askLock;  // held while asking the client, so one selection costs one request
    std::mutex m_dataLock; // held only to read or replace the members below
    std::shared_ptr<const CommandMenuAnswer> m_answer;
    ULONGLONG m_askedAt = 0; // GetTickCount64 when m_answer came
    ComPtr<IUnknown> m_site;
};

} // namespace pellicor
