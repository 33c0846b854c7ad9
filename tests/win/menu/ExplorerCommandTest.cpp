// Explorer's command menu (Windows 11) through COM as Explorer drives it: real shell-item arrays of
// real files, the client stand-in on the real pipe, and the classic menu beside it for comparison.
#include "shellext/resources/ResourceIds.h"
#include "common/TextConversion.h"
#include "tests/win/menu/MenuFixture.h"
#include "tests/win/support/ShellClassIds.h"
#include "tests/win/support/TempFolder.h"
#include "tests/win/support/TestWindows.h"
#include "tests/win/support/Watchdog.h"

#include "shellhost/kit/ComFake.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <future>
#include <regex>

namespace pellicor::test
{
namespace
{

// An array of shell items made from parsed names, as Explorer hands over a selection; null when a
// name cannot become an item.
ComPtr<IShellItemArray> ShellItems(const std::vector<std::wstring>& names)
{
    std::vector<PIDLIST_ABSOLUTE> ids;
    bool parsed = true;
    for (const std::wstring& name : names)
    {
        PIDLIST_ABSOLUTE id = nullptr;
        if (FAILED(::SHParseDisplayName(name.c_str(), nullptr, &id, 0, nullptr)))
        {
            parsed = false;
            break;
        }
        ids.push_back(id);
    }
    IShellItemArray* raw = nullptr;
    const HRESULT hr = parsed ? ::SHCreateShellItemArrayFromIDLists(static_cast<UINT>(ids.size()),
                                                                     const_cast<PCIDLIST_ABSOLUTE*>(ids.data()), &raw)
                              : E_FAIL;
    for (PIDLIST_ABSOLUTE id : ids)
        ::CoTaskMemFree(id);
    ComPtr<IShellItemArray> items;
    if (SUCCEEDED(hr))
        items.attach(raw); // read only on success: Wine may leave a stale pointer otherwise
    return items;
}

std::wstring Taken(LPWSTR text)
{
    const std::wstring copy = text ? text : L"<null>";
    ::CoTaskMemFree(text);
    return copy;
}

// An Explorer browser as the command's site sees it: its top-level browser service is a window.
class FakeBrowser final : public shellkit::ComFake<IServiceProvider, IOleWindow>
{
public:
    explicit FakeBrowser(HWND window) : m_window(window) {}
    IFACEMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override
    {
        if (!::IsEqualGUID(service, SID_STopLevelBrowser))
            return E_NOINTERFACE;
        return QueryInterface(riid, ppv);
    }
    IFACEMETHODIMP GetWindow(HWND* window) override
    {
        *window = m_window;
        return S_OK;
    }
    IFACEMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    HWND m_window;
};

class ExplorerCommandTest : public ContextMenuFixture
{
protected:
    void SetUp() override
    {
        ContextMenuFixture::SetUp();
        if (HasFatalFailure())
            return;
        CreateRoot();
        first = files.File(L"a.txt");
        chinese = files.File(L"\u5353\u74E6\u7EB3 b.txt");
    }

    void CreateRoot()
    {
        root.reset();
        ASSERT_EQ(library.CreateObject(kClsidExplorerCommand, IID_IExplorerCommand, root.put_void()), S_OK);
    }

    EXPCMDSTATE State(IShellItemArray* items, BOOL slow = TRUE, HRESULT expected = S_OK)
    {
        EXPCMDSTATE state = ECS_ENABLED;
        EXPECT_EQ(root->GetState(items, slow, &state), expected);
        return state;
    }

    std::vector<ComPtr<IExplorerCommand>> SubCommands()
    {
        std::vector<ComPtr<IExplorerCommand>> commands;
        ComPtr<IEnumExplorerCommand> list;
        EXPECT_EQ(root->EnumSubCommands(list.put()), S_OK);
        IExplorerCommand* next = nullptr;
        ULONG fetched = 0;
        while (list && list->Next(1, &next, &fetched) == S_OK && fetched == 1)
        {
            commands.emplace_back();
            commands.back().attach(next);
        }
        return commands;
    }

