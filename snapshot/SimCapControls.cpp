#include "snapshot/SimCapControls.h"

#include <new>

#include "hooks/ControlDataRecords.h"
#include "hooks/ControlRequest.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "output/Tags.h"
#include "util/Diag.h"
#include "util/GlobalText.h"

namespace
{
// More buttons than any toolbar shows; a count beyond it is not believed.
const int c_nMostButtons = 4096;

DWORD HandleValue(const void* h)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(h));
}

LRESULT Ask(HWND hwnd, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return AskControl(hwnd, uMsg, wParam, lParam, -1);
}

// A copy of a block in its own global memory; the last byte of a text block is always NUL.
BOOL CopyBlock(const BYTE* pb, DWORD cb, BOOL bText, LPSTR* ppszCopy, LPCSTR pszFailure)
{
    *ppszCopy = GlobalTextAlloc(cb);
    if (!*ppszCopy)
    {
        DebugOut(pszFailure);
        return FALSE;
    }
    CopyMemory(*ppszCopy, pb, cb);
    if (bText) (*ppszCopy)[cb - 1] = '\0';
    return TRUE;
}

// The start tag, the four sides and the end tag of a rectangle.
BOOL WriteRectElement(int nDepth, LPCSTR pszName, const RECT& rc)
{
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 1;
    return p->WriteIndent(nDepth) && p->WriteStartTag(pszName, nullptr, 0, nullptr, nullptr) &&
           p->WriteEscaped("\n") && p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_LEFT), rc.left, nullptr) &&
           p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_TOP), rc.top, nullptr) &&
           p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_RIGHT), rc.right, nullptr) &&
           p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_BOTTOM), rc.bottom, nullptr) && p->WriteIndent(nDepth) &&
           p->WriteEndTag(pszName) && p->WriteEscaped("\n");
}

BOOL WriteStart(int nDepth, LPCSTR pszName)
{
    SIMCAP* p = g_pSimCap;
    return p->WriteIndent(nDepth) && p->WriteStartTag(pszName, nullptr, 0, nullptr, nullptr) &&
           p->WriteEscaped("\n");
}

BOOL WriteEnd(int nDepth, LPCSTR pszName)
{
    SIMCAP* p = g_pSimCap;
    return p->WriteIndent(nDepth) && p->WriteEndTag(pszName) && p->WriteEscaped("\n");
}
} // namespace

SIMCAP_WINDOW_COMBOBOX::SIMCAP_WINDOW_COMBOBOX(HWND hwnd)
    : SIMCAP_WINDOW(hwnd), nItemCount(0), nTopIndex(0), nItemHeight(0), nHorizontalExtent(0), nCurSel(0),
      nDroppedWidth(0), dwEditSel(0), bExtendedUI(FALSE), pItemText(nullptr), cbItemText(0), rcDropped(),
      cbi()
{
}

SIMCAP_WINDOW_COMBOBOX::~SIMCAP_WINDOW_COMBOBOX()
{
    GlobalTextFree(pItemText);
}

BOOL SIMCAP_WINDOW_COMBOBOX::Init()
{
    if (!SIMCAP_WINDOW::Init()) return FALSE;
    nItemCount = static_cast<int>(Ask(hWnd, CB_GETCOUNT));
    nTopIndex = static_cast<int>(Ask(hWnd, CB_GETTOPINDEX));
    nItemHeight = static_cast<int>(Ask(hWnd, CB_GETITEMHEIGHT));
    nHorizontalExtent = static_cast<int>(Ask(hWnd, CB_GETHORIZONTALEXTENT));
    nCurSel = static_cast<int>(Ask(hWnd, CB_GETCURSEL));
    nDroppedWidth = static_cast<int>(Ask(hWnd, CB_GETDROPPEDWIDTH));
    bExtendedUI = static_cast<BOOL>(Ask(hWnd, CB_GETEXTENDEDUI));
    dwEditSel = static_cast<DWORD>(Ask(hWnd, CB_GETEDITSEL));
    if (nItemCount == -1) DebugOut("SIMCAP_WINDOW_COMBOBOX::Init(): ItemCount for combobox is -1.\n");
    if (nTopIndex == -1) DebugOut("SIMCAP_WINDOW_COMBOBOX::Init(): TopIndex for combobox is -1.\n");
    if (nItemHeight == -1) DebugOut("SIMCAP_WINDOW_COMBOBOX::Init(): ItemHeight for combobox is -1.\n");
    // A box that did not tell its count cannot answer a request for its items.
    if (nItemCount >= 0)
        RequestControlData(hWnd, g_shared.nWM_GetComboBoxData, static_cast<WPARAM>(nItemCount),
                           COPYDATA_COMBOBOX_REPLY, this, SetComboBoxInfo);
    return TRUE;
}

