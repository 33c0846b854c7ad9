// The overlay identifiers against the stand-in over the real pipe and the prefix's real registry.
#include "common/ComPtr.h"
#include "tests/win/support/LibraryUnderTest.h"
#include "tests/win/support/RegistryScope.h"
#include "tests/win/support/ShellClassIds.h"
#include "tests/win/support/StandInFixture.h"

#include <gtest/gtest.h>
#include <shlobj.h>

namespace pellicor::test
{
namespace
{

using standin::RecordedRequest;
using standin::Response;

constexpr const wchar_t* kIconKey = L"Software\\PellicorOverlays";

struct KindCase
{
    const char* name;
    const CLSID* clsid;
    const wchar_t* iconValue; // null: no icon
    int priority;
    const wchar_t* stateWord; // null: never a member
};

const KindCase kKinds[] = {
    {"Syncing", &kClsidSyncing, L"SyncingIcon", 2, L"Syncing"},
    {"Synced", &kClsidSynced, L"SyncedIcon", 0, L"Synced"},
    {"Safe", &kClsidSafe, L"SafeIcon", 5, nullptr},
    {"Share", &kClsidShare, L"ShareIcon", 6, nullptr},
    {"Invalid", &kClsidInvalid, L"InvalidIcon", 10, L"Invalid"},
    {"copy hook", &kClsidCopyHook, nullptr, 100, nullptr},
    {"site", &kClsidSite, nullptr, 100, nullptr},
};

class OverlayIdentifierTest : public StandInFixture
{
protected:
    void SetUp() override
    {
        StandInFixture::SetUp();
        ASSERT_TRUE(library.IsLoaded());
    }
    void TearDown() override
    {
        StandInFixture::TearDown();
        EXPECT_EQ(library.CanUnloadNow(), S_OK);
    }

    ComPtr<IShellIconOverlayIdentifier> Identifier(const CLSID& clsid)
    {
        ComPtr<IShellIconOverlayIdentifier> id;
        EXPECT_EQ(library.CreateObject(clsid, IID_IShellIconOverlayIdentifier, id.put_void()), S_OK);
        return id;
    }

    // The client answers every PathState with "ok" and this word.
    void ClientSays(const std::wstring& word) { server.SetResponse(L"PathState", Response::Ok({word})); }