    static std::wstring Title(IExplorerCommand& command, IShellItemArray* items)
    {
        LPWSTR title = nullptr;
        EXPECT_EQ(command.GetTitle(items, &title), S_OK);
        return Taken(title);
    }

    TempFolder files;
    std::wstring first;
    std::wstring chinese;
    ComPtr<IExplorerCommand> root;
};

TEST_F(ExplorerCommandTest, TheClientsItemsAreSubCommandsOfTheProductsCommand)
{
    ServeMenuItems({L"4", L"History", L"0", L"Submenu", L"2", L"Share"});
    const auto items = ShellItems({first, chinese});
    ASSERT_TRUE(items);

    EXPECT_EQ(State(items.get()), ECS_ENABLED);
    EXPECT_EQ(Title(*root.get(), items.get()), L"Drovana");
    EXPCMDFLAGS flags = ECF_DEFAULT;
    EXPECT_EQ(root->GetFlags(&flags), S_OK);
    EXPECT_EQ(flags, ECF_HASSUBCOMMANDS);

    const auto commands = SubCommands();
    ASSERT_EQ(commands.size(), 2u) << "id 0 is the submenu itself and runs nothing";
    EXPECT_EQ(Title(*commands[0].get(), items.get()), L"History");
    EXPECT_EQ(Title(*commands[1].get(), items.get()), L"Share");
    EXPCMDSTATE state = ECS_HIDDEN;
    EXPECT_EQ(commands[1]->GetState(items.get(), FALSE, &state), S_OK);
    EXPECT_EQ(state, ECS_ENABLED);

    EXPECT_EQ(commands[1]->Invoke(items.get(), nullptr), S_OK);
    EXPECT_EQ(ArgumentsOf(L"MenuItems"), (RequestArguments{{first, chinese}}))
        << "one request for the selection, whatever Explorer asks; the Chinese name whole";
    const auto sent = ArgumentsOf(L"MenuCmd");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][0], L"2");
    EXPECT_EQ(std::vector<std::wstring>(sent[0].begin() + 2, sent[0].end()), (std::vector{first, chinese}));
}

TEST_F(ExplorerCommandTest, RequestsAreTheClassicMenusBytesForTheSameSelection)
{
    ServeMenuItems({L"2", L"Share", L"5", L"Web"});
    const ForegroundWindow explorer(true);
    const std::vector<std::wstring> selection{chinese, first};
    ASSERT_EQ(InitializeWith(selection), S_OK);
    ASSERT_EQ(QueryShellMenu(), 6);
    ASSERT_EQ(InvokeOffset(5), S_OK);

    ComPtr<IObjectWithSite> withSite;
    ASSERT_EQ(root.As(withSite), S_OK);
    ASSERT_EQ(withSite->SetSite(ComPtr<IServiceProvider>(new FakeBrowser(explorer.Frame())).get()), S_OK);
    const auto items = ShellItems(selection);
    ASSERT_EQ(State(items.get()), ECS_ENABLED);
    const auto commands = SubCommands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1]->Invoke(items.get(), nullptr), S_OK);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[2].raw, requests[0].raw) << "MenuItems";
    EXPECT_EQ(requests[3].raw, requests[1].raw) << "MenuCmd, naming the same view window";
    EXPECT_EQ(requests[3].request.arguments[1], HandleText(explorer.ItemsView()));
}

TEST_F(ExplorerCommandTest, TheClientsSinglePlainItemIsTheCommandItself)
{
    ServeMenuItems({L"1", L"Open the sync folder", L"3", L"Ignored"});
    const auto items = ShellItems({first});
    EXPECT_EQ(State(items.get()), ECS_ENABLED);
    EXPECT_EQ(Title(*root.get(), items.get()), L"Open the sync folder");
    EXPCMDFLAGS flags = ECF_HASSUBCOMMANDS;
    EXPECT_EQ(root->GetFlags(&flags), S_OK);
    EXPECT_EQ(flags, ECF_DEFAULT);
    EXPECT_TRUE(SubCommands().empty());
    EXPECT_EQ(root->Invoke(items.get(), nullptr), S_OK);
    ASSERT_EQ(ArgumentsOf(L"MenuCmd").size(), 1u);
    EXPECT_EQ(ArgumentsOf(L"MenuCmd")[0][0], L"1");
    EXPECT_EQ(CountOf(L"MenuItems"), 1u);
}

