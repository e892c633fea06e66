// The collectors: they run inside the target's thread, right after its window procedure has ignored one
// of the recorder's requests, read what only this process can read, save bitmaps into the session folder
// and send one reply to the recorder window. They use their stack, the shared section and the memory they
// allocate and free themselves, and they never follow the requester's address: it only travels back.
//
// Failures end a collector without a reply and leave debug lines; the recorder then keeps its defaults.
// No message box is shown here: it would stop the user's application while the recorder waits.
#include "hooks/CALLWNDR.h"

#include <commctrl.h>

#include "hooks/BmpFile.h"
#include "hooks/ControlDataRecords.h"
#include "hooks/CopyDataRecords.h"
#include "hooks/RequestText.h"
#include "hooks/SharedData.h"
#include "util/Diag.h"

namespace
{
const UINT c_cchItemText = 1024;
// A reply that the recorder does not take in this time is given up; the target's thread goes on.
const UINT c_nReplySendTimeoutMs = 5000;

// A block from GlobalAlloc (moveable, zero-initialised), locked while the collector uses it.
class CollectorBlock
{
  public:
    explicit CollectorBlock(SIZE_T cb) : hg(cb ? GlobalAlloc(GHND, cb) : nullptr)
    {
        pb = hg ? static_cast<BYTE*>(GlobalLock(hg)) : nullptr;
    }
    ~CollectorBlock()
    {
        if (pb) GlobalUnlock(hg);
        if (hg) GlobalFree(hg);
    }
    CollectorBlock(const CollectorBlock&) = delete;
    CollectorBlock& operator=(const CollectorBlock&) = delete;
    BYTE* Get() const { return pb; }

  private:
    HGLOBAL hg;
    BYTE* pb;
};

// The prefix, "[%u]" with the error, the system's text for it, a line feed.
void ReportError(LPCSTR pszPrefix, DWORD dwError)
{
    DebugOut(pszPrefix);
    DebugOutF("[%u]", static_cast<unsigned>(dwError));
    LPSTR pszSystemText = nullptr;
    FormatMessageA(0x1300, nullptr, dwError, 1024, reinterpret_cast<LPSTR>(&pszSystemText), 0, nullptr);
    if (pszSystemText)
    {
        DebugOut(pszSystemText);
        LocalFree(pszSystemText);
    }
    DebugOut("\n");
}

void ReportLastError(LPCSTR pszPrefix)
{
    ReportError(pszPrefix, GetLastError());
}

// Sends the reply to the recorder window; a failed send is reported with the collector's prefix.
void SendReply(ULONG_PTR dwData, const void* pv, DWORD cb, LPCSTR pszSendPrefix, WPARAM wRequest,
               LPARAM lObject, BOOL bToolbar)
{
    COPYDATASTRUCT cds = {dwData, cb, const_cast<void*>(pv)};
    DWORD_PTR dwResult = 0;
    if (SendMessageTimeoutA(g_shared.hwndSimCap, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds),
                            SMTO_ABORTIFHUNG, c_nReplySendTimeoutMs, &dwResult) &&
        GetLastError() == 0)
        return;
    DWORD dwError = GetLastError() ? GetLastError() : ERROR_TIMEOUT;
    ReportError(pszSendPrefix, dwError);
    DebugOutF("\tSIMCAP::GetHWND() = %u\n",
              static_cast<unsigned>(reinterpret_cast<UINT_PTR>(g_shared.hwndSimCap)));
    if (bToolbar)
    {
        DebugOutF("\tiIndex = %u\n", static_cast<unsigned>(wRequest));
        DebugOutF("\tpButton = %u\n", static_cast<unsigned>(lObject));
    }
}

// The list box, combo box and toolbar collectors say so when an error is left over before the reply.
void ClearLeftoverError(LPCSTR pszLine)
{
    if (GetLastError() == 0) return;
    DebugOut(pszLine);
    SetLastError(0);
}

DWORD Wire(const void* pv)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(pv));
}

