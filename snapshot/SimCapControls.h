// snapshot/SimCapControls.h — windows that show items: combo boxes, list boxes and toolbars with their
// buttons. Counts and geometry any process may ask for are asked directly; the item texts, rectangles,
// selections and button details are read inside the owning process and arrive as its reply.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include "snapshot/SimCapWindow.h"

class SIMCAP_WINDOW_COMBOBOX : public SIMCAP_WINDOW
{
  public:
    explicit SIMCAP_WINDOW_COMBOBOX(HWND hwnd);
    ~SIMCAP_WINDOW_COMBOBOX() override;

    BOOL Init() override;
    BOOL BeginWrite(int nDepth) override;
    // The reply of the combo box collector.
    static BOOL SetComboBoxInfo(void* pvObject, const BYTE* pbRecord, DWORD cbRecord);

    int nItemCount;
    int nTopIndex;
    int nItemHeight;
    int nHorizontalExtent;
    int nCurSel;
    int nDroppedWidth;
    DWORD dwEditSel; // start in the low word, end in the high word; 0xFFFFFFFF without an edit part
    BOOL bExtendedUI;
    LPSTR pItemText; // the texts one after another, each NUL-terminated; null until the reply
    DWORD cbItemText;
    RECT rcDropped;
    COMBOBOXINFO cbi;

  private:
    BOOL WriteInfo(int nDepth);
    BOOL WriteItems(int nDepth);
};

class SIMCAP_WINDOW_LISTBOX : public SIMCAP_WINDOW
{
  public:
    explicit SIMCAP_WINDOW_LISTBOX(HWND hwnd);
    ~SIMCAP_WINDOW_LISTBOX() override;

    BOOL Init() override;
    BOOL BeginWrite(int nDepth) override;
    // The reply of the list box collector.
    static BOOL SetListBoxInfo(void* pvObject, const BYTE* pbRecord, DWORD cbRecord);

    int nItemCount;
    int nTopIndex;
    int nItemHeight;
    int nHorizontalExtent;
    int nItemsPerColumn;
    int nSelCount;
    DWORD* pdwSelection; // 0-based indices; GlobalAlloc, owned
    LPSTR pItemText;     // GlobalAlloc, owned
    DWORD cbItemText;
    RECT* prcItems; // one per item; GlobalAlloc, owned

  private:
    BOOL WriteItems(int nDepth);
};

class SIMCAP_WINDOW_TOOLBAR_BUTTON : public SIMCAP_OBJECT
{
  public:
    SIMCAP_WINDOW_TOOLBAR_BUTTON(HWND hwndToolbar, UINT nIndex);
    ~SIMCAP_WINDOW_TOOLBAR_BUTTON() override;

    BOOL Write(int nDepth) override;
    // Asks the toolbar's process for the button; TRUE whether or not an answer comes.
    virtual BOOL Init();
    // The reply of the toolbar collector.
    static BOOL SetButtonInfo(void* pvObject, const BYTE* pbRecord, DWORD cbRecord);

    HWND hwndToolbar;
    UINT nIndex;
    TBBUTTON tbb;
    RECT rcButton;
    TBBUTTONINFOA tbbi; // pszText is the object's own copy of the button text
    TOOLINFOA ti;       // only lpszText: the object's own copy of the tool tip
};

class SIMCAP_WINDOW_TOOLBAR : public SIMCAP_WINDOW
{
  public:
    explicit SIMCAP_WINDOW_TOOLBAR(HWND hwnd);

    BOOL Init() override;
    BOOL BeginWrite(int nDepth) override;

    int nButtonCount;
    DWORD dwButtonHeight;
    DWORD dwButtonWidth;
    SIMCAP_LIST buttons; // SIMCAP_WINDOW_TOOLBAR_BUTTON, in button order
};