BOOL SIMCAP_WINDOW_COMBOBOX::SetComboBoxInfo(void* pvObject, const BYTE* pbRecord, DWORD cbRecord)
{
    auto* pBox = static_cast<SIMCAP_WINDOW_COMBOBOX*>(pvObject);
    const auto* pReply = reinterpret_cast<const SIMCAP_COPYDATA_COMBOBOX_GETDATA*>(pbRecord);
    if (cbRecord < sizeof(*pReply) || pReply->hwndComboBox != HandleValue(pBox->hWnd))
    {
        DebugOut("ComboBox::SetComboBoxInfo(): reply for another window; dropped\n");
        return FALSE;
    }
    if (pReply->cbText > 0)
    {
        if (!CopyBlock(pbRecord + sizeof(*pReply), pReply->cbText, TRUE, &pBox->pItemText,
                       "ComboBox::SetComboBoxInfo(): unable to allocate buffer for ComboBox text\n"))
            return FALSE;
        pBox->cbItemText = pReply->cbText;
    }
    DWORD cbInfo = pReply->info.cbSize < sizeof(pBox->cbi) ? pReply->info.cbSize : sizeof(pBox->cbi);
    CopyMemory(&pBox->cbi, &pReply->info, cbInfo);
    pBox->rcDropped = pReply->rcDropped;
    return TRUE;
}

BOOL SIMCAP_WINDOW_COMBOBOX::WriteInfo(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 1;
    return WriteStart(nDepth, "COMBOBOXINFO") && WriteRectElement(d, "rcEdit", cbi.rcItem) &&
           WriteRectElement(d, "rcButton", cbi.rcButton) &&
           p->WriteSimpleTagUInt(d, "ButtonState", cbi.stateButton, nullptr) &&
           p->WriteSimpleTagUInt(d, "hwndCombo", HandleValue(cbi.hwndCombo), nullptr) &&
           p->WriteSimpleTagUInt(d, "hwndEdit", HandleValue(cbi.hwndItem), nullptr) &&
           p->WriteSimpleTagUInt(d, "hwndList", HandleValue(cbi.hwndList), nullptr) &&
           WriteEnd(nDepth, "COMBOBOXINFO");
}

