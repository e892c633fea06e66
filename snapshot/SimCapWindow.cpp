#include "snapshot/SimCapWindow.h"

#include <new>

#include "config/PrivProf.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "output/Tags.h"
#include "util/BoundedSend.h"
#include "util/Diag.h"
#include "util/GlobalText.h"

namespace
{
const int c_cchClassName = 1024;
const UINT c_cbFirstText = 1024;
// A window that answers WM_GETTEXT with more than this keeps an empty text rather than a cut one.
const UINT c_cbLargestText = 16u << 20;

DWORD HandleValue(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd));
}

// The enumeration of one parent's children: a child that cannot be built fails the parent.
struct ChildEnum
{
    SIMCAP_WINDOW* pParent;
    BOOL bFailed;
};

// A window that went away while it was being read is not an error of the snapshot: the caller leaves it
// out. Anything else is reported with the system's text.
void ReportFailure(HWND hwnd, LPCSTR pszPrefix)
{
    DWORD dwError = GetLastError();
    if (!IsWindow(hwnd))
        DebugOutF("%swindow %lu is gone\n", pszPrefix, HandleValue(hwnd));
    else if (g_pSimCap)
        g_pSimCap->OutputLastError(pszPrefix, dwError);
}

BOOL ReadWindowLong(HWND hwnd, int nIndex, BOOL bClassLong, DWORD* pdwValue, LPCSTR pszPrefix)
{
    SetLastError(0);
    *pdwValue = bClassLong ? GetClassLongA(hwnd, nIndex) : static_cast<DWORD>(GetWindowLongA(hwnd, nIndex));
    if (*pdwValue == 0 && GetLastError() != 0)
    {
        ReportFailure(hwnd, pszPrefix);
        return FALSE;
    }
    return TRUE;
}

const PrivProf* Config()
{
    return g_pSimCap ? g_pSimCap->pPrivProf : nullptr;
}
} // namespace

SIMCAP_WINDOW::SIMCAP_WINDOW(HWND hwnd)
    : hWnd(hwnd), hParentWnd(GetParent(hwnd)), rcWindow(), nTextLength(0), pText(nullptr),
      pClassName(nullptr), pAccessibility(nullptr), nButtonState(-1), bVisible(IsWindowVisible(hwnd)),
      dwStyle(0), dwClassStyle(0), dwExStyle(0), nId(0), dwProcessId(0), dwThreadId(0), lf(), wp(),
      pMenu(nullptr), nButtonImage(0), bWriteHidden(FALSE)
{
}

SIMCAP_WINDOW::~SIMCAP_WINDOW()
{
    GlobalTextFree(pText);
    GlobalTextFree(pClassName);
    DeleteMenu();
    GlobalTextFree(pAccessibility);
    // The children list deletes its window objects itself.
}

SIMCAP_WINDOW* SIMCAP_WINDOW::CreateWindowObject(HWND hwnd)
{
    if (!IsWindow(hwnd))
    {
        DebugOutF("SIMCAP::CreateWindowObject(): window %lu is gone\n", HandleValue(hwnd));
        return nullptr;
    }
    char szClass[c_cchClassName];
    if (!GetClassNameA(hwnd, szClass, sizeof(szClass)))
    {
        ReportFailure(hwnd, "SIMCAP::CreateWindowObject(): Unable to get Window Class Name - ");
        szClass[0] = '\0';
    }
    SIMCAP_WINDOW* pWindow =
        g_bIsNT ? AllocateForClass(hwnd, szClass) : new (std::nothrow) SIMCAP_WINDOW(hwnd);
    if (!pWindow)
    {
        DebugOut("Error allocating SIMCAP_WINDOW object\n");
        return nullptr;
    }
    if (!pWindow->Init())
    {
        DebugOut("Error Initializing SIMCAP_WINDOW object\n");
        delete pWindow;
        return nullptr;
    }
    return pWindow;
}

