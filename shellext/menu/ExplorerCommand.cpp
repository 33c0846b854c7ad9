// Explorer's command menu (Windows 11). Explorer may call these methods on its window thread or on
// worker threads, several at once; every call returns within one pipe transaction's deadline. The
// client is asked once per selection and its answer serves every later call for that selection.
#include "shellext/menu/ExplorerCommand.h"

#include "common/OleHandles.h"
#include "shellext/menu/MenuCaption.h"
#include "shellext/menu/SubCommandEnumerator.h"
#include "shellext/resources/ResourceIds.h"
#include "shellext/server/ShellExt.h"
#include "shellext/view/ExplorerWindows.h"

#include <shlguid.h>
#include <shlwapi.h>

#include <new>

namespace pellicor
{

namespace
{

// How long an answer serves its selection. One right-click's calls come within a moment; should
// Explorer keep the object for a later right-click, the client is asked again rather than shown a
// menu it may have changed since.
constexpr ULONGLONG kAnswerLifetimeMilliseconds = 5000;

// The selection's file-system paths in order, read only while "MenuCmd" for them can still fit.
// Null for an item without such a path (a virtual item: the client can do nothing with it), for a
// selection too large to send, and for none at all.
std::optional<std::vector<std::wstring>> ReadSelection(IShellItemArray* items)
{
    DWORD count = 0;
    if (!items || FAILED(items->GetCount(&count)) || count == 0)
        return std::nullopt;
    std::vector<std::wstring> paths;
    MenuCommandBudget budget;
    for (DWORD i = 0; i < count; ++i)
    {
        // On failure an out-value may hold anything (Wine leaves a stale pointer): it is neither
        // read nor released.
        IShellItem* rawItem = nullptr;
        if (FAILED(items->GetItemAt(i, &rawItem)) || !rawItem)
            return std::nullopt;
        ComPtr<IShellItem> item;
        item.attach(rawItem);
        PWSTR raw = nullptr;
        if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &raw)))
            return std::nullopt;
        const UniqueCoTaskString path(raw);
        if (!path || !budget.Add(path.get()))
            return std::nullopt;
        paths.emplace_back(path.get());
    }
    return paths;
}

HRESULT CopyToCaller(const std::wstring& text, LPWSTR* out)
{
    return ::SHStrDupW(text.c_str(), out);
}

} // namespace

ExplorerCommand::ExplorerCommand(ExplorerCommand* root, std::optional<MenuPlanItem> item) noexcept
    : m_root(root), m_item(std::move(item))
{
}

ExplorerCommand::~ExplorerCommand() = default;

HRESULT ExplorerCommand::CreateRoot(REFIID riid, void** ppv) noexcept
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    try
    {
        const ComPtr<ExplorerCommand> command(new ExplorerCommand(nullptr, std::nullopt));
        return command->QueryInterface(riid, ppv);
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
}

ComPtr<ExplorerCommand> ExplorerCommand::CreateItem(ExplorerCommand& root, MenuPlanItem item)
{
    return ComPtr<ExplorerCommand>(new ExplorerCommand(&root, std::move(item)));
}

IFACEMETHODIMP ExplorerCommand::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    IUnknown* identity = nullptr;
    if (::IsEqualIID(riid, IID_IUnknown) || ::IsEqualIID(riid, IID_IExplorerCommand))
        identity = static_cast<IExplorerCommand*>(this);
    else if (::IsEqualIID(riid, IID_IObjectWithSite))
        identity = static_cast<IObjectWithSite*>(this);
    if (!identity)
        return E_NOINTERFACE;
    identity->AddRef();
    *ppv = identity;
    return S_OK;
}

IFACEMETHODIMP_(ULONG) ExplorerCommand::AddRef()
{
    return static_cast<ULONG>(++m_refCount);
}

