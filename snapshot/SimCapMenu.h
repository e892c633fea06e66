// snapshot/SimCapMenu.h — a window's menu bar at the moment of a snapshot: its items, their sub-menus
// nested inside them, and the numbers of the bitmap files the owning process saved for them.
#pragma once
#include <windows.h>

#include "snapshot/SimCapObject.h"

class SIMCAP_MENU : public SIMCAP_OBJECT
{
  public:
    // nDepth counts the menus above this one: a sub-menu nested deeper than any real menu is not read.
    SIMCAP_MENU(HMENU hmenu, HWND hwndOwner, int nDepth = 0);

    BOOL Write(int nDepth) override;
    // Reads the item count and every item. FALSE when an item cannot be built; a process that does not
    // answer leaves the menu without items.
    virtual BOOL Init();

    HMENU hMenu;
    int nItemCount;
    SIMCAP_LIST items; // SIMCAP_MENUITEM, in menu order
    HWND hwndOwner;    // the window whose menu bar this is, also for sub-menus

  private:
    static BOOL TakeCount(void* pvObject, const BYTE* pbRecord, DWORD cbRecord);
    int nMenuDepth;
};

class SIMCAP_MENUITEM : public SIMCAP_OBJECT
{
  public:
    SIMCAP_MENUITEM(HMENU hmenu, int nIndex, HWND hwndOwner, int nMenuDepth = 0);
    ~SIMCAP_MENUITEM() override;

    BOOL Write(int nDepth) override;
    // Asks the owning process for the item and its bitmaps, then reads the sub-menu. The item's fields
    // stay empty when no answer comes.
    virtual BOOL Init();

    HMENU hMenu;
    int nIndex;
    DWORD wID;
    DWORD fState;
    DWORD fType;
    LPSTR pText; // GlobalAlloc, owned; null when the item has no text
    SIMCAP_MENU* pSubMenu;
    HWND hwndOwner;
    // Handles as the owning process knows them: only their being set is used here.
    DWORD hbmpChecked;
    DWORD hbmpUnchecked;
    DWORD hbmpItem;
    // Numbers of the saved bitmap files: -1 until the reply, negative when saving failed.
    int nItemImage;
    int nCheckedImage;
    int nUncheckedImage;

  private:
    static BOOL TakeItem(void* pvObject, const BYTE* pbRecord, DWORD cbRecord);
    BOOL WriteBitmapName(int nDepth, LPCSTR pszTag, UINT nKind, int nImage, LPCSTR pszFailure);
    int nMenuDepth;
    HMENU hSubMenu;
};

// Sends the menu request for one position of a menu (-1: the count only) to the owner window; the
// request text carries the next three image numbers and the session folder. FALSE only when the request
// text cannot be made (after OutputLastError).
BOOL RequestMenuItem(HMENU hmenu, int nPosition, HWND hwndOwner, void* pvObject,
                     BOOL (*pfnSink)(void*, const BYTE*, DWORD));