BOOL SIMCAP_WINDOW::Init()
{
    SetLastError(0);
    if (!GetWindowRect(hWnd, &rcWindow))
    {
        DebugOut("SIMCAP_WINDOW::Init(): Unable to get the window's bounding rect\n");
        return FALSE;
    }
    dwThreadId = GetWindowThreadProcessId(hWnd, &dwProcessId);
    wp.length = sizeof(wp);
    if (!GetWindowPlacement(hWnd, &wp))
    {
        DebugOut("SIMCAP_WINDOW::Init(): Unable to get the window's placement\n");
        return FALSE;
    }
    DWORD dwId = 0;
    if (!ReadWindowLong(hWnd, GWL_STYLE, FALSE, &dwStyle,
                        "SIMCAP_WINDOW::Init(): Unable to get Window Style - ") ||
        !ReadWindowLong(hWnd, GWL_ID, FALSE, &dwId, "SIMCAP_WINDOW::Init(): Unable to get Window ID - ") ||
        !ReadWindowLong(hWnd, GCL_STYLE, TRUE, &dwClassStyle,
                        "SIMCAP_WINDOW::Init(): Unable to get Class Style - ") ||
        !ReadWindowLong(hWnd, GWL_EXSTYLE, FALSE, &dwExStyle,
                        "SIMCAP_WINDOW::Init(): Unable to get Window Extended Style - "))
        return FALSE;
    nId = static_cast<int>(dwId);

    char szClass[c_cchClassName];
    BOOL bHaveClass = GetClassNameA(hWnd, szClass, sizeof(szClass)) != 0;
    if (!bHaveClass) szClass[0] = '\0';

    // A ComboBoxEx keeps the text; its inner combo box only shows it.
    HWND hwndTextSource = hWnd;
    char szParentClass[c_cchClassName];
    if (!lstrcmpiA(szClass, "Combobox") && hParentWnd &&
        GetClassNameA(hParentWnd, szParentClass, c_cchClassName) && !lstrcmpiA(szParentClass, "ComboBoxEx32"))
        hwndTextSource = hParentWnd;
    if (!ReadText(hwndTextSource)) return FALSE;

    if (!bHaveClass)
    {
        ReportFailure(hWnd, "SIMCAP_WINDOW::Init(): Unable to get Window Class Name - ");
        return FALSE;
    }
    pClassName = GlobalTextCopy(szClass);
    if (!pClassName)
    {
        DebugOut("SIMCAP_WINDOW::Init(): Unable to allocate pClassName\n");
        return FALSE;
    }

    const PrivProf* pConfig = Config();
    if (g_pSimCap && g_pSimCap->bAccessibilityEntry && pConfig && pConfig->IsAccessibilityClass(szClass))
        InitAccessibility();
    if (pConfig && pConfig->IsButtonClass(szClass))
    {
        if (!HandleClassNameButton()) return FALSE;
    }
    else if (pConfig && pConfig->IsEditClass(szClass))
        ReadEditFont();

    if (!(dwStyle & WS_CHILD))
    {
        HMENU hmenu = GetMenu(hWnd);
        if (hmenu && !InitMenu(hmenu)) return FALSE;
    }

    ChildEnum enumeration = {this, FALSE};
    SetLastError(0);
    if (!EnumChildWindows(hWnd, ChildEnumProc, reinterpret_cast<LPARAM>(&enumeration)) &&
        GetLastError() != 0 && !enumeration.bFailed)
    {
        ReportFailure(hWnd, "SIMCAP_WINDOW::Init(): Unable to enumerate the child windows - ");
        return FALSE;
    }
    if (enumeration.bFailed) return FALSE;
    // A window can go while it answers (a text request may close it); what was read of it then describes
    // a window that no longer exists, and the caller leaves it out.
    if (!IsWindow(hWnd))
    {
        DebugOutF("SIMCAP_WINDOW::Init(): window %lu is gone\n", HandleValue(hWnd));
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW::ReadText(HWND hwndSource)
{
    for (UINT cb = c_cbFirstText;; cb *= 2)
    {
        pText = GlobalTextAlloc(cb);
        if (!pText)
        {
            DebugOut("SIMCAP_WINDOW::Init(): Unable to allocate pText\n");
            return FALSE;
        }
        DWORD_PTR dwLength = 0;
        // Nothing read (hung, gone, or no text) leaves the text empty.
        if (!BoundedSend(hwndSource, WM_GETTEXT, cb, reinterpret_cast<LPARAM>(pText), &dwLength) ||
            static_cast<int>(dwLength) < 1)
        {
            pText[0] = '\0';
            nTextLength = 0;
            break;
        }
        if (dwLength < cb)
        {
            nTextLength = static_cast<int>(dwLength);
            pText[nTextLength] = '\0';
            break;
        }
        GlobalTextFree(pText);
        pText = nullptr;
        DebugOut("SIMCAP_WINDOW::Init(): this->pText is too small\n");
        if (cb >= c_cbLargestText)
        {
            DebugOut("SIMCAP_WINDOW::Init(): the window's text is too long; written empty\n");
            pText = GlobalTextCopy(nullptr);
            nTextLength = 0;
            if (!pText) DebugOut("SIMCAP_WINDOW::Init(): Unable to allocate pText\n");
            return pText != nullptr;
        }
    }
    // Shrink the block to the text.
    LPSTR pShort = GlobalTextCopy(pText, nTextLength);
    if (!pShort)
    {
        DebugOut("SIMCAP_WINDOW::Init(): Unable to allocate pText\n");
        return FALSE;
    }
    GlobalTextFree(pText);
    pText = pShort;
    return TRUE;
}

BOOL SIMCAP_WINDOW::ReadEditFont()
{
    DWORD_PTR dwFont = 0;
    if (!BoundedSend(hWnd, WM_GETFONT, 0, 0, &dwFont) || !dwFont) return FALSE;
    // The font belongs to the window's process: only a handle this process knows as a font is read.
    HGDIOBJ hFont = reinterpret_cast<HGDIOBJ>(dwFont);
    if (GetObjectType(hFont) != OBJ_FONT || GetObjectA(hFont, sizeof(lf), &lf) != sizeof(lf))
    {
        ZeroMemory(&lf, sizeof(lf));
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK SIMCAP_WINDOW::ChildEnumProc(HWND hwndChild, LPARAM lParam)
{
    ChildEnum* pEnum = reinterpret_cast<ChildEnum*>(lParam);
    SIMCAP_WINDOW* pParent = pEnum->pParent;
    // Deeper descendants are taken by their own parent's Init.
    if (GetParent(hwndChild) != pParent->hWnd) return TRUE;
    SIMCAP_WINDOW* pChild = CreateWindowObject(hwndChild);
    if (!pChild)
    {
        if (!IsWindow(hwndChild))
        {
            DebugOutF("SIMCAP_WINDOW::ChildEnumProc(): child %lu went away during the snapshot; left out\n",
                      HandleValue(hwndChild));
            return TRUE;
        }
        DebugOut("Error creating SIMCAP_WINDOW Child\n");
        pEnum->bFailed = TRUE;
        return FALSE;
    }
    if (!pParent->children.Insert(pChild, nullptr))
    {
        DebugOut("Error Inserting SIMCAP_WINDOW Child in List\n");
        delete pChild;
        pEnum->bFailed = TRUE;
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW::HandleClassNameButton()
{
    DWORD_PTR dwState = 0;
    if (!BoundedSend(hWnd, BM_GETSTATE, 0, 0, &dwState))
    {
        // A button that does not answer keeps no state; one that went away fails its object.
        if (!IsWindow(hWnd)) return FALSE;
        DebugOutF("SIMCAP_WINDOW::HandleClassNameButton(): button %lu did not answer\n", HandleValue(hWnd));
        return TRUE;
    }
    nButtonState = static_cast<int>(dwState);
    if (!(dwStyle & BS_BITMAP)) return TRUE;
    DWORD_PTR dwImage = 0;
    if (!BoundedSend(hWnd, BM_GETIMAGE, IMAGE_BITMAP, 0, &dwImage) || !dwImage) return TRUE;
    return RequestButtonImage(reinterpret_cast<HBITMAP>(dwImage));
}

BOOL SIMCAP_WINDOW::IsVisible()
{
    if (bVisible) return TRUE;
    for (LIST_NODE* pNode = children.Head(); pNode; pNode = pNode->pNext)
        if (static_cast<SIMCAP_WINDOW*>(pNode)->IsVisible()) return TRUE;
    return FALSE;
}

BOOL SIMCAP_WINDOW::Write(int nDepth)
{
    if (g_pSimCap && !g_pSimCap->bIncludeHiddenWindows && !bWriteHidden && !IsVisible()) return TRUE;
    return BeginWrite(nDepth) && EndWrite(nDepth);
}

LPCSTR SIMCAP_WINDOW::ShowCmdName(UINT nShowCmd)
{
    static const char* const c_apszNames[] = {
        "SW_HIDE", "SW_SHOWNORMAL", "SW_SHOWMINIMIZED",   "SW_SHOWMAXIMIZED", "SW_SHOWNOACTIVATE",
        "SW_SHOW", "SW_MINIMIZE",   "SW_SHOWMINNOACTIVE", "SW_SHOWNA",        "SW_RESTORE",
    };
    return nShowCmd < sizeof(c_apszNames) / sizeof(c_apszNames[0]) ? c_apszNames[nShowCmd] : "unknown value";
}

BOOL SIMCAP_WINDOW::WriteClassInfo(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    LPCSTR pszClass = pClassName ? pClassName : "";
    if (!p->WriteSimpleTag(nDepth, Tags::TagTxt(TAG_CLASSNAME), pszClass, nullptr)) return FALSE;
    if (pszClass[0] && nButtonState != -1 &&
        !p->WriteSimpleTagUInt(nDepth + 1, "State", static_cast<DWORD>(nButtonState), nullptr))
        return FALSE;
    if (nButtonImage > 0)
    {
        char szName[32];
        wsprintfA(szName, "bttn_img_%lu.bmp", static_cast<DWORD>(nButtonImage));
        return p->WriteSimpleTag(nDepth, "ButtonImage", szName, nullptr);
    }
    if (nButtonImage < 0)
    {
        DebugOut("SIMCAP_Window: Failed to create button Image.\n");
        return p->WriteSimpleTag(nDepth, "ButtonImage", "???", nullptr);
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW::WriteRect(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    LPCSTR pszRect = Tags::TagTxt(TAG_RECT);
    int d = nDepth + 1;
    return p->WriteIndent(nDepth) && p->WriteStartTag(pszRect, nullptr, 0, nullptr, nullptr) &&
           p->WriteEscaped("\n") && p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_LEFT), rcWindow.left, nullptr) &&
           p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_TOP), rcWindow.top, nullptr) &&
           p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_RIGHT), rcWindow.right, nullptr) &&
           p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_BOTTOM), rcWindow.bottom, nullptr) &&
           p->WriteIndent(nDepth) && p->WriteEndTag(pszRect) && p->WriteEscaped("\n");
}