// The text of combo box item i: from the "ComboBoxEx32" parent when there is one. Answers the length,
// 0 for an empty text, -1 on failure.
LRESULT ComboItemText(HWND hwndCombo, HWND hwndEx, UINT i, LPSTR pszBuffer, UINT cchBuffer)
{
    // An owner-drawn box without strings holds item data, not texts.
    DWORD dwStyle = static_cast<DWORD>(GetWindowLongA(hwndCombo, GWL_STYLE));
    if (!hwndEx && (dwStyle & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) && !(dwStyle & CBS_HASSTRINGS))
        return 0;
    if (!hwndEx)
    {
        if (!pszBuffer) return SendMessageA(hwndCombo, CB_GETLBTEXTLEN, i, 0);
        return SendMessageA(hwndCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(pszBuffer));
    }
    char szLength[c_cchItemText];
    LPSTR pszTarget = pszBuffer ? pszBuffer : szLength;
    UINT cchTarget = pszBuffer ? cchBuffer : sizeof(szLength);
    if (cchTarget == 0) return -1;
    pszTarget[0] = '\0';
    COMBOBOXEXITEMA item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = static_cast<INT_PTR>(i);
    item.pszText = pszTarget;
    item.cchTextMax = static_cast<int>(cchTarget);
    if (!SendMessageA(hwndEx, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    // The control may answer with a text of its own instead of filling the buffer.
    if (item.pszText && item.pszText != pszTarget) lstrcpynA(pszTarget, item.pszText, cchTarget);
    pszTarget[cchTarget - 1] = '\0';
    return lstrlenA(pszTarget);
}

HWND ComboBoxExParent(HWND hwndCombo)
{
    HWND hwndParent = GetParent(hwndCombo);
    char szClass[32] = {};
    if (hwndParent && GetClassNameA(hwndParent, szClass, sizeof(szClass)) &&
        lstrcmpiA(szClass, "ComboBoxEx32") == 0)
        return hwndParent;
    return nullptr;
}
} // namespace

void CALLWNDR::zDoTbGetButton(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    SetLastError(0);
    TBBUTTON tbb = {};
    if (!SendMessageA(hwnd, TB_GETBUTTON, wParam, reinterpret_cast<LPARAM>(&tbb)))
    {
        ReportLastError("zDoTbGetButton(): Error getting TB_GETBUTTON - ");
        return;
    }
    RECT rc = {};
    if (!SendMessageA(hwnd, TB_GETRECT, tbb.idCommand, reinterpret_cast<LPARAM>(&rc)) && GetLastError())
    {
        ReportLastError("zDoTbGetButton(): Error getting TB_GETITEMRECT - ");
        return;
    }
    char szText[c_cchItemText] = {};
    TBBUTTONINFOA tbbi = {};
    tbbi.cbSize = sizeof(tbbi);
    tbbi.dwMask = 0x7F;
    tbbi.pszText = szText;
    tbbi.cchText = sizeof(szText);
    if (SendMessageA(hwnd, TB_GETBUTTONINFOA, tbb.idCommand, reinterpret_cast<LPARAM>(&tbbi)) == -1 &&
        GetLastError())
    {
        ReportLastError("zDoTbGetButton(): Error getting TB_GETBUTTONINFO - ");
        return;
    }
    LRESULT cch = SendMessageA(hwnd, TB_GETBUTTONTEXTA, tbb.idCommand, 0);
    if (cch >= 1 && cch < static_cast<LRESULT>(sizeof(szText)))
    {
        if (SendMessageA(hwnd, TB_GETBUTTONTEXTA, tbb.idCommand, reinterpret_cast<LPARAM>(szText)) == -1 &&
            GetLastError())
        {
            ReportLastError("zDoTbGetButton(): Error getting TB_GETBUTTONTEXT - ");
            return;
        }
    }
    else if (cch != 0)
    {
        if (cch != -1)
            DebugOutF("zDoTbGetButton(): Error getting TB_GETBUTTONTEXT - button text (%ld) exceeded buffer "
                      "size.\n",
                      static_cast<long>(cch));
        szText[0] = '\0';
    }
    szText[sizeof(szText) - 1] = '\0';

    char szToolTip[c_cchItemText] = {};
    HWND hwndToolTip = reinterpret_cast<HWND>(SendMessageA(hwnd, TB_GETTOOLTIPS, 0, 0));
    if (hwndToolTip)
    {
        TOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE; // without the reserved field: every version accepts it
        ti.hwnd = hwnd;
        ti.uId = static_cast<UINT_PTR>(tbb.idCommand);
        ti.lpszText = szToolTip;
        SendMessageA(hwndToolTip, TTM_GETTEXTA, sizeof(szToolTip), reinterpret_cast<LPARAM>(&ti));
        szToolTip[sizeof(szToolTip) - 1] = '\0';
    }

    CollectorBlock record(sizeof(SIMCAP_COPYDATA_TOOLBAR_GETBUTTON));
    auto* pReply = reinterpret_cast<SIMCAP_COPYDATA_TOOLBAR_GETBUTTON*>(record.Get());
    if (!pReply)
    {
        ReportLastError("zDoTbGetButton(): Error allocating SIMCAP_COPYDATA_TOOLBAR_GETBUTTON - ");
        return;
    }
    pReply->hwndToolbar = Wire(hwnd);
    pReply->iIndex = static_cast<DWORD>(wParam);
    pReply->dwObject = static_cast<DWORD>(lParam);
    pReply->button.iBitmap = tbb.iBitmap;
    pReply->button.idCommand = tbb.idCommand;
    pReply->button.fsState = tbb.fsState;
    pReply->button.fsStyle = tbb.fsStyle;
    pReply->button.dwData = static_cast<DWORD>(tbb.dwData);
    pReply->button.iString = static_cast<LONG>(tbb.iString);
    pReply->rcButton = rc;
    pReply->info.cbSize = tbbi.cbSize;
    pReply->info.dwMask = tbbi.dwMask;
    pReply->info.idCommand = tbbi.idCommand;
    pReply->info.iImage = tbbi.iImage;
    pReply->info.fsState = tbbi.fsState;
    pReply->info.fsStyle = tbbi.fsStyle;
    pReply->info.cx = tbbi.cx;
    pReply->info.lParam = static_cast<DWORD>(tbbi.lParam);
    pReply->info.cchText = tbbi.cchText;
    lstrcpynA(pReply->szText, szText, sizeof(pReply->szText));
    lstrcpynA(pReply->szToolTip, szToolTip, sizeof(pReply->szToolTip));
    ClearLeftoverError("zDoTbGetButton(): GetLastError() != ERROR_SUCCESS\n");
    SendReply(COPYDATA_TOOLBAR_BUTTON_REPLY, pReply, sizeof(*pReply),
              "zDoTbGetButton(): Error Sending WM_COPYDATA - ", wParam, lParam, TRUE);
}

void CALLWNDR::zDoLBGetData(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    SetLastError(0);
    UINT n = static_cast<UINT>(wParam);
    // A request names at most the items the box has; anything else is no request of the recorder's.
    LRESULT nCount = SendMessageA(hwnd, LB_GETCOUNT, 0, 0);
    if (nCount < 0 || n == 0 || n > static_cast<UINT>(nCount) || n > 0x0FFFFFFF) return;
    CollectorBlock rects(16 * static_cast<SIZE_T>(n));
    if (!rects.Get())
    {
        DebugOut("CALLWNDR::zDoLBGetData(): unable to allocate buffer for ListBox item rects\n");
        return;
    }
    DWORD dwStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    if (dwStyle == 0 && GetLastError())
    {
        ReportLastError("CALLWNDR::zDoLBGetData(): Unable to get Window Style - ");
        return;
    }
    // An owner-drawn box without strings holds item data, not texts: its items are written empty.
    BOOL bTexts = !(dwStyle & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) || (dwStyle & LBS_HASSTRINGS);
    SIZE_T cbText = 0;
    for (UINT i = 0; i < n; ++i)
    {
        LRESULT cch = bTexts ? SendMessageA(hwnd, LB_GETTEXTLEN, i, 0) : 0;
        if (cch == LB_ERR)
        {
            DebugOut("CALLWNDR::zDoLBGetData(): unable to determine textlength of ListBox text.\n");
            return;
        }
        cbText += static_cast<SIZE_T>(cch) + 1;
    }
    CollectorBlock text(cbText);
    if (!text.Get())
    {
        DebugOut("CALLWNDR::zDoLBGetData(): unable to allocate buffer for ListBox text.\n");
        return;
    }

    // The selection, by the box's kind: none, the current item, or the selected items.
    LONG nCurSel = LB_ERR;
    LRESULT nSelCount = 0;
    BOOL bMultiple = (dwStyle & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
    if (!(dwStyle & LBS_NOSEL))
    {
        if (bMultiple)
            nSelCount = SendMessageA(hwnd, LB_GETSELCOUNT, 0, 0);
        else if ((nCurSel = static_cast<LONG>(SendMessageA(hwnd, LB_GETCURSEL, 0, 0))) != LB_ERR)
            nSelCount = 1;
    }
    UINT cSel = nSelCount >= 1 && static_cast<UINT>(nSelCount) <= n ? static_cast<UINT>(nSelCount) : 0;
    CollectorBlock selection(bMultiple ? 4 * static_cast<SIZE_T>(cSel) : 0);
    const LONG* pnSel = &nCurSel;
    if (bMultiple && cSel)
    {
        if (!selection.Get())
        {
            DebugOut("CALLWNDR::zDoLBGetData(): unable to allocate integer array for selection.\n");
            return;
        }
        if (SendMessageA(hwnd, LB_GETSELITEMS, cSel, reinterpret_cast<LPARAM>(selection.Get())) == LB_ERR)
        {
            DebugOut("CALLWNDR::zDoLBGetData(): unable to load selection.\n");
            return;
        }
        pnSel = reinterpret_cast<const LONG*>(selection.Get());
    }

    char* pch = reinterpret_cast<char*>(text.Get());
    RECT* prc = reinterpret_cast<RECT*>(rects.Get());
    SIZE_T ib = 0;
    for (UINT i = 0; i < n; ++i)
    {
        LRESULT cch = bTexts ? SendMessageA(hwnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(pch + ib)) : 0;
        if (cch == LB_ERR)
        {
            ReportLastError("zDoLBGetData(): Error getting LB_GETTEXT - ");
            return;
        }
        ib += static_cast<SIZE_T>(cch) + 1;
        if (SendMessageA(hwnd, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&prc[i])) == LB_ERR)
        {
            ReportLastError("zDoLBGetData(): Error getting LB_GETITEMRECT - ");
            return;
        }
    }
    pch[cbText - 1] = '\0';

    SIZE_T cbRecord =
        sizeof(SIMCAP_COPYDATA_LISTBOX_GETDATA) + 16 * static_cast<SIZE_T>(n) + 4 * cSel + cbText + 4;
    CollectorBlock record(cbRecord);
    auto* pReply = reinterpret_cast<SIMCAP_COPYDATA_LISTBOX_GETDATA*>(record.Get());
    if (!pReply)
    {
        ReportLastError("zDoLBGetData(): Error allocating SIMCAP_COPYDATA_LISTBOX_GETDATA - ");
        return;
    }
    pReply->hwndListBox = Wire(hwnd);
    pReply->dwObject = static_cast<DWORD>(lParam);
    pReply->cbRects = 16 * n;
    pReply->cSel = cSel;
    pReply->cbText = static_cast<DWORD>(cbText);
    BYTE* pb = record.Get() + sizeof(*pReply);
    CopyMemory(pb, prc, 16 * static_cast<SIZE_T>(n));
    pb += 16 * static_cast<SIZE_T>(n);
    if (cSel) CopyMemory(pb, pnSel, 4 * static_cast<SIZE_T>(cSel));
    pb += 4 * static_cast<SIZE_T>(cSel);
    CopyMemory(pb, pch, cbText);
    ClearLeftoverError("zDoLBGetData(): GetLastError() != ERROR_SUCCESS\n");
    SendReply(COPYDATA_LISTBOX_REPLY, pReply, static_cast<DWORD>(cbRecord),
              "zDoLBGetData(): Error Sending WM_COPYDATA - ", wParam, lParam, FALSE);
}

void CALLWNDR::zDoCBGetData(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    SetLastError(0);
    DWORD dwStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    if (dwStyle == 0 && GetLastError())
    {
        ReportLastError("CALLWNDR::zDoCBGetData(): Unable to get Window Style - ");
        return;
    }
    HWND hwndEx = ComboBoxExParent(hwnd);
    UINT n = static_cast<UINT>(wParam);
    LRESULT nCount = SendMessageA(hwnd, CB_GETCOUNT, 0, 0);
    if (nCount < 0 || n > static_cast<UINT>(nCount)) return;
    SIZE_T cbText = 0;
    for (UINT i = 0; i < n; ++i)
    {
        LRESULT cch = ComboItemText(hwnd, hwndEx, i, nullptr, 0);
        if (cch == CB_ERR)
        {
            DebugOut("CALLWNDR::zDoCBGetData(): unable to determine textlength of ComboBox text.\n");
            return;
        }
        cbText += static_cast<SIZE_T>(cch) + 1;
    }
    CollectorBlock text(n > 0 ? cbText : 0);
    RECT rcDropped = {};
    if (n > 0 && cbText > 0)
    {
        if (!text.Get())
        {
            DebugOut("CALLWNDR::zDoCBGetData(): unable to allocate buffer for ComboBox text.\n");
            return;
        }
        char* pch = reinterpret_cast<char*>(text.Get());
        SIZE_T ib = 0;
        for (UINT i = 0; i < n; ++i)
        {
            LRESULT cch = ComboItemText(hwnd, hwndEx, i, pch + ib, static_cast<UINT>(cbText - ib));
            if (cch == CB_ERR || static_cast<SIZE_T>(cch) >= cbText - ib)
            {
                ReportLastError("zDoCBGetData(): Error getting CB_GETLBTEXT - ");
                return;
            }
            ib += static_cast<SIZE_T>(cch) + 1;
        }
        pch[cbText - 1] = '\0';
        // Some systems answer CB_OKAY (0) when they have filled the rectangle: only an empty one failed.
        if (!SendMessageA(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rcDropped)) &&
            IsRectEmpty(&rcDropped))
        {
            DebugOut("CALLWNDR::zDoCBGetData(): unable to get ComboBox Dropped down rect.\n");
            return;
        }
    }
    else
    {
        cbText = 0;
    }
    COMBOBOXINFO cbi = {};
    cbi.cbSize = sizeof(cbi);
    if (!GetComboBoxInfo(hwnd, &cbi))
    {
        DebugOut("CALLWNDR::zDoCBGetData(): unable to get ComboBoxInfo Structure.\n");
        return;
    }

    SIZE_T cbRecord = sizeof(SIMCAP_COPYDATA_COMBOBOX_GETDATA) + cbText + 4;
    CollectorBlock record(cbRecord);
    auto* pReply = reinterpret_cast<SIMCAP_COPYDATA_COMBOBOX_GETDATA*>(record.Get());
    if (!pReply)
    {
        ReportLastError("zDoCBGetData(): Error allocating SIMCAP_COPYDATA_COMBOBOX_GETDATA - ");
        return;
    }
    pReply->hwndComboBox = Wire(hwnd);
    pReply->dwObject = static_cast<DWORD>(lParam);
    pReply->rcDropped = rcDropped;
    pReply->info.cbSize = 52;
    pReply->info.rcItem = cbi.rcItem;
    pReply->info.rcButton = cbi.rcButton;
    pReply->info.stateButton = cbi.stateButton;
    pReply->info.hwndCombo = Wire(cbi.hwndCombo);
    pReply->info.hwndItem = Wire(cbi.hwndItem);
    pReply->info.hwndList = Wire(cbi.hwndList);
    pReply->cbText = static_cast<DWORD>(cbText);
    if (cbText) CopyMemory(record.Get() + sizeof(*pReply), text.Get(), cbText);
    ClearLeftoverError("zDoCBGetData(): GetLastError() != ERROR_SUCCESS\n");
    SendReply(COPYDATA_COMBOBOX_REPLY, pReply, static_cast<DWORD>(cbRecord),
              "zDoCBGetData(): Error Sending WM_COPYDATA - ", wParam, lParam, FALSE);
}

