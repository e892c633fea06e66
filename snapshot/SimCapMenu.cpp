// A menu of another process can only be read inside that process, so every item is read there by the
// menu collector, which also saves the item's bitmaps; the objects here keep what it answers.
#include "snapshot/SimCapMenu.h"

#include <initializer_list>
#include <new>

#include "hooks/BmpFile.h"
#include "hooks/ControlDataRecords.h"
#include "hooks/ControlRequest.h"
#include "hooks/RequestText.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "output/Tags.h"
#include "util/Diag.h"
#include "util/GlobalText.h"

namespace
{
// Deeper than any menu a person can open; a reply that names a menu as its own sub-menu ends here.
const int c_nDeepestMenu = 16;
// More items than any menu shows; a reply that announces more is not believed.
const int c_nMostItems = 4096;

DWORD HandleValue(const void* h)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(h));
}

// The item part of a reply, when it is for the menu and position asked.
const SIMCAP_COPYDATA_MENUITEM_GETDATA* ItemPart(const BYTE* pbRecord, DWORD cbRecord, HMENU hmenu,
                                                 int nPosition)
{
    if (cbRecord < sizeof(SIMCAP_COPYDATA_MENUITEM_GETDATA)) return nullptr;
    const auto* pReply = reinterpret_cast<const SIMCAP_COPYDATA_MENUITEM_GETDATA*>(pbRecord);
    if (pReply->bmps.hMenu != HandleValue(hmenu) || pReply->bmps.nPosition != nPosition)
    {
        DebugOut("SIMCAP_MENUITEM: reply for another menu item; dropped\n");
        return nullptr;
    }
    return pReply;
}
} // namespace

BOOL RequestMenuItem(HMENU hmenu, int nPosition, HWND hwndOwner, void* pvObject,
                     BOOL (*pfnSink)(void*, const BYTE*, DWORD))
{
    SIMCAP* p = g_pSimCap;
    char szFolder[MAX_PATH + 1] = {};
    p->GetSessionFolder(szFolder, sizeof(szFolder));
    // Each bitmap the item has takes the next number; the collector hands them out in order.
    UINT n = p->nImageCounter;
    char szNumbers[80];
    wsprintfA(szNumbers, "%10u,%6d,%6d,%10u,%6d,%10u,%6d,%10u,", HandleValue(hmenu), nPosition, n + 1, 0u,
              n + 2, 0u, n + 3, 0u);
    RequestAtoms atoms;
    if (!atoms.Add(szNumbers, c_cchMenuRequestNumbers, c_cchMenuRequestPath, szFolder))
    {
        p->OutputLastError("SIMCAP_MENUITEM::Init() B: Error creating atom for bitmap retrieval - ",
                           GetLastError());
        return FALSE;
    }
    RequestControlData(hwndOwner, g_shared.nWM_GetMenuItemData, atoms.Request(), COPYDATA_MENUITEM_REPLY,
                       pvObject, pfnSink);
    return TRUE;
}

SIMCAP_MENU::SIMCAP_MENU(HMENU hmenu, HWND hwndOwnerIn, int nDepth)
    : hMenu(hmenu), nItemCount(0), hwndOwner(hwndOwnerIn), nMenuDepth(nDepth)
{
}

BOOL SIMCAP_MENU::TakeCount(void* pvObject, const BYTE* pbRecord, DWORD cbRecord)
{
    auto* pMenu = static_cast<SIMCAP_MENU*>(pvObject);
    const SIMCAP_COPYDATA_MENUITEM_GETDATA* pReply = ItemPart(pbRecord, cbRecord, pMenu->hMenu, -1);
    if (!pReply) return FALSE;
    pMenu->nItemCount = pReply->nItemCount;
    return TRUE;
}