    LibraryUnderTest library;
    RegistryScope userIcons{HKEY_CURRENT_USER, kIconKey};
    RegistryScope machineIcons{HKEY_LOCAL_MACHINE, kIconKey};
};

TEST_F(OverlayIdentifierTest, Priorities)
{
    for (const KindCase& kind : kKinds)
    {
        auto id = Identifier(*kind.clsid);
        int priority = -1;
        EXPECT_EQ(id->GetPriority(&priority), kind.iconValue ? S_OK : S_FALSE) << kind.name;
        EXPECT_EQ(priority, kind.priority) << kind.name;
        EXPECT_EQ(id->GetPriority(nullptr), E_POINTER) << kind.name;
    }
}

TEST_F(OverlayIdentifierTest, EachKindClaimsExactlyItsOwnStateWord)
{
    const wchar_t* const words[] = {L"Syncing", L"Synced", L"Invalid", L"Safe",    L"Share",
                                    L"synced",  L"SYNCED", L"SyncedX", L" Synced", L"None"};
    for (const wchar_t* word : words)
    {
        ClientSays(word);
        for (const KindCase& kind : kKinds)
        {
            auto id = Identifier(*kind.clsid);
            server.ClearRequests();
            const bool member = kind.stateWord != nullptr && std::wstring(word) == kind.stateWord;
            EXPECT_EQ(id->IsMemberOf(L"C:\\Sync\\file.txt", FILE_ATTRIBUTE_NORMAL), member ? S_OK : S_FALSE)
                << kind.name << " for the word " << ToUtf8(word);
            // Every kind asks, once per call, even those that can never match.
            const auto requests = server.Requests();
            ASSERT_EQ(requests.size(), 1u) << kind.name;
            EXPECT_EQ(requests[0].request.command, L"PathState");
            EXPECT_EQ(requests[0].request.arguments, std::vector<std::wstring>{L"C:\\Sync\\file.txt"});
        }
    }
}

TEST_F(OverlayIdentifierTest, OnlyAnOkReplyWithTheWordFirstMakesAMember)
{
    auto synced = Identifier(kClsidSynced);
    const std::wstring nulTail{L'S', L'y', L'n', L'c', L'e', L'd', L'\0', L'!'};
    const struct
    {
        const char* what;
        Response response;
        HRESULT expected;
    } cases[] = {
        {"ok Synced", Response::Ok({L"Synced"}), S_OK},
        {"word before an embedded NUL", Response::Ok({nulTail}), S_OK},
        {"word first of several", Response::Ok({L"Synced", L"Syncing"}), S_OK},
        {"word second", Response::Ok({L"Syncing", L"Synced"}), S_FALSE},
        {"ok without a value", Response::Ok(), S_FALSE},
        {"status OK", Response::WithStatus(L"OK", {L"Synced"}), S_FALSE},
        {"status 'ok '", Response::WithStatus(L"ok ", {L"Synced"}), S_FALSE},
        {"empty status", Response::WithStatus(L"", {L"Synced"}), S_FALSE},
        {"malformed", Response::Malformed(), S_FALSE},
        {"truncated", Response::Truncated({L"Synced"}), S_FALSE},
        {"oversized", Response::Oversized(), S_FALSE},
        {"closed without reply", Response::Close(), S_FALSE},
        {"slow", Response::Ok({L"Synced"}).After(200), S_OK},
    };
    for (const auto& c : cases)
    {
        server.SetResponse(L"PathState", c.response);
        EXPECT_EQ(synced->IsMemberOf(L"C:\\Sync\\a", 0), c.expected) << c.what;
    }
}

TEST_F(OverlayIdentifierTest, PathsTravelUnchangedAndNullOrOversizedPathsAreNotSent)
{
    ClientSays(L"Synced");
    auto synced = Identifier(kClsidSynced);

    EXPECT_EQ(synced->IsMemberOf(L"C:\\a", FILE_ATTRIBUTE_DIRECTORY), S_OK);
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0].request.arguments, std::vector<std::wstring>{L"C:\\a"});