// The recorder cannot read a menu of another process, so this collector reads the item where the menu
// lives: its description, its text and its three bitmaps. The present bitmaps (item, checked, unchecked,
// in that order) take the request's three file numbers in turn; the handle fields of the request are
// not used. Position -1 asks for the menu's item count only. Without a folder (the recorder has no
// session) nothing is saved and the numbers of present bitmaps come back negated.
void CALLWNDR::zDoGetMenuItemBmps(HWND, WPARAM wParam, LPARAM lParam)
{
    SetLastError(0);
    static const int c_anWidths[] = {10, 6, 6, 10, 6, 10, 6, 10, 6};
    static const RequestTextNames c_names = {
        "CALLWNDR::zDoGetMenuItemBmps(): Could not retrieve input data.\n",
        "CALLWNDR::zDoGetMenuItemBmps(): Could not retrieve spillover input data.\n",
        "CALLWNDR::zDoGetMenuItemBmps(): Output pathspec is too long.\n"};
    LONG alField[9] = {};
    char szPath[512];
    if (!ReadRequestText(static_cast<ATOM>(wParam), c_anWidths, 9, alField, szPath, c_names, TRUE)) return;
    HMENU hmenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(static_cast<DWORD>(alField[0])));
    LONG nPosition = alField[1];
    const LONG anNumber[3] = {alField[2], alField[4], alField[6]};

    char szText[c_cchItemText] = {};
    SIMCAP_COPYDATA_MENUITEM_GETDATA reply = {};
    reply.bmps.hMenu = static_cast<DWORD>(alField[0]);
    reply.bmps.nPosition = nPosition;
    reply.bmps.dwObject = static_cast<DWORD>(lParam);
    reply.nItemCount = GetMenuItemCount(hmenu);
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE;
    mii.dwTypeData = szText;
    mii.cch = sizeof(szText);
    if (nPosition >= 0 && nPosition < reply.nItemCount &&
        GetMenuItemInfoA(hmenu, static_cast<UINT>(nPosition), TRUE, &mii))
    {
        reply.bItemRead = 1;
        reply.fType = mii.fType;
        reply.fState = mii.fState;
        reply.wID = mii.wID;
        reply.hSubMenu = Wire(mii.hSubMenu);
        MENUITEMINFOA miiBitmaps = {};
        miiBitmaps.cbSize = sizeof(miiBitmaps);
        miiBitmaps.fMask = MIIM_CHECKMARKS | MIIM_BITMAP;
        if (GetMenuItemInfoA(hmenu, static_cast<UINT>(nPosition), TRUE, &miiBitmaps))
        {
            reply.hbmpItem = Wire(miiBitmaps.hbmpItem);
            reply.hbmpChecked = Wire(miiBitmaps.hbmpChecked);
            reply.hbmpUnchecked = Wire(miiBitmaps.hbmpUnchecked);
        }
        // The buffer holds a text only for a text item; others leave it as it was.
        szText[sizeof(szText) - 1] = '\0';
        if ((mii.fType & (MFT_BITMAP | MFT_OWNERDRAW | MFT_SEPARATOR)) == 0 && szText[0])
            reply.cbText = static_cast<DWORD>(lstrlenA(szText)) + 1;
    }

    static const UINT c_anKind[3] = {3, 1, 2}; // item, checked, unchecked file names
    static const LPCSTR c_apszSaveFailed[3] = {
        "CALLWNDR::zDoGetMenuItemBmp(): unable to save hbmpItem bitmap.\n",
        "CALLWNDR::zDoGetMenuItemBmp(): unable to save hbmpChecked bitmap.\n",
        "CALLWNDR::zDoGetMenuItemBmp(): unable to save hbmpUnchecked bitmap.\n"};
    const DWORD adwBitmap[3] = {reply.hbmpItem, reply.hbmpChecked, reply.hbmpUnchecked};
    LONG* apnImage[3] = {&reply.bmps.nItemImage, &reply.bmps.nCheckedImage, &reply.bmps.nUncheckedImage};
    UINT cchFolder = lstrlenA(szPath);
    UINT iNumber = 0;
    for (UINT k = 0; k < 3; ++k)
    {
        if (!adwBitmap[k]) continue;
        LONG nImage = anNumber[iNumber++];
        *apnImage[k] = nImage;
        CreateMenuBitmapName(szPath, cchFolder, c_anKind[k], static_cast<DWORD>(nImage));
        if (!cchFolder ||
            !SaveBmpToDisk(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(adwBitmap[k])), szPath))
        {
            DebugOut(c_apszSaveFailed[k]);
            *apnImage[k] = -nImage;
        }
        szPath[cchFolder] = '\0';
    }

    CollectorBlock record(sizeof(reply) + reply.cbText);
    if (!record.Get()) return;
    CopyMemory(record.Get(), &reply, sizeof(reply));
    CopyMemory(record.Get() + sizeof(reply), szText, reply.cbText);
    SetLastError(0);
    SendReply(COPYDATA_MENUITEM_REPLY, record.Get(), static_cast<DWORD>(sizeof(reply) + reply.cbText),
              "zDoGetMenuItemBmps(): Error Sending WM_COPYDATA - ", wParam, lParam, FALSE);
}