TEST_F(ExplorerCommandTest, HiddenWhenTheClientIsAbsentRefusesOrAnswersNothingUsable)
{
    const auto items = ShellItems({first});
    const std::pair<const char*, standin::Response> answers[] = {
        {"busy", standin::Response::WithStatus(L"busy", {L"2", L"Share"})},
        {"malformed", standin::Response::Malformed()},
        {"truncated", standin::Response::Truncated({L"2", L"Share"})},
        {"no items", standin::Response::Ok({L"9", L"Out of range"})},
        {"closed", standin::Response::Close()},
    };
    for (const auto& [what, response] : answers)
    {
        CreateRoot(); // a fresh right-click: the kept answer is per command object
        server.SetResponse(L"MenuItems", response);
        EXPECT_EQ(State(items.get()), ECS_HIDDEN) << what;
    }
    server.Stop();
    CreateRoot();
    EXPECT_EQ(State(items.get()), ECS_HIDDEN) << "absent";
}

// The command must never hold Explorer longer than one transaction: a stalled client costs one
// deadline, and a caller that must not wait gets E_PENDING meanwhile instead of queueing behind it.
TEST_F(ExplorerCommandTest, AStalledClientCostsOneDeadlineAndNoCallerWaitsBehindIt)
{
    server.SetResponse(L"MenuItems", standin::Response::NoAnswer());
    const auto items = ShellItems({first});
    const Watchdog watchdog(std::chrono::seconds(10), [&] { server.Stop(); });
    const auto started = std::chrono::steady_clock::now();
    auto slow = std::async(std::launch::async,
                           [&]
                           {
                               EXPCMDSTATE state = ECS_ENABLED;
                               const HRESULT hr = root->GetState(items.get(), TRUE, &state);
                               return std::make_pair(hr, state);
                           });
    ASSERT_TRUE(server.WaitForRequests(L"MenuItems", 1, std::chrono::seconds(5)));
    EXPECT_EQ(State(items.get(), FALSE, E_PENDING), ECS_HIDDEN) << "answered while the other call waits";
    const auto [hr, state] = slow.get();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_FALSE(watchdog.Fired());
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(state, ECS_HIDDEN);
    EXPECT_LT(took, std::chrono::milliseconds(2500)) << "one transaction's deadline, with room for a loaded machine";
    EXPECT_EQ(State(items.get(), FALSE), ECS_HIDDEN) << "the stalled answer is kept for the selection";
    EXPECT_EQ(CountOf(L"MenuItems"), 1u);
}

// Explorer's window thread may not wait for the client: it is told to come back where it may.
TEST_F(ExplorerCommandTest, NotSlowIsPendingUntilTheSelectionIsAnswered)
{
    ServeMenuItems({L"2", L"Share"});
    const auto items = ShellItems({first});
    State(items.get(), FALSE, E_PENDING);
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_EQ(State(items.get(), TRUE), ECS_ENABLED);
    EXPECT_EQ(State(items.get(), FALSE), ECS_ENABLED);

    const auto other = ShellItems({chinese});
    State(other.get(), FALSE, E_PENDING);
    EXPECT_EQ(State(other.get(), TRUE), ECS_ENABLED);
    EXPECT_EQ(ArgumentsOf(L"MenuItems"), (RequestArguments{{first}, {chinese}})) << "one request per selection";
}

