// The context menu. The client decides which items to show: we send it the selection, build the
// menu from its answer and hand a picked command back to it. Both pipe calls run on the shell's
// thread while it assembles or runs the menu, and give up at once when the client is not there.
#include "common/OleHandles.h"
#include "common/TextConversion.h"
#include "shellext/menu/DropFilesReader.h"
#include "shellext/menu/MenuCaption.h"
#include "shellext/menu/MenuPlan.h"
#include "shellext/resources/ResourceIds.h"
#include "shellext/server/ShellExt.h"
#include "shellext/view/ExplorerWindows.h"

#include <algorithm>
#include <climits>
#include <span>
#include <string_view>

namespace pellicor
{

namespace
{

// The bitmap shown beside each client item id; 0 is the submenu itself.
constexpr struct
{
    std::int32_t itemId;
    WORD bitmap;
} kItemBitmaps[] = {
    {0, IDB_MENU_DROVANA}, {1, IDB_MENU_DROVANA}, {2, IDB_MENU_ITEM2},
    {3, IDB_MENU_ITEM3},   {4, IDB_MENU_ITEM4},   {5, IDB_MENU_ITEM5},
};

constexpr int kMenuBitmapSize = 16;

// The name the shell gets for our verb: the product's Chinese name, whatever the language.
constexpr wchar_t kVerbName[] = L"\u5353\u74E6\u7EB3";

constexpr HRESULT IdentifiersUsed(std::uint32_t count)
{
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, count);
}

// A file list in the system's code page, as programs before Unicode made them.
std::wstring NarrowPath(std::string_view name)
{
    return ToUtf16(name, CP_ACP);
}

} // namespace

// The selection comes as a file list. Paths are taken whole, however long: a path cut to the old
// 260-character limit would name another file, and the client would act on that one. The list is
// read within its memory block: a list that never ends is cut at the block's end, not read past it.
IFACEMETHODIMP CShellExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* dataObject, HKEY)
{
    try
    {
        if (!dataObject)
            return E_INVALIDARG;
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        UniqueStgMedium medium;
        if (FAILED(dataObject->GetData(&format, medium.put())))
            return E_INVALIDARG;
        medium.MarkFilled();
        if (medium.get().tymed != TYMED_HGLOBAL || !medium.get().hGlobal)
            return E_INVALIDARG;

        HRESULT result = S_OK;
        {
            const ScopedGlobalLock lock(medium.get().hGlobal);
            if (!lock)
                return E_INVALIDARG;
            const std::span<const std::uint8_t> block(static_cast<const std::uint8_t*>(lock.get()),
                                                      ::GlobalSize(medium.get().hGlobal));
            DropFilesList list = ReadDropFiles(block, NarrowPath);
            if (list.paths.empty() && !list.cut)
                return E_INVALIDARG;
            // A name cut by the block's end is unreadable: keep the names before it.
            m_selectedPaths = std::move(list.paths);
            if (list.cut)
                result = E_INVALIDARG;
        }
        LoadItemBitmaps();
        return result;
    }
    catch (...)
    {
        return E_INVALIDARG;
    }
}

void CShellExt::LoadItemBitmaps()
{
    for (const auto& entry : kItemBitmaps)
    {
        UniqueBitmap fresh(::LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(entry.bitmap)));
        UniqueBitmap& slot = m_itemBitmaps[entry.itemId];
        // A menu built earlier may still be open and draw the old bitmap; keep it until we go away.
        const HBITMAP old = slot.get();
        if (old && std::any_of(m_commandBitmaps.begin(), m_commandBitmaps.end(),
                               [old](const auto& command) { return command.second == old; }))
            m_retiredBitmaps.push_back(std::move(slot));
        slot = std::move(fresh);
    }
}

HBITMAP CShellExt::ItemBitmap(std::int32_t itemId) const noexcept
{
    const auto found = m_itemBitmaps.find(itemId);
    return found == m_itemBitmaps.end() ? nullptr : found->second.get();
}