BOOL SIMCAP_MENU::Init()
{
    if (nMenuDepth >= c_nDeepestMenu)
    {
        DebugOut("SIMCAP_MENU::Init(): sub-menus nested too deep; not read\n");
        return TRUE;
    }
    // A menu of this process is read here; any other is counted where it lives.
    DWORD dwOwnerProcess = 0;
    GetWindowThreadProcessId(hwndOwner, &dwOwnerProcess);
    nItemCount = dwOwnerProcess == GetCurrentProcessId() ? GetMenuItemCount(hMenu) : -1;
    if (nItemCount < 0)
    {
        nItemCount = 0;
        if (!RequestMenuItem(hMenu, -1, hwndOwner, this, TakeCount)) return FALSE;
    }
    if (nItemCount < 0)
    {
        DebugOutF("SIMCAP_MENU::Init(): menu %lu has no item count\n", HandleValue(hMenu));
        nItemCount = 0;
    }
    if (nItemCount > c_nMostItems)
    {
        DebugOutF("SIMCAP_MENU::Init(): %d items announced; %d read\n", nItemCount, c_nMostItems);
        nItemCount = c_nMostItems;
    }
    for (int i = 0; i < nItemCount; ++i)
    {
        auto* pItem = new (std::nothrow) SIMCAP_MENUITEM(hMenu, i, hwndOwner, nMenuDepth);
        if (!pItem)
        {
            DebugOut("SIMCAP_MENU::Init(): Unable to allocate pMenuItem\n");
            return FALSE;
        }
        if (!pItem->Init())
        {
            DebugOut("SIMCAP_MENU::Init(): Unable to initialize pMenuItem\n");
            delete pItem;
            return FALSE;
        }
        if (!items.Insert(pItem, nullptr))
        {
            DebugOut("SIMCAP_MENU::Init(): Unable to insert pMenuItem\n");
            delete pItem;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL SIMCAP_MENU::Write(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    LPCSTR pszMenu = Tags::TagTxt(TAG_MENU);
    if (!p->WriteIndent(nDepth) || !p->WriteStartTag(pszMenu, nullptr, 0, nullptr, nullptr) ||
        !p->WriteEscaped("\n") ||
        !p->WriteSimpleTagUInt(nDepth + 1, Tags::TagTxt(TAG_HMENU), HandleValue(hMenu), nullptr) ||
        !p->WriteSimpleTagInt(nDepth + 1, "MenuItemCount", nItemCount, nullptr) || !items.Write(nDepth + 1) ||
        !p->WriteIndent(nDepth) || !p->WriteEndTag(pszMenu) || !p->WriteEscaped("\n"))
    {
        DebugOut("SimCap: Failed to Write Menu Info\n");
        return FALSE;
    }
    return TRUE;
}

SIMCAP_MENUITEM::SIMCAP_MENUITEM(HMENU hmenu, int nIndexIn, HWND hwndOwnerIn, int nMenuDepthIn)
    : hMenu(hmenu), nIndex(nIndexIn), wID(0), fState(0), fType(0), pText(nullptr), pSubMenu(nullptr),
      hwndOwner(hwndOwnerIn), hbmpChecked(0), hbmpUnchecked(0), hbmpItem(0), nItemImage(-1),
      nCheckedImage(-1), nUncheckedImage(-1), nMenuDepth(nMenuDepthIn), hSubMenu(nullptr)
{
}

SIMCAP_MENUITEM::~SIMCAP_MENUITEM()
{
    delete pSubMenu;
    GlobalTextFree(pText);
}

BOOL SIMCAP_MENUITEM::TakeItem(void* pvObject, const BYTE* pbRecord, DWORD cbRecord)
{
    auto* pItem = static_cast<SIMCAP_MENUITEM*>(pvObject);
    const SIMCAP_COPYDATA_MENUITEM_GETDATA* pReply =
        ItemPart(pbRecord, cbRecord, pItem->hMenu, pItem->nIndex);
    if (!pReply || !pReply->bItemRead) return FALSE;
    if (pReply->cbText)
    {
        // The text ends where its block ends, whatever the block holds.
        LPCSTR pszText = reinterpret_cast<LPCSTR>(pbRecord + sizeof(*pReply));
        DWORD cch = 0;
        while (cch < pReply->cbText && pszText[cch])
            ++cch;
        pItem->pText = GlobalTextCopy(pszText, cch);
        if (!pItem->pText)
        {
            DebugOut("SIMCAP_MENUITEM::Init(): Unable to allocate pText\n");
            return FALSE;
        }
        for (LPSTR psz = pItem->pText; *psz; psz = CharNextA(psz))
            if (*psz == '\b') *psz = '\t';
    }
    pItem->fType = pReply->fType;
    pItem->fState = pReply->fState;
    pItem->wID = pReply->wID;
    pItem->hSubMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(pReply->hSubMenu));
    pItem->hbmpItem = pReply->hbmpItem;
    pItem->hbmpChecked = pReply->hbmpChecked;
    pItem->hbmpUnchecked = pReply->hbmpUnchecked;
    pItem->nItemImage = pReply->bmps.nItemImage;
    pItem->nCheckedImage = pReply->bmps.nCheckedImage;
    pItem->nUncheckedImage = pReply->bmps.nUncheckedImage;
    // Every bitmap the item has took one number, whether or not it could be saved.
    for (int nImage : {pItem->nItemImage, pItem->nCheckedImage, pItem->nUncheckedImage})
        if (nImage != 0) ++g_pSimCap->nImageCounter;
    return TRUE;
}

BOOL SIMCAP_MENUITEM::Init()
{
    if (!RequestMenuItem(hMenu, nIndex, hwndOwner, this, TakeItem)) return FALSE;
    if (!hSubMenu) return TRUE;
    pSubMenu = new (std::nothrow) SIMCAP_MENU(hSubMenu, hwndOwner, nMenuDepth + 1);
    if (!pSubMenu)
    {
        DebugOut("SIMCAP_MENUITEM::Init(): Unable to allocate pSubMenu\n");
        return FALSE;
    }
    if (!pSubMenu->Init())
    {
        DebugOut("SIMCAP_MENUITEM::Init(): Unable to initialize pSubMenu\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_MENUITEM::WriteBitmapName(int nDepth, LPCSTR pszTag, UINT nKind, int nImage, LPCSTR pszFailure)
{
    char szName[64] = "???";
    if (nImage >= 1)
        CreateMenuBitmapName(szName, 0, nKind, static_cast<DWORD>(nImage));
    else
        DebugOut(pszFailure);
    return g_pSimCap->WriteSimpleTag(nDepth, pszTag, szName, nullptr);
}

BOOL SIMCAP_MENUITEM::Write(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    LPCSTR pszItem = Tags::TagTxt(TAG_MENUITEM);
    int d = nDepth + 1;
    BOOL bOk = p->WriteIndent(nDepth) && p->WriteStartTag(pszItem, nullptr, 0, nullptr, nullptr) &&
               p->WriteEscaped("\n") &&
               p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_HMENU), HandleValue(hMenu), nullptr) &&
               p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_ID), wID, nullptr) &&
               p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_INDEX), nIndex, nullptr) &&
               p->WriteSimpleTagUInt(d, "Type", fType, nullptr) &&
               p->WriteSimpleTagUInt(d, "State", fState, nullptr);
    if (bOk && hbmpChecked)
        bOk = WriteBitmapName(d, "BmpChecked", 1, nCheckedImage,
                              "SIMCAP_MENUITEM: Failed to create checked bitmap.\n");
    if (bOk && hbmpUnchecked)
        bOk = WriteBitmapName(d, "BmpUnchecked", 2, nUncheckedImage,
                              "SIMCAP_MENUITEM: Failed to create unchecked bitmap.\n");
    if (bOk && hbmpItem)
        bOk =
            WriteBitmapName(d, "BmpItem", 3, nItemImage, "SIMCAP_MENUITEM: Failed to create item bitmap.\n");
    if (bOk && pText) bOk = p->WriteSimpleTag(d, "Text", pText, nullptr);
    if (bOk && pSubMenu) bOk = pSubMenu->Write(d);
    bOk = bOk && p->WriteIndent(nDepth) && p->WriteEndTag(pszItem) && p->WriteEscaped("\n");
    if (!bOk) DebugOut("SimCap: Failed to Write Menu Info\n");
    return bOk;
}
