#pragma once
// A context-menu handler made by the real library as Explorer makes it, the client stand-in on the
// real pipe, and readers for what ends up in a real menu.
#include "common/ComPtr.h"
#include "common/UniqueHandle.h"
#include "tests/win/support/ClientSettingsKey.h"
#include "tests/win/support/LibraryUnderTest.h"
#include "tests/win/support/StandInFixture.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace pellicor::test
{

constexpr UINT kFirstId = 100;
constexpr UINT kLastId = 0x7FFF;

struct MenuEntry
{
    UINT id = 0;
    UINT type = 0; // MFT_*
    std::wstring text;
    HBITMAP bitmap = nullptr;
    HMENU subMenu = nullptr;

    bool IsSeparator() const { return (type & MFT_SEPARATOR) != 0; }
};

std::vector<MenuEntry> ReadMenu(HMENU menu);

// The pixels of a bitmap as 32-bit values, top row first; empty for no bitmap.
std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap);
// The same for a bitmap resource of the library.
std::vector<std::uint32_t> LibraryBitmapPixels(HMODULE library, unsigned id);

// A menu with two items of the shell's own, between which ours go (position 1).
UniqueMenu ShellMenu();
// Picks the command at this offset from the first identifier, as the shell does.
HRESULT InvokeOffset(IContextMenu& menu, UINT offset);

// A top-level window, optionally with the tab, view and items-view children of an Explorer window,
// brought to the foreground.
class ForegroundWindow
{
public:
    explicit ForegroundWindow(bool explorerTab);
    HWND Frame() const { return m_frame.get(); }
    HWND ItemsView() const { return m_itemsView; }

private:
    UniqueWindow m_frame;
    HWND m_itemsView = nullptr;
};

class ContextMenuFixture : public StandInFixture
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh handler, as for each right click.
    void CreateHandler();
    HRESULT InitializeWith(const std::vector<std::wstring>& paths);
    // The number of identifiers QueryContextMenu reports, or -1 for a failure code.
    int Query(HMENU menu, UINT position, UINT flags = CMF_NORMAL, UINT first = kFirstId, UINT last = kLastId);
    // A fresh shell menu, kept in `clicked`, with ours put in at position 1: as Query.
    int QueryShellMenu(UINT flags = CMF_NORMAL, UINT last = kLastId);
    void ServeMenuItems(std::vector<std::wstring> values);
    HRESULT InvokeOffset(UINT offset) { return pellicor::test::InvokeOffset(*menu.get(), offset); }

    // A right click on the selection while the client serves these items: QueryShellMenu, read
    // back; the identifiers the handler reported are in `identifiers`.
    std::vector<MenuEntry> RightClick(std::vector<std::wstring> items,
                                      const std::vector<std::wstring>& selection = {L"C:\\Sync\\a.txt"});

    ClientSettingsKey settings;
    LibraryUnderTest library;
    ComPtr<IShellExtInit> init;
    ComPtr<IContextMenu3> menu;
    UniqueMenu clicked;
    int identifiers = 0;
};

} // namespace pellicor::test