BOOL SIMCAP_WINDOW::WriteOwnData(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    LPCSTR pszWindow = Tags::TagTxt(TAG_WINDOW);
    int d = nDepth + 1;
    return p->WriteIndent(nDepth) && p->WriteStartTag(pszWindow, nullptr, 0, nullptr, nullptr) &&
           p->WriteEscaped("\n") &&
           p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_HWND), HandleValue(hWnd), nullptr) &&
           p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_HPARENTWND), HandleValue(hParentWnd), nullptr) &&
           WriteClassInfo(d) && p->WriteSimpleTagUInt(d, "ProcessID", dwProcessId, nullptr) &&
           p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_THREADID), dwThreadId, nullptr) &&
           p->WriteSimpleTagUInt(d, "showCmd", wp.showCmd, ShowCmdName(wp.showCmd)) &&
           p->WriteSimpleTagInt(d, "Visible", bVisible, nullptr) &&
           p->WriteSimpleTagUInt(d, "Style", dwStyle, nullptr) &&
           p->WriteSimpleTagUInt(d, "ExtendedStyle", dwExStyle, nullptr) &&
           p->WriteSimpleTagUInt(d, "ClassStyle", dwClassStyle, nullptr) &&
           p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_ID), nId, nullptr) && WriteRect(d);
}