BOOL SIMCAP_WINDOW_COMBOBOX::WriteItems(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    if (!p->WriteSimpleTagInt(nDepth, "CurSel", nCurSel, nullptr) || !WriteStart(nDepth, "ItemData"))
    {
        DebugOut("SIMCAP_WINDOW_COMBOBOX::OutputItemData(): Failed to Write ItemData tag\n");
        return FALSE;
    }
    TextBlockReader texts(pItemText, cbItemText);
    for (int i = 1; i <= nItemCount; ++i)
    {
        if (!WriteStart(nDepth + 1, "Item") || !p->WriteSimpleTagInt(nDepth + 2, "ItemNo", i, nullptr) ||
            !p->WriteSimpleTag(nDepth + 2, "Text", texts.Next(), nullptr) || !WriteEnd(nDepth + 1, "Item"))
        {
            DebugOut("SIMCAP_WINDOW_COMBOBOX::OutputItemData(): Failed to Write Item info\n");
            return FALSE;
        }
    }
    if (!WriteEnd(nDepth, "ItemData"))
    {
        DebugOut("SIMCAP_WINDOW_COMBOBOX::OutputItemData(): Failed to Write ItemData end tag\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW_COMBOBOX::BeginWrite(int nDepth)
{
    if (!SIMCAP_WINDOW::BeginWrite(nDepth)) return FALSE;
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 2;
    BOOL bOk =
        WriteStart(nDepth + 1, "ComboBox") && p->WriteSimpleTagInt(d, "bExtendedUI", bExtendedUI, nullptr) &&
        p->WriteSimpleTagInt(d, "HzntlExt", nHorizontalExtent, nullptr) &&
        ((dwStyle & 3) == CBS_SIMPLE || p->WriteSimpleTagInt(d, "DroppedWidth", nDroppedWidth, nullptr));
    if (bOk && dwEditSel != 0xFFFFFFFF &&
        !(p->WriteSimpleTagUInt(d, "EditSelStart", LOWORD(dwEditSel), nullptr) &&
          p->WriteSimpleTagUInt(d, "EditSelEnd", HIWORD(dwEditSel), nullptr)))
    {
        DebugOut("SIMCAP_WINDOW_COMBOBOX::OutputInfoData(): Failed to Write combobox edit selection.\n");
        return FALSE;
    }
    bOk = bOk && WriteRectElement(d, "DroppedControlRect", rcDropped);
    if (bOk && !WriteInfo(d))
    {
        DebugOut("SIMCAP_WINDOW_COMBOBOX::OutputInfoData(): Failed to Write COMBOBOXINFO data\n");
        return FALSE;
    }
    bOk = bOk && p->WriteSimpleTagInt(d, "ItemCount", nItemCount, nullptr) &&
          p->WriteSimpleTagInt(d, "TopIndex", nTopIndex + 1, nullptr) &&
          p->WriteSimpleTagInt(d, "ItemHeight", nItemHeight, nullptr);
    if (bOk && !WriteItems(d)) return FALSE;
    if (!bOk || !WriteEnd(nDepth + 1, "ComboBox"))
    {
        DebugOut("SIMCAP_WINDOW_COMBOBOX::BeginWrite(): Failed to Write ComboBox Window Info\n");
        return FALSE;
    }
    return TRUE;
}

SIMCAP_WINDOW_LISTBOX::SIMCAP_WINDOW_LISTBOX(HWND hwnd)
    : SIMCAP_WINDOW(hwnd), nItemCount(0), nTopIndex(0), nItemHeight(0), nHorizontalExtent(0),
      nItemsPerColumn(0), nSelCount(0), pdwSelection(nullptr), pItemText(nullptr), cbItemText(0),
      prcItems(nullptr)
{
}

SIMCAP_WINDOW_LISTBOX::~SIMCAP_WINDOW_LISTBOX()
{
    GlobalTextFree(reinterpret_cast<LPSTR>(pdwSelection));
    GlobalTextFree(pItemText);
    GlobalTextFree(reinterpret_cast<LPSTR>(prcItems));
}

BOOL SIMCAP_WINDOW_LISTBOX::Init()
{
    if (!SIMCAP_WINDOW::Init()) return FALSE;
    nItemCount = static_cast<int>(Ask(hWnd, LB_GETCOUNT));
    nTopIndex = static_cast<int>(Ask(hWnd, LB_GETTOPINDEX));
    nItemHeight = static_cast<int>(Ask(hWnd, LB_GETITEMHEIGHT));
    nHorizontalExtent = static_cast<int>(Ask(hWnd, LB_GETHORIZONTALEXTENT));
    nItemsPerColumn = nItemCount;
    if (dwStyle & LBS_MULTICOLUMN) nItemsPerColumn = static_cast<int>(Ask(hWnd, LB_GETLISTBOXINFO));
    if (nItemCount >= 1)
        RequestControlData(hWnd, g_shared.nWM_GetListBoxData, static_cast<WPARAM>(nItemCount),
                           COPYDATA_LISTBOX_REPLY, this, SetListBoxInfo);
    return TRUE;
}

BOOL SIMCAP_WINDOW_LISTBOX::SetListBoxInfo(void* pvObject, const BYTE* pbRecord, DWORD cbRecord)
{
    auto* pBox = static_cast<SIMCAP_WINDOW_LISTBOX*>(pvObject);
    const auto* pReply = reinterpret_cast<const SIMCAP_COPYDATA_LISTBOX_GETDATA*>(pbRecord);
    if (cbRecord < sizeof(*pReply) || pReply->hwndListBox != HandleValue(pBox->hWnd) ||
        pReply->cbRects != sizeof(RECT) * static_cast<DWORD>(pBox->nItemCount))
    {
        DebugOut("ListBox::SetListBoxInfo(): reply for another window or item count; dropped\n");
        return FALSE;
    }
    const BYTE* pb = pbRecord + sizeof(*pReply);
    LPSTR pszBlock = nullptr;
    if (pReply->cbRects)
    {
        if (!CopyBlock(pb, pReply->cbRects, FALSE, &pszBlock,
                       "ListBox::SetListBoxInfo(): unable to allocate buffer for ListBox item rects\n"))
            return FALSE;
        pBox->prcItems = reinterpret_cast<RECT*>(pszBlock);
    }
    pb += pReply->cbRects;
    if (pReply->cSel)
    {
        if (!CopyBlock(
                pb, 4 * pReply->cSel, FALSE, &pszBlock,
                "ListBox::SetListBoxInfo(): unable to allocate buffer for ListBox selection indeces.\n"))
            return FALSE;
        pBox->pdwSelection = reinterpret_cast<DWORD*>(pszBlock);
        pBox->nSelCount = static_cast<int>(pReply->cSel);
    }
    pb += 4 * pReply->cSel;
    if (pReply->cbText)
    {
        if (!CopyBlock(pb, pReply->cbText, TRUE, &pBox->pItemText,
                       "ListBox::SetListBoxInfo(): unable to allocate buffer for ListBox text\n"))
            return FALSE;
        pBox->cbItemText = pReply->cbText;
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW_LISTBOX::WriteItems(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    if (!WriteStart(nDepth, "ItemData"))
    {
        DebugOut("SIMCAP_WINDOW_LISTBOX::OutputItemData(): Failed to Write ItemData tag\n");
        return FALSE;
    }
    TextBlockReader texts(pItemText, cbItemText);
    for (int i = 1; i <= nItemCount; ++i)
    {
        RECT rc = prcItems ? prcItems[i - 1] : RECT();
        if (!WriteStart(nDepth + 1, "Item") || !p->WriteSimpleTagInt(nDepth + 2, "ItemNo", i, nullptr) ||
            !p->WriteSimpleTag(nDepth + 2, "Text", texts.Next(), nullptr) ||
            !WriteRectElement(nDepth + 2, Tags::TagTxt(TAG_RECT), rc) || !WriteEnd(nDepth + 1, "Item"))
        {
            DebugOut("SIMCAP_WINDOW_LISTBOX::OutputItemData(): Failed to Write Item info\n");
            return FALSE;
        }
    }
    if (!WriteEnd(nDepth, "ItemData"))
    {
        DebugOut("SIMCAP_WINDOW_LISTBOX::OutputItemData(): Failed to Write ItemData end tag\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW_LISTBOX::BeginWrite(int nDepth)
{
    if (!SIMCAP_WINDOW::BeginWrite(nDepth)) return FALSE;
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 2;
    // Each index plus one takes at most ten digits and a comma.
    LPSTR pszSelection = GlobalTextAlloc(nSelCount > 0 ? 11 * static_cast<SIZE_T>(nSelCount) + 1 : 1);
    if (!pszSelection)
    {
        DebugOut("SIMCAP_WINDOW_LISTBOX::BeginWrite(): Failed to Write Window Info\n");
        return FALSE;
    }
    LPSTR psz = pszSelection;
    for (int i = 0; i < nSelCount; ++i)
        psz += wsprintfA(psz, i ? ",%d" : "%d", static_cast<int>(pdwSelection[i]) + 1);
    BOOL bOk = WriteStart(nDepth + 1, "ListBox") &&
               p->WriteSimpleTagInt(d, "ItemCount", nItemCount, nullptr) &&
               p->WriteSimpleTagInt(d, "TopIndex", nTopIndex + 1, nullptr) &&
               p->WriteSimpleTagInt(d, "ItemHeight", nItemHeight, nullptr) &&
               p->WriteSimpleTagInt(d, "HzntlExt", nHorizontalExtent, nullptr) &&
               p->WriteSimpleTagInt(d, "ItemsPerCol", nItemsPerColumn, nullptr) &&
               p->WriteSimpleTagInt(d, "SelCount", nSelCount, nullptr) &&
               p->WriteSimpleTag(d, "Selection", pszSelection, nullptr);
    GlobalTextFree(pszSelection);
    if (bOk && !WriteItems(d)) return FALSE;
    if (!bOk || !WriteEnd(nDepth + 1, "ListBox"))
    {
        DebugOut("SIMCAP_WINDOW_LISTBOX::BeginWrite(): Failed to Write Window Info\n");
        return FALSE;
    }
    return TRUE;
}

SIMCAP_WINDOW_TOOLBAR_BUTTON::SIMCAP_WINDOW_TOOLBAR_BUTTON(HWND hwndToolbarIn, UINT nIndexIn)
    : hwndToolbar(hwndToolbarIn), nIndex(nIndexIn), tbb(), rcButton(), tbbi(), ti()
{
}

SIMCAP_WINDOW_TOOLBAR_BUTTON::~SIMCAP_WINDOW_TOOLBAR_BUTTON()
{
    GlobalTextFree(tbbi.pszText);
    GlobalTextFree(ti.lpszText);
}

BOOL SIMCAP_WINDOW_TOOLBAR_BUTTON::Init()
{
    RequestControlData(hwndToolbar, g_shared.nWM_GetToolBarButton, nIndex, COPYDATA_TOOLBAR_BUTTON_REPLY,
                       this, SetButtonInfo);
    return TRUE;
}

BOOL SIMCAP_WINDOW_TOOLBAR_BUTTON::SetButtonInfo(void* pvObject, const BYTE* pbRecord, DWORD cbRecord)
{
    auto* pButton = static_cast<SIMCAP_WINDOW_TOOLBAR_BUTTON*>(pvObject);
    const auto* pReply = reinterpret_cast<const SIMCAP_COPYDATA_TOOLBAR_GETBUTTON*>(pbRecord);
    if (cbRecord < sizeof(*pReply) || pReply->hwndToolbar != HandleValue(pButton->hwndToolbar) ||
        pReply->iIndex != pButton->nIndex)
    {
        DebugOut("SIMCAP_WINDOW_TOOLBAR_BUTTON::SetButtonInfo(): reply for another button; dropped\n");
        return FALSE;
    }
    TBBUTTON& tbb = pButton->tbb;
    tbb.iBitmap = pReply->button.iBitmap;
    tbb.idCommand = pReply->button.idCommand;
    tbb.fsState = pReply->button.fsState;
    tbb.fsStyle = pReply->button.fsStyle;
    tbb.dwData = pReply->button.dwData;
    tbb.iString = pReply->button.iString;
    pButton->rcButton = pReply->rcButton;
    TBBUTTONINFOA& tbbi = pButton->tbbi;
    tbbi.cbSize = pReply->info.cbSize;
    tbbi.dwMask = pReply->info.dwMask;
    tbbi.idCommand = pReply->info.idCommand;
    tbbi.iImage = pReply->info.iImage;
    tbbi.fsState = pReply->info.fsState;
    tbbi.fsStyle = pReply->info.fsStyle;
    tbbi.cx = pReply->info.cx;
    tbbi.lParam = pReply->info.lParam;
    tbbi.cchText = pReply->info.cchText;
    // The texts end where their fields end, whatever the fields hold.
    tbbi.pszText =
        GlobalTextCopy(pReply->szText, lstrlenA(pReply->szText) < 1024 ? lstrlenA(pReply->szText) : 1023);
    pButton->ti.lpszText = GlobalTextCopy(
        pReply->szToolTip, lstrlenA(pReply->szToolTip) < 1024 ? lstrlenA(pReply->szToolTip) : 1023);
    if (!tbbi.pszText || !pButton->ti.lpszText)
    {
        DebugOut("SIMCAP_WINDOW_TOOLBAR_BUTTON::SetButtonInfo(): unable to allocate string\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW_TOOLBAR_BUTTON::Write(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 1;
    int dd = nDepth + 2;
    LPCSTR pszButton = Tags::TagTxt(TAG_TOOLBARBUTTON);
    LPCSTR pszTbButton = Tags::TagTxt(TAG_TBBUTTON);
    LPCSTR pszInfo = Tags::TagTxt(TAG_TBBUTTONINFO);
    LPCSTR pszToolInfo = Tags::TagTxt(TAG_TBTOOLINFO);
    BOOL bOk = WriteStart(nDepth, pszButton) && WriteStart(d, pszTbButton) &&
               p->WriteSimpleTagInt(dd, "idCommand", tbb.idCommand, nullptr) &&
               p->WriteSimpleTagInt(dd, "iBitmap", tbb.iBitmap, nullptr) &&
               p->WriteSimpleTagInt(dd, "fsState", tbb.fsState, nullptr) &&
               p->WriteSimpleTagInt(dd, "fsStyle", tbb.fsStyle, nullptr) &&
               p->WriteSimpleTagUInt(dd, "dwData", static_cast<DWORD>(tbb.dwData), nullptr) &&
               p->WriteSimpleTagInt(dd, "iString", static_cast<int>(tbb.iString), nullptr) &&
               WriteEnd(d, pszTbButton) && WriteRectElement(d, Tags::TagTxt(TAG_RECT), rcButton) &&
               p->WriteEscaped("\n") &&
               p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_INDEX), static_cast<int>(nIndex), nullptr) &&
               WriteStart(d, pszInfo) && p->WriteSimpleTagInt(dd, "iImage", tbbi.iImage, nullptr) &&
               p->WriteSimpleTagInt(dd, "fsState", tbbi.fsState, nullptr) &&
               p->WriteSimpleTagInt(dd, "fsStyle", tbbi.fsStyle, nullptr) &&
               p->WriteSimpleTagUInt(dd, "cx", tbbi.cx, nullptr) &&
               p->WriteSimpleTagUInt(dd, "lParam", static_cast<DWORD>(tbbi.lParam), nullptr) &&
               p->WriteSimpleTag(dd, "pszText", tbbi.pszText ? tbbi.pszText : "", nullptr) &&
               WriteEnd(d, pszInfo) && WriteStart(d, pszToolInfo) &&
               p->WriteSimpleTag(dd, "lpszText", ti.lpszText ? ti.lpszText : "", nullptr) &&
               WriteEnd(d, pszToolInfo) && WriteEnd(nDepth, pszButton);
    if (!bOk) DebugOut("SIMCAP_WINDOW_TOOLBAR_BUTTON::Write(): Failed\n");
    return bOk;
}

SIMCAP_WINDOW_TOOLBAR::SIMCAP_WINDOW_TOOLBAR(HWND hwnd)
    : SIMCAP_WINDOW(hwnd), nButtonCount(0), dwButtonHeight(0), dwButtonWidth(0)
{
}

BOOL SIMCAP_WINDOW_TOOLBAR::Init()
{
    if (!SIMCAP_WINDOW::Init()) return FALSE;
    DWORD dwSize = static_cast<DWORD>(AskControl(hWnd, TB_GETBUTTONSIZE, 0, 0, 0));
    dwButtonHeight = HIWORD(dwSize);
    dwButtonWidth = LOWORD(dwSize);
    nButtonCount = static_cast<int>(AskControl(hWnd, TB_BUTTONCOUNT, 0, 0, 0));
    if (nButtonCount > c_nMostButtons)
    {
        DebugOutF("SIMCAP_WINDOW_TOOLBAR::Init(): %d buttons announced; %d read\n", nButtonCount,
                  c_nMostButtons);
        nButtonCount = c_nMostButtons;
    }
    for (int i = 0; i < nButtonCount; ++i)
    {
        auto* pButton = new (std::nothrow) SIMCAP_WINDOW_TOOLBAR_BUTTON(hWnd, static_cast<UINT>(i));
        if (!pButton)
        {
            DebugOut("SIMCAP_WINDOW_TOOLBAR::Init(): Unable to allocate pButton\n");
            return FALSE;
        }
        if (!pButton->Init())
        {
            DebugOut("SIMCAP_WINDOW_TOOLBAR::Init(): Unable to initialize pButton\n");
            delete pButton;
            return FALSE;
        }
        if (!buttons.Insert(pButton, nullptr))
        {
            DebugOut("SIMCAP_WINDOW_TOOLBAR::Init(): Unable to insert pButton into list\n");
            delete pButton;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW_TOOLBAR::BeginWrite(int nDepth)
{
    if (!SIMCAP_WINDOW::BeginWrite(nDepth)) return FALSE;
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 1;
    LPCSTR pszButtons = Tags::TagTxt(TAG_BUTTONS);
    if (!p->WriteSimpleTagUInt(d, "ButtonHeight", dwButtonHeight, nullptr) ||
        !p->WriteSimpleTagUInt(d, "ButtonWidth", dwButtonWidth, nullptr) ||
        !p->WriteSimpleTagInt(d, "ButtonCount", nButtonCount, nullptr) || !WriteStart(d, pszButtons) ||
        !buttons.Write(d + 1) || !WriteEnd(d, pszButtons) || !p->WriteEscaped("\n"))
    {
        DebugOut("SIMCAP_WINDOW_TOOLBAR::BeginWrite(): Failed to Write Window Info\n");
        return FALSE;
    }
    return TRUE;
}