TEST_F(ExplorerCommandTest, HiddenWithoutARequestForItemsTheClientCannotBeSent)
{
    ServeMenuItems({L"2", L"Share"});
    // A virtual item (Computer) has no file-system path.
    PIDLIST_ABSOLUTE computer = nullptr;
    ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
    IShellItemArray* raw = nullptr;
    ASSERT_EQ(::SHCreateShellItemArrayFromIDLists(1, const_cast<PCIDLIST_ABSOLUTE*>(&computer), &raw), S_OK);
    ::CoTaskMemFree(computer);
    ComPtr<IShellItemArray> virtualItems;
    virtualItems.attach(raw);
    EXPECT_EQ(State(virtualItems.get()), ECS_HIDDEN);
    EXPECT_EQ(State(nullptr), ECS_HIDDEN);

    // Ten paths of 200 units: "MenuItems" would fit (4062 bytes), the command for them would not (4100).
    std::vector<std::wstring> many;
    for (wchar_t letter = L'a'; letter < L'a' + 10; ++letter)
        many.push_back(files.File(std::wstring(200 - files.Root().size() - 1, letter)));
    ASSERT_EQ(many[0].size(), 200u);
    const auto tooMany = ShellItems(many);
    ASSERT_TRUE(tooMany);
    EXPECT_EQ(State(tooMany.get()), ECS_HIDDEN);
    EXPECT_EQ(root->Invoke(tooMany.get(), nullptr), E_INVALIDARG);
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(ExplorerCommandTest, IconIsTheLibrarysOwnAndTheObjectIsNotTheShellExtension)
{
    LPWSTR icon = nullptr;
    ASSERT_EQ(root->GetIcon(nullptr, &icon), S_OK);
    EXPECT_EQ(Taken(icon), library.Path() + L",-" + std::to_wstring(IDI_PRODUCT));
    const UniqueIcon loaded(static_cast<HICON>(
        ::LoadImageW(library.Module(), MAKEINTRESOURCEW(IDI_PRODUCT), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    EXPECT_TRUE(loaded);

    // Nothing of CShellExt: in particular its SetSite, the browser helper's, must not run here.
    for (const IID* iid : {&IID_IShellExtInit, &IID_IContextMenu, &IID_IShellIconOverlayIdentifier, &IID_IDispatch})
    {
        ComPtr<IUnknown> other;
        EXPECT_EQ(root->QueryInterface(*iid, other.put_void()), E_NOINTERFACE);
    }
    // The command, its list and its sub-commands keep the library loaded while any of them lives.
    ServeMenuItems({L"2", L"Share"});
    EXPECT_EQ(State(ShellItems({first}).get()), ECS_ENABLED);
    auto commands = SubCommands();
    root.reset();
    menu.reset();
    init.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
    commands.clear();
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

// The package's manifest names what the library serves, so the two cannot drift apart.
TEST(MenuPackageManifest, NamesTheLibrarysCommandClassFileAndItemTypes)
{
    const auto manifest = ReadFileBytes(ToUtf16(PELLICOR_MENU_MANIFEST_PATH, CP_UTF8));
    ASSERT_TRUE(manifest);
    const auto all = [&](const char* pattern)
    {
        std::vector<std::string> found;
        const std::regex expression(pattern);
        for (auto it = std::sregex_iterator(manifest->begin(), manifest->end(), expression);
             it != std::sregex_iterator(); ++it)
            found.push_back((*it)[1]);
        return found;
    };
    const auto classes = all(R"re(<com:Class Id="([^"]*)")re");
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(all(R"re(<com:Class [^>]*Path="([^"]*)")re"), (std::vector<std::string>{"PellicorOverlays_x64_10060.dll"}));
    EXPECT_EQ(all(R"re(<desktop5:ItemType Type="([^"]*)")re"), (std::vector<std::string>{"*", "Directory"}));
    EXPECT_EQ(all(R"re(<desktop5:Verb [^>]*Clsid="([^"]*)")re"), (std::vector<std::string>{classes[0], classes[0]}));

    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromString(ToUtf16("{" + classes[0] + "}", CP_UTF8).c_str(), &clsid), S_OK);
    EXPECT_TRUE(::IsEqualCLSID(clsid, kClsidExplorerCommand));
    const LibraryUnderTest library;
    ComPtr<IExplorerCommand> command;
    EXPECT_EQ(library.CreateObject(clsid, IID_IExplorerCommand, command.put_void()), S_OK);
}

} // namespace
} // namespace pellicor::test
