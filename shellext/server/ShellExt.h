#pragma once
// CShellExt: the one object behind every class the library serves. The class identifier only fixes
// m_kind; the role (overlay identifier, context-menu handler, copy hook, per-window site object)
// follows from where the launcher registered the identifier. Each subsystem implements its own
// operations in its own folder; this header is the meeting point.
#include "common/ComPtr.h"
#include "common/UniqueHandle.h"
#include "shellext/channel/PipeClient.h"
#include "shellext/server/ModuleReference.h"
#include "shellext/server/OverlayKind.h"
#include "shellext/view/EventSubscription.h"
#include "shellext/view/PostingTimer.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <exdisp.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

namespace pellicor
{

enum PanelState : std::int32_t
{
    NoPanel = 0,
    PanelAttached = 1,
    SignInPrompt = 2,
};

// The module reference is the last base: the library's count drops after every member is gone.
class CShellExt final : public IShellIconOverlayIdentifier,
                        public IShellExtInit,
                        public IContextMenu3,
                        public ICopyHookW,
                        public IObjectWithSite,
                        public IDispatch,
                        private ModuleReference
{
public:
    explicit CShellExt(std::int32_t kind) noexcept;

    // IUnknown, shared by all six identities.
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    // IShellIconOverlayIdentifier (server/OverlayIdentifier.cpp)
    IFACEMETHODIMP IsMemberOf(PCWSTR path, DWORD attributes) override;
    IFACEMETHODIMP GetOverlayInfo(PWSTR iconFile, int capacity, int* index, DWORD* flags) override;
    IFACEMETHODIMP GetPriority(int* priority) override;

    // IShellExtInit, IContextMenu3 (menu/)
    IFACEMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* dataObject, HKEY progIdKey) override;
    IFACEMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId,
                                    UINT flags) override;
    IFACEMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    IFACEMETHODIMP GetCommandString(UINT_PTR offset, UINT type, UINT* reserved, CHAR* name,
                                    UINT capacity) override;
    IFACEMETHODIMP HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) override;
    IFACEMETHODIMP HandleMenuMsg2(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // ICopyHookW (guard/)
    IFACEMETHODIMP_(UINT)
    CopyCallback(HWND hwnd, UINT wFunc, UINT wFlags, PCWSTR pszSrcFile, DWORD dwSrcAttribs,
                 PCWSTR pszDestFile, DWORD dwDestAttribs) override;

    // IObjectWithSite, IDispatch (view/; GetSite and the type-information trio in server/)
    IFACEMETHODIMP SetSite(IUnknown* site) override;
    IFACEMETHODIMP GetSite(REFIID riid, void** site) override;
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT* argError) override;

private:
    ~CShellExt();
    friend class CShellExtClassFactory; // destroys an object whose first QueryInterface failed

    // --- context menu (menu/) ---
    bool InsertClientMenuItem(int itemId, HMENU menu, UINT position, UINT commandId, const std::wstring& text,
                              HMENU subMenu);
    void FindViewWindow();
    void LoadItemBitmaps();
    HBITMAP ItemBitmap(std::int32_t itemId) const noexcept;

    // --- view integration (view/) ---
    // The site, its thread and its events, and the sync-folder test (SiteObject.cpp).
    bool OnViewThread() const noexcept;
    bool CreateSiteWindow();
    bool HandTeardownToViewThread() noexcept;
    void WithdrawSite() noexcept;
    static LRESULT CALLBACK SiteWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR instance);
    HRESULT OnSelectionChanged(const DISPPARAMS* params);
    HRESULT OnQuit(const DISPPARAMS* params);
    HRESULT OnDocumentComplete(const DISPPARAMS* params);
    HRESULT AdviseFolderViewEvents();
    bool IsInSyncFolder(const std::wstring& folder);
    void RefreshUserSettings();
    // The client's panel, its notifications and the view host (PanelAttachment.cpp).
    void AttachPanel();
    bool FindViewWindows();
    bool FindViewWindowsVista(HWND topLevel);
    bool FindViewWindowsXp(HWND topLevel);
    void StartAttachRetry(HWND window);
    void StopAttachRetry() noexcept;
    void NotifySelection(bool onlyIfChanged);
    void LayoutPrompt();
    void ShowSignInPrompt();
    void PollSignIn();
    void ResizeSettled();
    void ClosePrompt() noexcept;
    void DetachView() noexcept; // timers, retry, subclasses and dialog: only what this object made
    static LRESULT CALLBACK ViewHostSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR id, DWORD_PTR instance);
    static void CALLBACK AttachRetryTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
    // Dialog 111 and the user picture (PromptDialog.cpp, Avatar.cpp).
    friend class PromptDialog;
    void DrawAvatar(HWND window);
    bool LoadAvatarPicture();

    // Members, in the order the object is laid out.
    const std::int32_t m_kind;
    std::atomic<LONG> m_refCount{0};
    std::vector<std::wstring> m_selectedPaths;
    std::map<std::int32_t, HBITMAP> m_commandBitmaps; // borrowed from m_itemBitmaps for owner drawing
    std::map<std::int32_t, UniqueBitmap> m_itemBitmaps;
    // Bitmaps replaced by a later Initialize while a built menu may still show them; kept until the end.
    std::vector<UniqueBitmap> m_retiredBitmaps;
    ComPtr<IWebBrowser2> m_browser;
    ComPtr<IPicture> m_avatarPicture;
    PostingTimer m_resizeTimer;     // posts to the view host; the work runs on the window's thread
    PostingTimer m_signInPollTimer; // posts to the prompt dialog
    bool m_skipDocumentComplete = false;
    bool m_preVista = false;
    std::int32_t m_attachRetries = 0;
    DWORD m_attachTick = 0;
    PanelState m_panelState = NoPanel;
    std::vector<std::wstring> m_lastSelection;
    std::wstring m_syncFolder;
    std::wstring m_currentFolder;
    HWND m_itemsView = nullptr;
    HWND m_viewHost = nullptr;
    HWND m_viewWindow = nullptr;
    HWND m_promptDialog = nullptr;
    std::wstring m_nickName;
    std::wstring m_avatarPath;
    PipeClient m_pipe;

    // What the site role made, each recorded before it exists, so that all of it can be taken back.
    struct SubclassedHost
    {
        HWND host;
        ModuleReference module; // the subclass runs our code until it is removed
    };
    std::vector<SubclassedHost> m_subclassedHosts; // view hosts carrying ViewHostSubclassProc
    HWND m_retryWindow = nullptr;                   // the window timer 88 and its property are on
    EventSubscription m_browserEvents;
    EventSubscription m_folderViewEvents;           // the folder view shown now
    DWORD m_viewThread = 0;                         // the thread that sited the object; 0: not sited
    UniqueWindow m_siteWindow;                      // on that thread: where a last release elsewhere sends the teardown
};

// The library's own module, for its bitmaps, strings and dialog.
HINSTANCE ModuleInstance() noexcept;

} // namespace pellicor
