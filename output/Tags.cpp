#include "output/Tags.h"

#include <string.h>

#include "util/Assert.h"

namespace
{
// Names that are both tags and value names: the two tables share these very strings.
const char c_szBottom[] = "bottom";
const char c_szClassName[] = "ClassName";
const char c_szHMenu[] = "hMenu";
const char c_szHMod16[] = "hMod16";
const char c_szHParentWnd[] = "hParentWnd";
const char c_szHTask16[] = "hTask16";
const char c_szHWnd[] = "hWnd";
const char c_szID[] = "ID";
const char c_szIndex[] = "Index";
const char c_szLeft[] = "left";
const char c_szMessage[] = "message";
const char c_szRight[] = "right";
const char c_szThreadID[] = "ThreadID";
const char c_szTop[] = "top";
const char c_szVirtualKeyCode[] = "VirtualKeyCode";
const char c_szAction[] = "Action";

LPCSTR const c_apszTag[TAG_COUNT] = {
    c_szBottom,
    "Buttons",
    c_szClassName,
    "Event",
    "Events",
    "GetStateEvent",
    c_szHMenu,
    c_szHMod16,
    c_szHParentWnd,
    c_szHTask16,
    c_szHWnd,
    c_szID,
    c_szIndex,
    c_szLeft,
    "Menu",
    "MenuItem",
    c_szMessage,
    "Process",
    "Processes",
    "pt",
    "pts",
    "RECT",
    c_szRight,
    "SimCap",
    "EventStateChanges",
    "Task",
    "TBBUTTON",
    "TBBUTTONINFO",
    "TBMETRICS",
    "TBTOOLINFO",
    c_szThreadID,
    "ToolBarButton",
    c_szTop,
    "?xml version=\"1.0\"?",
    "?xml version=\"1.0\" encoding=\"UTF-8\"?",
    "?xml version=\"1.0\" encoding=\"CP1252\"?",
    c_szVirtualKeyCode,
    "Window",
    c_szAction,
    "CBTACTIVATESTRUCT",
    "CBTCREATEWND",
};

LPCSTR const c_apszAttr[ATTR_COUNT] = {"state", "Deleted", "Modified", "New", "Same"};

const DWORD c_dwEndOfRun = 0xFFFFFFFF;
const DWORD c_dwUnbuilt = static_cast<DWORD>(-999);

// The key-attribute records, closed by c_dwEndOfRun. The reference lengths are filled in by
// BuildKeyAttrLists; they depend only on these constants, so building again writes the same values.
// clang-format off
DWORD s_adwKeyAttrRun[] = {
    TAG_WINDOW,        3, c_dwUnbuilt, TAG_HWND,     TAG_HPARENTWND, TAG_CLASSNAME,
    TAG_MENU,          1, c_dwUnbuilt, TAG_HMENU,
    TAG_MENUITEM,      3, c_dwUnbuilt, TAG_HMENU,    TAG_ID,         TAG_INDEX,
    TAG_TASK,          3, c_dwUnbuilt, TAG_THREADID, TAG_HTASK16,    TAG_HMOD16,
    TAG_TOOLBARBUTTON, 1, c_dwUnbuilt, TAG_INDEX,
    c_dwEndOfRun,
};
// clang-format on

// Ascending under case-insensitive comparison; IsValueName's binary search relies on it. The closing
// empty string stays at the top index of the search.
LPCSTR const c_apszValueName[] = {
    c_szAction,
    "bAltKey",
    "bExtendedKey",
    "bExtendedUI",
    "BmpChecked",
    "BmpItem",
    "BmpUnchecked",
    c_szBottom,
    "bPreviousState",
    "bTransitionState",
    "ButtonCount",
    "ButtonHeight",
    "ButtonImage",
    "ButtonState",
    "ButtonWidth",
    c_szClassName,
    "ClassStyle",
    "CurSel",
    "cx",
    "cxBarPad",
    "cxButtonSpacing",
    "cxPad",
    "cyBarPad",
    "cyButtonSpacing",
    "cyPad",
    "DroppedWidth",
    "dwData",
    "dwExtraInfo",
    "dwMask",
    "EditSelEnd",
    "EditSelStart",
    "ExtendedStyle",
    "fActive",
    "FileName",
    "flags",
    "fMinimized",
    "FocusWnd",
    "fsState",
    "fsStyle",
    "fuFlags",
    "fuModifiers",
    "fwKeys",
    "fwSizeType",
    c_szHMenu,
    c_szHMod16,
    c_szHParentWnd,
    c_szHTask16,
    c_szHWnd,
    "hwndCombo",
    "hwndEdit",
    "hwndGetFocus",
    "hwndList",
    "hwndLoseFocus",
    "hwndNewCapture",
    "hwndPrevious",
    "hwndTopLevel",
    "HzntlExt",
    "iBitmap",
    c_szID,
    "idCommand",
    "idHotKey",
    "iImage",
    "Image",
    c_szIndex,
    "iString",
    "ItemCount",
    "ItemHeight",
    "ItemNo",
    "ItemsPerCol",
    c_szLeft,
    "lParam",
    "lpszText",
    "MenuItemCount",
    c_szMessage,
    "modifiers",
    "ModName",
    "ModuleBaseName",
    "ModuleFileName",
    "ModuleID",
    "nCode",
    "nHeight",
    "nHittest",
    "nWidth",
    "ProcessExeFile",
    "ProcessID",
    "pszText",
    "RepeatCount",
    c_szRight,
    "ScanCode",
    "scanCode",
    "SelCount",
    "Selection",
    "showCmd",
    "State",
    "Style",
    "Text",
    "TextLength",
    c_szThreadID,
    "time",
    c_szTop,
    "TopIndex",
    "Type",
    "uItem",
    "uMsg",
    "uVirtKey",
    c_szVirtualKeyCode,
    "Visible",
    "vkCode",
    "wHitTestCode",
    "wParam",
    "x",
    "xPos",
    "y",
    "yPos",
    "zDelta",
    "",
};
const int c_nLastValueName = static_cast<int>(sizeof(c_apszValueName) / sizeof(c_apszValueName[0])) - 1;
static_assert(c_nLastValueName == 115, "115 value names and the closing empty string");
} // namespace