IFACEMETHODIMP_(ULONG) ExplorerCommand::Release()
{
    const LONG count = --m_refCount;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

std::shared_ptr<const CommandMenuAnswer> ExplorerCommand::LastAnswer()
{
    const std::lock_guard lock(m_dataLock);
    return m_answer;
}

std::shared_ptr<const CommandMenuAnswer> ExplorerCommand::AnswerFor(const std::vector<std::wstring>& paths,
                                                                    bool mayAsk)
{
    const auto kept = [&]() -> std::shared_ptr<const CommandMenuAnswer>
    {
        const std::lock_guard lock(m_dataLock);
        if (m_answer && m_answer->paths == paths && ::GetTickCount64() - m_askedAt < kAnswerLifetimeMilliseconds)
            return m_answer;
        return nullptr;
    };
    if (auto answer = kept(); answer || !mayAsk)
        return answer;

    // A second caller for the same selection waits for the first one's answer (at most one
    // transaction's deadline) instead of asking again.
    const std::lock_guard asking(m_askLock);
    if (auto answer = kept())
        return answer;
    auto answer = std::make_shared<CommandMenuAnswer>();
    answer->paths = paths;
    // A selection too large for "MenuCmd" never gets here: ReadSelection refuses it.
    std::vector<std::wstring> values;
    if (PipeClient().QueryMenuItems(paths, values))
        answer->plan = PlanCommandMenu(values);
    const std::lock_guard lock(m_dataLock);
    m_answer = answer;
    m_askedAt = ::GetTickCount64();
    return answer;
}

std::optional<MenuPlanItem> ExplorerCommand::RunnableItem(const std::vector<std::wstring>& paths)
{
    if (m_item)
        return m_item;
    const auto answer = AnswerFor(paths, true);
    if (answer->plan.shape == MenuShape::PlainItem)
        return answer->plan.items.front();
    return std::nullopt;
}

// The root's title is the client's plain item, or the product's name over the sub-commands.
IFACEMETHODIMP ExplorerCommand::GetTitle(IShellItemArray* items, LPWSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    try
    {
        if (m_item)
            return CopyToCaller(m_item->text, name);
        const auto paths = ReadSelection(items);
        const auto answer = paths ? AnswerFor(*paths, true) : LastAnswer();
        if (answer && answer->plan.shape == MenuShape::PlainItem)
            return CopyToCaller(answer->plan.items.front().text, name);
        return CopyToCaller(MenuCaption(), name);
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
}

// The library's own icon, by resource number, for Explorer to load from the library file.
IFACEMETHODIMP ExplorerCommand::GetIcon(IShellItemArray*, LPWSTR* icon)
{
    if (!icon)
        return E_POINTER;
    *icon = nullptr;
    if (m_item)
        return E_NOTIMPL;
    try
    {
        std::wstring path(MAX_PATH, L'\0');
        for (;;)
        {
            const DWORD length =
                ::GetModuleFileNameW(ModuleInstance(), path.data(), static_cast<DWORD>(path.size()));
            if (length == 0)
                return HRESULT_FROM_WIN32(::GetLastError());
            if (length < path.size())
            {
                path.resize(length);
                break;
            }
            path.resize(path.size() * 2);
        }
        return CopyToCaller(path + L",-" + std::to_wstring(IDI_PRODUCT), icon);
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
}

IFACEMETHODIMP ExplorerCommand::GetToolTip(IShellItemArray*, LPWSTR* tip)
{
    if (!tip)
        return E_POINTER;
    *tip = nullptr;
    return E_NOTIMPL;
}

IFACEMETHODIMP ExplorerCommand::GetCanonicalName(GUID* name)
{
    if (!name)
        return E_POINTER;
    *name = GUID_NULL;
    return S_OK;
}

// Asking the client is a pipe transaction that may take until its deadline. When Explorer says it
// must not be slow (its window thread), the documented answer is E_PENDING: Explorer then calls
// again where waiting is allowed. A selection already answered is answered at once either way.
IFACEMETHODIMP ExplorerCommand::GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state)
{
    if (!state)
        return E_POINTER;
    *state = ECS_HIDDEN;
    try
    {
        if (m_item)
        {
            *state = ECS_ENABLED;
            return S_OK;
        }
        const auto paths = ReadSelection(items);
        if (!paths)
            return S_OK;
        const auto answer = AnswerFor(*paths, okToBeSlow != FALSE);
        if (!answer)
            return E_PENDING;
        if (answer->plan.shape != MenuShape::Nothing)
            *state = ECS_ENABLED;
        return S_OK;
    }
    catch (...)
    {
        return S_OK; // hidden
    }
}

// "MenuCmd" with the item's number, the Explorer window and the selection, as the classic menu
// sends it. The client carries the command out; if it is gone the command is lost.
IFACEMETHODIMP ExplorerCommand::Invoke(IShellItemArray* items, IBindCtx*)
{
    try
    {
        const auto paths = ReadSelection(items);
        if (!paths)
            return E_INVALIDARG;
        const auto item = RunnableItem(*paths);
        if (!item || !IsClientCommand(static_cast<std::uint32_t>(item->id)))
            return E_INVALIDARG;
        PipeClient().SendMenuCommand(*paths, item->id, ViewWindow());
        return S_OK;
    }
    catch (...)
    {
        return E_FAIL;
    }
}

IFACEMETHODIMP ExplorerCommand::GetFlags(EXPCMDFLAGS* flags)
{
    if (!flags)
        return E_POINTER;
    *flags = ECF_DEFAULT;
    if (m_item)
        return S_OK;
    try
    {
        const auto answer = LastAnswer();
        if (!answer || answer->plan.shape != MenuShape::PlainItem)
            *flags = ECF_HASSUBCOMMANDS;
        return S_OK;
    }
    catch (...)
    {
        return E_FAIL;
    }
}

// The client's items of the last answer; none for a sub-command, the plain item or no answer.
IFACEMETHODIMP ExplorerCommand::EnumSubCommands(IEnumExplorerCommand** commands)
{
    if (!commands)
        return E_POINTER;
    *commands = nullptr;
    try
    {
        std::vector<ComPtr<IExplorerCommand>> items;
        const auto answer = m_item ? nullptr : LastAnswer();
        if (answer && answer->plan.shape == MenuShape::Submenu)
        {
            for (const MenuPlanItem& item : answer->plan.items)
            {
                const ComPtr<ExplorerCommand> command = CreateItem(*this, item);
                items.emplace_back(static_cast<IExplorerCommand*>(command.get()));
            }
        }
        return SubCommandEnumerator::Create(std::move(items), commands);
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
}

IFACEMETHODIMP ExplorerCommand::SetSite(IUnknown* site)
{
    try
    {
        const std::lock_guard lock(m_dataLock);
        m_site = ComPtr<IUnknown>(site);
        return S_OK;
    }
    catch (...)
    {
        return E_FAIL;
    }
}

IFACEMETHODIMP ExplorerCommand::GetSite(REFIID riid, void** site)
{
    if (!site)
        return E_POINTER;
    *site = nullptr;
    ComPtr<IUnknown> held;
    try
    {
        const std::lock_guard lock(m_dataLock);
        held = m_site;
    }
    catch (...)
    {
        return E_FAIL;
    }
    return held ? held->QueryInterface(riid, site) : E_FAIL;
}

// The window of the Explorer that shows the menu: its top-level browser's, through the site (a
// sub-command's own, or else its root's); without one, the foreground window, as the classic menu
// takes it. From there the same walk as the classic menu finds the view window.
HWND ExplorerCommand::ViewWindow()
{
    ComPtr<IUnknown> site;
    {
        const std::lock_guard lock(m_dataLock);
        site = m_site;
    }
    if (!site && m_root)
    {
        const std::lock_guard lock(m_root->m_dataLock);
        site = m_root->m_site;
    }
    HWND window = nullptr;
    if (site)
    {
        void* raw = nullptr;
        if (SUCCEEDED(::IUnknown_QueryService(site.get(), SID_STopLevelBrowser, IID_IOleWindow, &raw)) && raw)
        {
            ComPtr<IOleWindow> browser;
            browser.attach(static_cast<IOleWindow*>(raw));
            if (FAILED(browser->GetWindow(&window)))
                window = nullptr;
        }
        if (!window && FAILED(::IUnknown_GetWindow(site.get(), &window)))
            window = nullptr;
    }
    const HWND topLevel = window ? ::GetAncestor(window, GA_ROOT) : ::GetForegroundWindow();
    return FindViewWindowOf(topLevel);
}

} // namespace pellicor
