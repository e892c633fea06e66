// snapshot/SimCapWindow.h — one window at the moment of a snapshot, with all its child windows, so that
// a top-level window object holds the whole window tree; and the factory that picks its class.
#pragma once
#include <windows.h>

#include "snapshot/SimCapObject.h"

class SIMCAP_MENU;

class SIMCAP_WINDOW : public SIMCAP_OBJECT
{
  public:
    // Takes the parent handle and the visibility; nothing else is read until Init.
    explicit SIMCAP_WINDOW(HWND hwnd);
    ~SIMCAP_WINDOW() override;

    BOOL IsEventBlockMember() const override { return FALSE; }
    // Nothing when the window and all its descendants are hidden, hidden windows are not wanted and the
    // window is not marked to be written anyway; else BeginWrite then EndWrite.
    BOOL Write(int nDepth) override;
    // The start tag and the window's own data. Control subclasses write their own element after it.
    virtual BOOL BeginWrite(int nDepth);
    // The children and the end tag.
    virtual BOOL EndWrite(int nDepth);
    // Reads everything once, children included; control subclasses call it first, then read their own.
    virtual BOOL Init();
    // Visible at construction, or any descendant is.
    virtual BOOL IsVisible();
    // "ClassName", and the button's "State" and "ButtonImage" where they apply.
    virtual BOOL WriteClassInfo(int nDepth);

    // The object of the right class for the window, initialised; null when it cannot be built.
    static SIMCAP_WINDOW* CreateWindowObject(HWND hwnd);
    // EnumChildWindows callback for one parent's Init. Takes direct children only.
    static BOOL CALLBACK ChildEnumProc(HWND hwndChild, LPARAM lParam);
    // Init's part for a window of a button class: the state, and the image of a bitmap button.
    BOOL HandleClassNameButton();

    // The showCmd comment of the "showCmd" element.
    static LPCSTR ShowCmdName(UINT nShowCmd);

    // Fields, in order.
    HWND hWnd;
    HWND hParentWnd;
    RECT rcWindow;
    int nTextLength;
    LPSTR pText;          // GlobalAlloc, owned
    LPSTR pClassName;     // GlobalAlloc, owned
    LPSTR pAccessibility; // accessibility XML or null; GlobalAlloc (util/GlobalText.h), owned
    int nButtonState;     // BM_GETSTATE; -1 for a window that is not a button
    BOOL bVisible;
    DWORD dwStyle;
    DWORD dwClassStyle;
    DWORD dwExStyle;
    int nId;
    DWORD dwProcessId;
    DWORD dwThreadId;
    LOGFONTA lf; // all zero unless an edit-class window has a readable font
    WINDOWPLACEMENT wp;
    SIMCAP_LIST children;
    SIMCAP_MENU* pMenu; // menu bar of a window that is not a child, or null; owned
    int nButtonImage;   // 0 none, >0 number of the saved image file, <0 the image could not be saved
    BOOL bWriteHidden;  // set for the window a destroy event describes

  protected:
    // The four places where the control contents plug in. Each lives in SimCapWindowContent.cpp; until
    // the control objects exist they read nothing, write nothing and answer success.
    //
    // The object for a window of the given class on a system of the NT family: a plain window until the
    // combo box, list box and toolbar objects exist. Null when allocation fails.
    static SIMCAP_WINDOW* AllocateForClass(HWND hwnd, LPCSTR pszClassName);
    // Builds and initialises pMenu for the window's menu bar; FALSE (with its debug line) on failure.
    // Until menus are read, pMenu stays null.
    BOOL InitMenu(HMENU hmenu);
    // Writes pMenu at a depth; only called when pMenu is set.
    BOOL WriteMenu(int nDepth);
    // Deletes pMenu (the destructor's part).
    void DeleteMenu();
    // Asks the owning process to save a bitmap button's image; its reply sets nButtonImage. Until the
    // request exists, nButtonImage stays 0 (no image) and the answer is TRUE.
    BOOL RequestButtonImage(HBITMAP hbmImage);
    // Fills pAccessibility from the accessibility dump of the window. Until the dump exists it stays null.
    BOOL InitAccessibility();

  private:
    BOOL ReadText(HWND hwndSource);
    BOOL ReadEditFont();
    BOOL WriteOwnData(int nDepth);
    BOOL WriteRect(int nDepth);
    BOOL WriteFont(int nDepth);
};