BOOL SIMCAP_WINDOW::WriteFont(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 1;
    return p->WriteIndent(nDepth) && p->WriteStartTag("Font", nullptr, 0, nullptr, nullptr) &&
           p->WriteEscaped("\n") && p->WriteSimpleTag(d, "FontFace", lf.lfFaceName, nullptr) &&
           p->WriteSimpleTagInt(d, "lfHeight", lf.lfHeight, nullptr) &&
           p->WriteSimpleTagInt(d, "lfWeight", lf.lfWeight, nullptr) &&
           p->WriteSimpleTagInt(d, "lfItalic", lf.lfItalic, nullptr) &&
           p->WriteSimpleTagInt(d, "lfUnderline", lf.lfUnderline, nullptr) && p->WriteIndent(nDepth) &&
           p->WriteEndTag("Font") && p->WriteEscaped("\n");
}

BOOL SIMCAP_WINDOW::BeginWrite(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 1;
    if (!p || !WriteOwnData(nDepth))
    {
        DebugOut("SimCap: Failed to Write Window Info\n");
        return FALSE;
    }
    if (!p->WriteSimpleTagInt(d, "TextLength", nTextLength, nullptr))
    {
        DebugOut("SIMCAP_WINDOW::Write(): Failed to Write Window Text Length\n");
        return FALSE;
    }
    if (pText && pText[0] && !p->WriteSimpleTag(d, "Text", pText, nullptr))
    {
        DebugOut("SIMCAP_WINDOW::Write(): Failed to Write Window Text\n");
        return FALSE;
    }
    // The face name is not terminated by a font that fills it.
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    if (lf.lfFaceName[0] && !WriteFont(d))
    {
        DebugOut("SimCap: Failed to Write Window Font Info\n");
        return FALSE;
    }
    // The accessibility XML stands as it was made, without indentation before its start tag.
    if (pAccessibility && pAccessibility[0] &&
        !p->WriteSimpleXML(0, "Accessibility", pAccessibility, nullptr))
    {
        DebugOut("SIMCAP_WINDOW::Write(): Failed to Write Window Text\n");
        return FALSE;
    }
    if (pMenu && !WriteMenu(d))
    {
        DebugOut("SimCap: Error writing Window Menu Information\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW::EndWrite(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    if (!children.Write(nDepth + 1))
    {
        DebugOut("SimCap: Error writing Window List\n");
        return FALSE;
    }
    if (!p->WriteIndent(nDepth) || !p->WriteEndTag(Tags::TagTxt(TAG_WINDOW)) || !p->WriteEscaped("\n"))
    {
        DebugOut("SimCap: Failed to Write Window Info ending tag\n");
        return FALSE;
    }
    return TRUE;
}
