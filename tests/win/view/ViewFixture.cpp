#include "tests/win/view/ViewFixture.h"

#include "tests/win/support/ShellClassIds.h"
#include "tests/win/support/TempFolder.h"

#include <type_traits>

namespace pellicor::test
{

SiteObject::SiteObject(const LibraryUnderTest& library)
{
    library.CreateObject(kClsidSite, IID_IObjectWithSite, m_site.put_void());
}

void SiteObject::Release()
{
    if (m_site)
        m_site->SetSite(nullptr);
    m_site.reset();
}

namespace
{

HRESULT FireDocumentCompleteWith(FakeBrowser& browser, VARIANT* location, bool withLocation)
{
    VARIANT arguments[2];
    ::VariantInit(&arguments[0]);
    arguments[0].vt = VT_VARIANT | VT_BYREF;
    arguments[0].pvarVal = location;
    ::VariantInit(&arguments[1]);
    arguments[1].vt = VT_DISPATCH;
    arguments[1].pdispVal = static_cast<IWebBrowser2*>(&browser);
    if (!withLocation)
        return browser.Events().Fire(DISPID_DOCUMENTCOMPLETE, {arguments[1]});
    return browser.Events().Fire(DISPID_DOCUMENTCOMPLETE, {arguments[0], arguments[1]});
}

} // namespace

std::vector<std::string> LeftBehind(const ExplorerFrame& window)
{
    std::vector<std::string> found;
    const HWND host = window.ViewHost();
    if (::FindWindowExW(host, nullptr, L"#32770", nullptr))
        found.emplace_back("the band");
    if (::GetWindowLongPtrW(host, GWLP_WNDPROC) != static_cast<LONG_PTR>(::GetClassLongPtrW(host, GCLP_WNDPROC)))
        found.emplace_back("a subclass on the view host");
    if (::GetPropW(window.TopLevel(), L"_DRV_PROP_EXTEND_USERDATA_"))
        found.emplace_back("the retry property");
    if (::KillTimer(window.TopLevel(), 88))
        found.emplace_back("timer 88");
    return found;
}

HRESULT FireDocumentComplete(FakeBrowser& browser, const std::wstring& location)
{
    VARIANT url;
    ::VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = ::SysAllocStringLen(location.data(), static_cast<UINT>(location.size()));
    const HRESULT result = FireDocumentCompleteWith(browser, &url, true);
    ::VariantClear(&url);
    return result;
}

HRESULT FireDocumentCompleteWithNumber(FakeBrowser& browser)
{
    VARIANT number;
    ::VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = 7;
    return FireDocumentCompleteWith(browser, &number, true);
}

HRESULT FireDocumentCompleteWithoutLocation(FakeBrowser& browser)
{
    return FireDocumentCompleteWith(browser, nullptr, false);
}

void WriteBitmapFile(const std::wstring& path, BITMAPINFOHEADER info, const std::string& rows)
{
    info.biSize = sizeof(info);
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(rows.size());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    WriteFileBytes(path, std::string(reinterpret_cast<const char*>(&file), sizeof(file)) +
                             std::string(reinterpret_cast<const char*>(&info), sizeof(info)) + rows);
}

BandWindow::BandWindow(const LibraryUnderTest& library) : m_object(library)
{
    m_browser->window = window.TopLevel();
    m_object.SetSite(static_cast<IWebBrowser2*>(m_browser.get()));
    FireDocumentComplete(*m_browser.get(), kInsideFolder);
    FireDocumentComplete(*m_browser.get(), kInsideFolder);
}

BandWindow::~BandWindow()
{
    m_browser->Events().DropSinks();
    m_object.Release();
}

template <typename ExplorerWindow> void ViewFixtureOf<ExplorerWindow>::SetUp()
{
    StandInFixture::SetUp();
    ASSERT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ASSERT_TRUE(library.IsLoaded());
    ASSERT_TRUE(object.IsCreated());
    vista = !std::is_base_of_v<XpExplorerWindow, ExplorerWindow>;
    settings.SignIn(kSyncFolder, 1033);

    browser = FakeBrowser::Create();
    folderView = FakeFolderView::Create();
    browser->window = window.TopLevel();
    browser->document = ComPtr<IDispatch>(static_cast<IShellFolderViewDual*>(folderView.get()));
    ASSERT_EQ(S_OK, object.SetSite(static_cast<IWebBrowser2*>(browser.get())));
}

// Whatever a test did, the last release takes everything of the library out of the window, and only
// then may the library be unloaded.
template <typename ExplorerWindow> void ViewFixtureOf<ExplorerWindow>::TearDown()
{
    if (object.IsCreated())
    {
        EXPECT_EQ(S_FALSE, library.CanUnloadNow());
    }
    LetGo();
    EXPECT_EQ(std::vector<std::string>{}, LeftBehind(window));
    EXPECT_EQ(S_OK, library.CanUnloadNow());
    PumpMessages(std::chrono::milliseconds(20));
    ::CoUninitialize();
    StandInFixture::TearDown();
}

template <typename ExplorerWindow> void ViewFixtureOf<ExplorerWindow>::Navigate(const std::wstring& location)
{
    if (vista)
    {
        EXPECT_EQ(S_OK, FireDocumentComplete(*browser.get(), location));
    }
    EXPECT_EQ(S_OK, FireDocumentComplete(*browser.get(), location));
}

template <typename ExplorerWindow> void ViewFixtureOf<ExplorerWindow>::AttachAccepted()
{
    Navigate(kInsideFolder);
    ASSERT_EQ(1u, CountOf(kCommandNotifyCreatePluginWin));
    ASSERT_EQ(1u, CountOf(kCommandNotifySeletionChanged));
    server.ClearRequests();
}

template <typename ExplorerWindow> HWND ViewFixtureOf<ExplorerWindow>::PromptDialog() const
{
    return ::FindWindowExW(window.ViewHost(), nullptr, L"#32770", nullptr);
}

template <typename ExplorerWindow> void ViewFixtureOf<ExplorerWindow>::Select(std::vector<std::wstring> paths)
{
    folderView->selection = std::move(paths);
    EXPECT_EQ(S_OK, folderView->Events().Fire(DISPID_SELECTIONCHANGED));
}

template <typename ExplorerWindow> void ViewFixtureOf<ExplorerWindow>::LetGo()
{
    if (browser)
        browser->Events().DropSinks();
    if (folderView)
        folderView->Events().DropSinks();
    object.Release();
}

template class ViewFixtureOf<VistaExplorerWindow>;
template class ViewFixtureOf<XpExplorerWindow>;
template class ViewFixtureOf<XpActiveXExplorerWindow>;

} // namespace pellicor::test