    EXPECT_EQ(synced->IsMemberOf(nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(synced->IsMemberOf(std::wstring(2036, L'p').c_str(), 0), S_FALSE);
    EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(OverlayIdentifierTest, NoClientMeansNoOverlay)
{
    server.Stop();
    for (const KindCase& kind : kKinds)
        EXPECT_EQ(Identifier(*kind.clsid)->IsMemberOf(L"C:\\Sync\\a", 0), S_FALSE) << kind.name;
}

// Calls GetOverlayInfo with a buffer of the given capacity, filled with 'X' beforehand.
struct IconAnswer
{
    HRESULT result;
    std::wstring icon;
    int index;
    DWORD flags;
};

IconAnswer AskIcon(IShellIconOverlayIdentifier* id, int capacity)
{
    std::wstring buffer(static_cast<std::size_t>(std::max(capacity, 1)) + 1, L'X');
    IconAnswer answer{E_UNEXPECTED, {}, -1, 0xFFFF};
    answer.result = id->GetOverlayInfo(buffer.data(), capacity, &answer.index, &answer.flags);
    answer.icon = buffer.c_str();
    return answer;
}

TEST_F(OverlayIdentifierTest, IconPathsComeFromTheUserBeforeTheMachine)
{
    ASSERT_TRUE(machineIcons.SetString(L"SyncedIcon", L"C:\\Machine\\Synced.ico"));
    ASSERT_TRUE(machineIcons.SetString(L"SyncingIcon", L"C:\\Machine\\Syncing.ico"));
    ASSERT_TRUE(machineIcons.SetString(L"InvalidIcon", L"C:\\Machine\\Invalid.ico"));
    ASSERT_TRUE(userIcons.SetString(L"SyncedIcon", L"C:\\User\\Synced.ico"));
    ASSERT_TRUE(userIcons.SetString(L"SyncingIcon", L""));
    // Not expanded and its type not examined.
    ASSERT_TRUE(userIcons.SetString(L"InvalidIcon", L"%APPDATA%\\Invalid.ico", REG_EXPAND_SZ));

    const IconAnswer synced = AskIcon(Identifier(kClsidSynced).get(), MAX_PATH);
    EXPECT_EQ(synced.result, S_OK);
    EXPECT_EQ(synced.icon, L"C:\\User\\Synced.ico");
    EXPECT_EQ(synced.index, 0);
    EXPECT_EQ(synced.flags, static_cast<DWORD>(ISIOI_ICONFILE));

    const IconAnswer syncing = AskIcon(Identifier(kClsidSyncing).get(), MAX_PATH);
    EXPECT_EQ(syncing.result, S_OK);
    EXPECT_EQ(syncing.icon, L"C:\\Machine\\Syncing.ico") << "an empty user value falls through";

    EXPECT_EQ(AskIcon(Identifier(kClsidInvalid).get(), MAX_PATH).icon, L"%APPDATA%\\Invalid.ico");

    // Kinds with no value anywhere, and kinds without an icon at all, report none.
    ASSERT_TRUE(userIcons.SetString(L"SafeIcon", L""));
    for (const CLSID* clsid : {&kClsidSafe, &kClsidShare, &kClsidCopyHook, &kClsidSite})
    {
        const IconAnswer none = AskIcon(Identifier(*clsid).get(), MAX_PATH);
        EXPECT_EQ(none.result, S_FALSE);
        EXPECT_EQ(none.icon, L"");
        EXPECT_EQ(none.index, 0);
        EXPECT_EQ(none.flags, 0u);
    }
}

TEST_F(OverlayIdentifierTest, ValuesOverTheReadLimitCountAsAbsent)
{
    // 511 units and the NUL fill the 1024 bytes exactly; one unit more is too large for that hive.
    const std::wstring fits(511, L'f');
    const std::wstring tooLong(512, L't');
    ASSERT_TRUE(userIcons.SetString(L"SyncedIcon", fits));
    EXPECT_EQ(AskIcon(Identifier(kClsidSynced).get(), 2048).icon, fits);

    ASSERT_TRUE(userIcons.SetString(L"SyncedIcon", tooLong));
    EXPECT_EQ(AskIcon(Identifier(kClsidSynced).get(), 2048).result, S_FALSE);
    ASSERT_TRUE(machineIcons.SetString(L"SyncedIcon", L"C:\\Machine\\Synced.ico"));
    EXPECT_EQ(AskIcon(Identifier(kClsidSynced).get(), 2048).icon, L"C:\\Machine\\Synced.ico");

    // Binary data without a NUL is taken for half its byte count.
    const wchar_t raw[] = {L'C', L':', L'\\', L'r'};
    ASSERT_TRUE(userIcons.SetRaw(L"SyncedIcon", REG_BINARY, raw, sizeof raw));
    EXPECT_EQ(AskIcon(Identifier(kClsidSynced).get(), 2048).icon, L"C:\\r");
}

TEST_F(OverlayIdentifierTest, CallerBufferMustHoldThePathAndItsNul)
{
    const std::wstring icon = L"C:\\Icons\\Synced.ico"; // 19 units
    ASSERT_TRUE(userIcons.SetString(L"SyncedIcon", icon));
    auto synced = Identifier(kClsidSynced);

    const IconAnswer roomy = AskIcon(synced.get(), static_cast<int>(icon.size()) + 1);
    EXPECT_EQ(roomy.result, S_OK);
    EXPECT_EQ(roomy.icon, icon);

    const IconAnswer exact = AskIcon(synced.get(), static_cast<int>(icon.size()));
    EXPECT_EQ(exact.result, E_INVALIDARG);
    EXPECT_EQ(exact.icon, L"");
    EXPECT_EQ(exact.index, 0);
    EXPECT_EQ(exact.flags, 0u);

    EXPECT_EQ(AskIcon(synced.get(), 0).result, E_INVALIDARG);
    EXPECT_EQ(AskIcon(synced.get(), -5).result, E_INVALIDARG);

    wchar_t buffer[MAX_PATH];
    int index = 0;
    DWORD flags = 0;
    EXPECT_EQ(synced->GetOverlayInfo(nullptr, MAX_PATH, &index, &flags), E_POINTER);
    EXPECT_EQ(synced->GetOverlayInfo(buffer, MAX_PATH, nullptr, &flags), E_POINTER);
    EXPECT_EQ(synced->GetOverlayInfo(buffer, MAX_PATH, &index, nullptr), E_POINTER);
}

} // namespace
} // namespace pellicor::test