void CALLWNDR::zDoGetButtonImage(HWND, WPARAM wParam, LPARAM lParam)
{
    SetLastError(0);
    static const int c_anWidths[] = {6, 6, 10, 6};
    static const RequestTextNames c_names = {
        "CALLWNDR::zDoGetButtonImage(): Could not retrieve input data.\n",
        "CALLWNDR::zDoGetButtonImage(): Could not retrieve spillover input data.\n",
        "CALLWNDR::zDoGetButtonImage(): Output pathspec is too long.\n"};
    LONG alField[4] = {};
    char szPath[512];
    if (!ReadRequestText(static_cast<ATOM>(wParam), c_anWidths, 4, alField, szPath, c_names, FALSE)) return;
    SIMCAP_COPYDATA_BUTTON_IMAGE reply = {static_cast<DWORD>(lParam), alField[0]};
    HBITMAP hbm = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(static_cast<DWORD>(alField[2])));
    if (alField[1] == BS_ICON) return;
    if (alField[1] == BS_BITMAP)
    {
        if (!hbm)
        {
            ReportLastError("zDoGetButtonImage(): Error no button image handle received - ");
            return;
        }
        UINT cchFolder = lstrlenA(szPath);
        wsprintfA(szPath + cchFolder, "bttn_img_%lu.bmp", static_cast<unsigned long>(alField[0]));
        if (!SaveBmpToDisk(hbm, szPath))
        {
            DebugOut("CALLWNDR::zDoGetButtonImage(): unable to save hBMP bitmap.\n");
            reply.nImage = -reply.nImage;
        }
    }
    SetLastError(0);
    SendReply(COPYDATA_BUTTON_IMAGE_REPLY, &reply, sizeof(reply),
              "zDoGetButtonImage(): Error Sending WM_COPYDATA - ", wParam, lParam, FALSE);
}