LPCSTR Tags::TagTxt(UINT nTag)
{
    if (nTag < TAG_COUNT) return c_apszTag[nTag];
    AssertF("ASSERT Tags TagTxt: <%u> - invalid tag request.", nTag);
    return "TagError";
}

LPCSTR Tags::AttrTxt(UINT nAttr)
{
    if (nAttr < ATTR_COUNT) return c_apszAttr[nAttr];
    AssertF("ASSERT Tags AttrTxt: <%u> - invalid attribute request.", nAttr);
    return "AttributeError";
}

BOOL Tags::BuildKeyAttrLists()
{
    for (DWORD* pdw = s_adwKeyAttrRun; pdw[0] != c_dwEndOfRun; pdw += 3 + pdw[1])
        apdwKeyAttr[pdw[0]] = pdw;

    for (const DWORD* pdwRecord : apdwKeyAttr)
    {
        if (!pdwRecord) continue;
        KeyAttrList list(pdwRecord);
        int nLength = lstrlenA(TagTxt(list.Tag())) + 2;
        for (UINT i = 0; i < list.Count(); i++)
            nLength += 2 * lstrlenA(TagTxt(list.KeyTag(i))) + 5;
        // The run is this module's own data; the slots point into it.
        const_cast<DWORD*>(pdwRecord)[2] = static_cast<DWORD>(nLength);
    }
    return TRUE;
}

KeyAttrList Tags::KeyAttrListOf(UINT nTag) const
{
    return KeyAttrList(nTag < TAG_COUNT ? apdwKeyAttr[nTag] : nullptr);
}

KeyAttrList Tags::FindKeyAttrList(LPCSTR pszTag) const
{
    if (!pszTag) return KeyAttrList();
    for (UINT nTag = 0; nTag < TAG_COUNT; nTag++)
        if (apdwKeyAttr[nTag] && strcmp(c_apszTag[nTag], pszTag) == 0) return KeyAttrList(apdwKeyAttr[nTag]);
    return KeyAttrList();
}

BOOL Tags::IsValueName(LPCSTR pszName)
{
    if (!pszName) return FALSE;
    int nLow = 0;
    int nHigh = c_nLastValueName;
    while (nLow <= nHigh)
    {
        int nMiddle = (nLow + nHigh) / 2;
        int nOrder = lstrcmpiA(c_apszValueName[nMiddle], pszName);
        if (nOrder == 0) return TRUE;
        if (nOrder > 0)
            nHigh = nMiddle - 1;
        else
            nLow = nMiddle + 1;
    }
    return FALSE;
}
