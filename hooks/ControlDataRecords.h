// hooks/ControlDataRecords.h — the replies that the collectors inside a target send back to the recorder
// (WM_COPYDATA, dwData 8 to 12). A wire format: fixed little-endian 32-bit fields, sizes never change.
// Every field that names the requester ("object") carries the requester's lParam back unchanged.
#pragma once
#include <windows.h>

#include <stddef.h>

// dwData 8: one toolbar button (2128 bytes).
struct SIMCAP_COPYDATA_TOOLBAR_GETBUTTON
{
    DWORD hwndToolbar;
    DWORD iIndex;
    DWORD dwObject;
    struct
    {
        LONG iBitmap;
        LONG idCommand;
        BYTE fsState;
        BYTE fsStyle;
        BYTE bReserved[2];
        DWORD dwData;
        LONG iString;
    } button;
    RECT rcButton;
    struct
    {
        DWORD cbSize;
        DWORD dwMask;
        LONG idCommand;
        LONG iImage;
        BYTE fsState;
        BYTE fsStyle;
        WORD cx;
        DWORD lParam;
        DWORD pszText; // always 0 on the wire
        LONG cchText;
    } info;
    char szText[1024];
    char szToolTip[1024];
};
static_assert(sizeof(SIMCAP_COPYDATA_TOOLBAR_GETBUTTON) == 2128, "toolbar reply is 2128 bytes");
static_assert(offsetof(SIMCAP_COPYDATA_TOOLBAR_GETBUTTON, rcButton) == 32, "button rectangle at 32");
static_assert(offsetof(SIMCAP_COPYDATA_TOOLBAR_GETBUTTON, szText) == 80, "button text at 80");
static_assert(offsetof(SIMCAP_COPYDATA_TOOLBAR_GETBUTTON, szToolTip) == 1104, "tool tip at 1104");

// dwData 9: a list box. The header is followed by cbRects bytes of item rectangles, cSel signed item
// indices, cbText bytes of NUL-terminated item texts, and 4 zero bytes.
struct SIMCAP_COPYDATA_LISTBOX_GETDATA
{
    DWORD hwndListBox;
    DWORD dwObject;
    DWORD cbRects;
    DWORD cSel;
    DWORD cbText;
};
static_assert(sizeof(SIMCAP_COPYDATA_LISTBOX_GETDATA) == 20, "list box reply header is 20 bytes");

// dwData 10: a combo box. The header is followed by cbText bytes of NUL-terminated item texts and 4 zero
// bytes.
struct SIMCAP_COPYDATA_COMBOBOX_GETDATA
{
    DWORD hwndComboBox;
    DWORD dwObject;
    RECT rcDropped;
    struct
    {
        DWORD cbSize;
        RECT rcItem;
        RECT rcButton;
        DWORD stateButton;
        DWORD hwndCombo;
        DWORD hwndItem;
        DWORD hwndList;
    } info;
    DWORD cbText;
};
static_assert(sizeof(SIMCAP_COPYDATA_COMBOBOX_GETDATA) == 80, "combo box reply header is 80 bytes");
static_assert(offsetof(SIMCAP_COPYDATA_COMBOBOX_GETDATA, info) == 24, "COMBOBOXINFO at 24");

// dwData 11: a menu item. The first 24 bytes are the bitmap reply: the image numbers are 0 for an absent
// bitmap and negated when saving failed.
//
// A menu of another process can only be read inside that process, so the collector also reads the item
// itself and appends what it found: the menu's item count, the item's description and its text. A reply
// of 24 bytes carries the numbers only.
struct SIMCAP_COPYDATA_MENUITEM_BMPS
{
    DWORD hMenu;
    LONG nPosition;
    DWORD dwObject;
    LONG nItemImage;
    LONG nCheckedImage;
    LONG nUncheckedImage;
};
static_assert(sizeof(SIMCAP_COPYDATA_MENUITEM_BMPS) == 24, "menu bitmap reply is 24 bytes");

struct SIMCAP_COPYDATA_MENUITEM_GETDATA
{
    SIMCAP_COPYDATA_MENUITEM_BMPS bmps;
    LONG nItemCount; // GetMenuItemCount of the menu; -1 when the handle is no menu
    DWORD bItemRead; // 0 when the position names no item (its fields below are 0)
    DWORD fType;
    DWORD fState;
    DWORD wID;
    DWORD hSubMenu;
    DWORD hbmpItem;
    DWORD hbmpChecked;
    DWORD hbmpUnchecked;
    DWORD cbText; // bytes of text that follow, its NUL included; 0 when the item has no text
};
static_assert(sizeof(SIMCAP_COPYDATA_MENUITEM_GETDATA) == 64, "menu item reply header is 64 bytes");

// dwData 12: a button image.
struct SIMCAP_COPYDATA_BUTTON_IMAGE
{
    DWORD dwObject;
    LONG nImage;
};
static_assert(sizeof(SIMCAP_COPYDATA_BUTTON_IMAGE) == 8, "button image reply is 8 bytes");
