// snapshot/AccessibleNode.h — the accessibility (MSAA) objects below a window's client object, captured
// into memory and turned into one block of XML text that the window object writes as it stands.
#pragma once
#include <windows.h>

#include <oleacc.h>

// One accessible object (child ID 0) or simple element (its ID) with its children.
class AccessibleNode
{
  public:
    AccessibleNode() = default;
    ~AccessibleNode();
    AccessibleNode(const AccessibleNode&) = delete;
    AccessibleNode& operator=(const AccessibleNode&) = delete;

    // The window's client object and everything below it. FALSE when the window has none or a part of
    // the tree cannot be read.
    BOOL Attach(HWND hwndWindow);
    // Fills the node from an object (never null) and a child ID, children included.
    BOOL Fill(IAccessible* pObject, LONG idChildIn, int nLevel = 0);
    // The node's XML at an indentation depth, built once and kept; null when memory runs out.
    LPCSTR ToXml(int nDepth);

    HWND hwnd = nullptr;
    IAccessible* pAccessible = nullptr;
    LONG idChild = 0;
    BSTR bstrName = nullptr;
    BSTR bstrDescription = nullptr;
    BSTR bstrValue = nullptr;
    DWORD dwRole = 0;
    DWORD dwState = 0;
    LPSTR pszXml = nullptr;
    LPSTR pszName = nullptr;
    LPSTR pszDescription = nullptr;
    LPSTR pszValue = nullptr;
    LONG left = 0, top = 0, right = 0, bottom = 0;
    LONG cChildren = 0;
    AccessibleNode* pChildren = nullptr;
};

// The accessibility escaper: "&", "<", ">", "#", backspace and tab as references, the rest converted
// from the ANSI code page to UTF-8, control characters other than line feed and carriage return as
// numeric references. A new text (delete[]), or null when a conversion fails.
LPSTR AccessibilityEscape(LPCSTR psz);

// The dump of one window as a GlobalAlloc text (util/GlobalText.h), or null when there is none.
LPSTR AccessibilityText(HWND hwnd);
