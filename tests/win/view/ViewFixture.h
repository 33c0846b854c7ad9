#pragma once
// One Explorer window with the library's site object in it, driven as Explorer drives it: a fake
// browser for the window, the real window tree, the client stand-in on the real pipe, and the client
// signed in with the sync folder C:\Drovana.
#include "shellext/channel/ClientCommands.h"
#include "tests/win/support/ClientSettingsKey.h"
#include "tests/win/support/FakeBrowserSite.h"
#include "tests/win/support/LibraryUnderTest.h"
#include "tests/win/support/StandInFixture.h"
#include "tests/win/support/TestWindows.h"
#include "tests/win/view/ExplorerWindows.h"

#include <exdispid.h>
#include <shdispid.h>

#include <string>
#include <utility>
#include <vector>

namespace pellicor::test
{

constexpr const wchar_t* kSyncFolder = L"C:\\Drovana";
constexpr const wchar_t* kInsideFolder = L"C:\\Drovana\\Docs";
constexpr const wchar_t* kOutsideFolder = L"C:\\Users\\tester\\Desktop";

// Dialog 111 and its link control.
constexpr int kPromptLinkId = 1002;
constexpr UINT kAttachWindowMessage = WM_USER + 1;
constexpr UINT kSignedOutMessage = WM_USER + 2;
constexpr UINT kDrawAvatarMessage = WM_USER + 3;
constexpr int kBandHeight = 44;

// The site object of one window, as created by the shell.
class SiteObject
{
public:
    explicit SiteObject(const LibraryUnderTest& library);
    HRESULT SetSite(IUnknown* site) const { return m_site->SetSite(site); }
    // Explorer lets go of the object: the site is withdrawn and the reference released.
    void Release();
    bool IsCreated() const { return static_cast<bool>(m_site); }
    // The reference, for a caller that lets go of it some other way.
    ComPtr<IObjectWithSite> Take() { return std::move(m_site); }

private:
    ComPtr<IObjectWithSite> m_site;
};

// DocumentComplete as the browser fires it: rgvarg[0] refers to a variant holding the location,
// rgvarg[1] is the browser.
HRESULT FireDocumentComplete(FakeBrowser& browser, const std::wstring& location);
// The same with a location that is not a string, and with the location missing.
HRESULT FireDocumentCompleteWithNumber(FakeBrowser& browser);
HRESULT FireDocumentCompleteWithoutLocation(FakeBrowser& browser);

inline bool IsShown(HWND window)
{
    return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// What of the library is still in the window: the band, a subclass on the view host, timer 88 or its
// property. Empty once the object is gone. (A timer 88 found is ended.)
std::vector<std::string> LeftBehind(const ExplorerFrame& window);

// A 24-bit bitmap file: the header for info (whose size fields it fills in), then the rows as given.
void WriteBitmapFile(const std::wstring& path, BITMAPINFOHEADER info, const std::string& rows);

// One Windows 7 Explorer window whose site object has navigated into the sync folder while no client
// accepted the panel, so that the band shows (the client's settings are the caller's).
class BandWindow
{
public:
    explicit BandWindow(const LibraryUnderTest& library);
    ~BandWindow();
    BandWindow(const BandWindow&) = delete;
    BandWindow& operator=(const BandWindow&) = delete;

    // The band: the prompt dialog in the view host.
    HWND Dialog() const { return ::FindWindowExW(window.ViewHost(), nullptr, L"#32770", nullptr); }

    VistaExplorerWindow window;

private:
    ComPtr<FakeBrowser> m_browser = FakeBrowser::Create();
    SiteObject m_object;
};

template <typename ExplorerWindow> class ViewFixtureOf : public StandInFixture
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Vista and later report every navigation twice; the second report counts.
    void Navigate(const std::wstring& location);
    // Navigates inside the sync folder with the client accepting the panel.
    void AttachAccepted();
    // The prompt dialog: the "#32770" child of the view host.
    HWND PromptDialog() const;
    // The user selects these paths in the folder view.
    void Select(std::vector<std::wstring> paths);
    // As a closing window does: the event sources forget their sinks and Explorer lets go.
    void LetGo();
    void Refuse()
    {
        server.SetResponse(kCommandNotifyCreatePluginWin, standin::Response::WithStatus(L"later"));
    }
    void Accept() { server.SetResponse(kCommandNotifyCreatePluginWin, standin::Response::Ok()); }

    ClientSettingsKey settings;
    LibraryUnderTest library;
    ExplorerWindow window;
    ComPtr<FakeBrowser> browser;
    ComPtr<FakeFolderView> folderView;
    SiteObject object{library};
    bool vista = true;
};

} // namespace pellicor::test

namespace pellicor::test
{
using ViewTest = ViewFixtureOf<VistaExplorerWindow>;
using XpViewTest = ViewFixtureOf<XpExplorerWindow>;
using XpActiveXViewTest = ViewFixtureOf<XpActiveXExplorerWindow>;
} // namespace pellicor::test