IFACEMETHODIMP CShellExt::QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId, UINT flags)
{
    try
    {
        // Default-verb lookups and verb enumerations must not cost a round trip to the client.
        if (flags & (CMF_DEFAULTONLY | CMF_VERBSONLY))
            return IdentifiersUsed(0);
        if (lastId < firstId)
            return IdentifiersUsed(0);
        // A menu whose command could not be sent would drop the user's pick while telling the shell
        // it was done: a selection too large for one "MenuCmd" gets no menu, and costs no round trip.
        if (!MenuCommandFits(m_selectedPaths))
            return IdentifiersUsed(0);

        std::vector<std::wstring> values;
        if (!PipeClient().QueryMenuItems(m_selectedPaths, values))
            return IdentifiersUsed(0);
        const MenuPlan plan = PlanMenu(values, lastId - firstId);
        if (plan.shape == MenuShape::Nothing)
            return IdentifiersUsed(0);

        // The submenu is filled before anything goes into the shell's menu, so that a failure leaves
        // that menu as it was.
        UniqueMenu popup;
        if (plan.shape == MenuShape::Submenu)
        {
            popup.reset(::CreatePopupMenu());
            if (!popup)
                return IdentifiersUsed(0);
            UINT index = 0;
            for (const auto& item : plan.items)
            {
                if (InsertClientMenuItem(item.id, popup.get(), index, firstId + item.id, item.text, nullptr))
                    ++index;
            }
        }

        // Each insertion at the same position pushes the earlier ones down: the menu ends up reading
        // separator, our item or submenu, separator.
        if (!::InsertMenuW(menu, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr))
            return IdentifiersUsed(0);
        const bool inserted =
            plan.shape == MenuShape::PlainItem
                ? InsertClientMenuItem(plan.items[0].id, menu, position, firstId + plan.items[0].id,
                                       plan.items[0].text, nullptr)
                : InsertClientMenuItem(kSubmenuItemId, menu, position, firstId, MenuCaption(),
                                       popup.get());
        if (!inserted)
        {
            ::DeleteMenu(menu, position, MF_BYPOSITION);
            return IdentifiersUsed(0);
        }
        popup.release(); // the shell's menu owns the submenu now
        ::InsertMenuW(menu, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        return IdentifiersUsed(plan.identifiersUsed);
    }
    catch (...)
    {
        return IdentifiersUsed(0);
    }
}

bool CShellExt::InsertClientMenuItem(int itemId, HMENU menu, UINT position, UINT commandId,
                                     const std::wstring& text, HMENU subMenu)
{
    const HBITMAP bitmap = ItemBitmap(itemId);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP | (itemId == kSubmenuItemId ? MIIM_SUBMENU : 0u);
    item.wID = commandId;
    item.dwTypeData = const_cast<LPWSTR>(text.c_str());
    // Before Vista the menu asks us to draw the bitmap (HandleMenuMsg2).
    item.hbmpItem = RunsBeforeVista() ? HBMMENU_CALLBACK : bitmap;
    item.hSubMenu = subMenu;
    if (!::InsertMenuItemW(menu, position, TRUE, &item))
        return false;
    m_commandBitmaps.insert_or_assign(static_cast<std::int32_t>(commandId), bitmap);
    return true;
}

IFACEMETHODIMP CShellExt::InvokeCommand(CMINVOKECOMMANDINFO* info)
{
    try
    {
        // Only our own offsets: verb strings and anything outside the client's commands are refused.
        if (!info || !IS_INTRESOURCE(info->lpVerb))
            return E_INVALIDARG;
        const UINT offset = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
        if (!IsClientCommand(offset))
            return E_INVALIDARG;

        if (!m_viewWindow)
            FindViewWindow();
        // The client carries the command out; if it is gone the command is lost, which the shell
        // cannot do anything about.
        PipeClient().SendMenuCommand(m_selectedPaths, static_cast<int>(offset), m_viewWindow);
        return S_OK;
    }
    catch (...)
    {
        return E_FAIL;
    }
}

void CShellExt::FindViewWindow()
{
    m_viewWindow = FindViewWindowOf(::GetForegroundWindow());
}

// Validation and verb requests for Unicode get the product's name. The shell asks GCS_VALIDATE
// without a buffer, so nothing is written when there is none or it has no room.
IFACEMETHODIMP CShellExt::GetCommandString(UINT_PTR offset, UINT type, UINT*, CHAR* name, UINT capacity)
{
    if (offset != 0)
        return E_INVALIDARG;
    if ((type & (GCS_HELPTEXTA | GCS_UNICODE)) == 0)
        return E_INVALIDARG;
    if ((type & GCS_UNICODE) && name && capacity > 0)
        ::lstrcpynW(reinterpret_cast<LPWSTR>(name), kVerbName,
                    static_cast<int>(std::min<UINT>(capacity, INT_MAX)));
    return S_OK;
}

IFACEMETHODIMP CShellExt::HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    return HandleMenuMsg2(message, wParam, lParam, &result);
}

// Only reached on old systems, where our items carry HBMMENU_CALLBACK: the menu asks for room and
// then for the bitmap of each item.
IFACEMETHODIMP CShellExt::HandleMenuMsg2(UINT message, WPARAM, LPARAM lParam, LRESULT* result)
{
    LRESULT ownResult = 0;
    if (!result)
        result = &ownResult;
    *result = 0;
    try
    {
        if (message == WM_MEASUREITEM)
        {
            if (auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))
            {
                measure->itemWidth += 2;
                measure->itemHeight = std::max<UINT>(measure->itemHeight, kMenuBitmapSize);
                *result = 1;
            }
        }
        else if (message == WM_DRAWITEM)
        {
            const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (!draw || draw->CtlType != ODT_MENU)
                return S_OK;
            const auto found = m_commandBitmaps.find(static_cast<std::int32_t>(draw->itemID));
            if (found == m_commandBitmaps.end() || !found->second)
                return S_OK;
            const UniqueMemoryDc memory(::CreateCompatibleDC(draw->hDC));
            if (!memory)
                return S_OK;
            const ScopedSelectObject select(memory.get(), found->second);
            const LONG height = draw->rcItem.bottom - draw->rcItem.top;
            ::BitBlt(draw->hDC, draw->rcItem.left - kMenuBitmapSize,
                     draw->rcItem.top + (height - kMenuBitmapSize) / 2, kMenuBitmapSize, kMenuBitmapSize,
                     memory.get(), 0, 0, SRCCOPY);
            *result = 1;
        }
    }
    catch (...)
    {
    }
    return S_OK;
}

} // namespace pellicor
