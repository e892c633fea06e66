// SimTarget.exe: the application the multi-process tests record. It has what the hooks watch for — a
// button to click, an edit box to type into, a menu, a modal dialog, windows that come and go — and it
// does what a test posts to it, since a window can only be destroyed by its own thread.
#include <windows.h>

#include <commctrl.h>
#include <string.h>

#include "hooks/SharedData.h"
#include "tests/targets/TargetApp.h"

namespace
{
HINSTANCE g_hInstance;
HWND g_hwndMain;
HWND g_hwndButton;
HWND g_hwndEdit;
HWND g_hwndPopup;
BOOL g_bLarge;
HWND g_hwndHung; // made by its own thread; read after that thread said it is there
HWND g_hwndVanishingChild;
HWND g_hwndVanishingTop;

// Posted to the hung window: wParam is TARGET_CMD_HANG or TARGET_CMD_STALL, lParam the milliseconds.
const UINT c_nWmHang = WM_APP + 1;

// A dialog template built in memory: DWORD-aligned items after the header.
class DialogTemplate
{
  public:
    DialogTemplate(LPCWSTR pszTitle, short cx, short cy)
    {
        DWORD dwStyle = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        AddDword(dwStyle);
        AddDword(0);
        iCount = cw;
        Add(0);
        AddShorts(0, 0, cx, cy);
        Add(0); // no menu
        Add(0); // standard class
        AddText(pszTitle);
        Add(8);
        AddText(L"MS Shell Dlg");
    }

    void AddItem(WORD wAtom, WORD wId, DWORD dwStyle, LPCWSTR pszText, short x, short y, short cx, short cy)
    {
        if (cw % 2) Add(0);
        AddDword(dwStyle | WS_CHILD | WS_VISIBLE);
        AddDword(0);
        AddShorts(x, y, cx, cy);
        Add(wId);
        Add(0xFFFF);
        Add(wAtom);
        AddText(pszText);
        Add(0);
        ++aw[iCount];
    }

    LPCDLGTEMPLATEA Get() const { return reinterpret_cast<LPCDLGTEMPLATEA>(aw); }

  private:
    void Add(WORD w)
    {
        if (cw < ARRAYSIZE(aw)) aw[cw++] = w;
    }
    void AddDword(DWORD dw)
    {
        Add(LOWORD(dw));
        Add(HIWORD(dw));
    }
    void AddShorts(short x, short y, short cx, short cy)
    {
        Add(static_cast<WORD>(x));
        Add(static_cast<WORD>(y));
        Add(static_cast<WORD>(cx));
        Add(static_cast<WORD>(cy));
    }
    void AddText(LPCWSTR psz)
    {
        do
            Add(static_cast<WORD>(*psz));
        while (*psz++);
    }

    alignas(4) WORD aw[512] = {};
    UINT cw = 0;
    UINT iCount = 0;
};

INT_PTR CALLBACK DialogProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg)
    {
    case WM_INITDIALOG: SetFocus(GetDlgItem(hdlg, TARGET_ID_DIALOG_EDIT)); return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            EndDialog(hdlg, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void OpenDialog(HWND hwndOwner)
{
    DialogTemplate dialog(L"SimTarget Dialog", 180, 80);
    dialog.AddItem(0x0081, TARGET_ID_DIALOG_EDIT, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, L"", 10, 10, 160,
                   14);
    dialog.AddItem(0x0080, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, L"OK", 30, 55, 50, 14);
    dialog.AddItem(0x0080, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, L"Cancel", 100, 55, 50, 14);
    DialogBoxIndirectParamA(g_hInstance, dialog.Get(), hwndOwner, DialogProc, 0);
}

// The test library's shared section, as this process maps it.
LRESULT ReadShared(WPARAM ibOffset)
{
    HMODULE hLibrary = GetModuleHandleA(TARGET_TEST_LIBRARY);
    if (!hLibrary) hLibrary = LoadLibraryA(TARGET_TEST_LIBRARY);
    if (!hLibrary || ibOffset % 4 || ibOffset + sizeof(DWORD) > offsetof(SHARED_DATA, dwHandOverKey))
        return static_cast<LRESULT>(0xFFFFFFFF);
    typedef const BYTE*(WINAPI * GetSharedDataProc)();
    auto pfnGetSharedData = reinterpret_cast<GetSharedDataProc>(
        reinterpret_cast<void*>(GetProcAddress(hLibrary, "SimCap_GetSharedData@0")));
    if (!pfnGetSharedData)
        pfnGetSharedData = reinterpret_cast<GetSharedDataProc>(
            reinterpret_cast<void*>(GetProcAddress(hLibrary, "SimCap_GetSharedData")));
    if (!pfnGetSharedData) return static_cast<LRESULT>(0xFFFFFFFF);
    return static_cast<LRESULT>(*reinterpret_cast<const DWORD*>(pfnGetSharedData() + ibOffset));
}

void Hang(WPARAM nCommand, DWORD dwMs)
{
    if (nCommand == TARGET_CMD_HANG)
    {
        Sleep(dwMs);
        return;
    }
    // Waiting for posted messages alone: a thread that waits for input is not hung in the system's eyes,
    // but a message sent to it waits, since only a read of the queue takes sent messages.
    DWORD dwStart = GetTickCount();
    for (DWORD dwSpent = 0; dwSpent < dwMs; dwSpent = GetTickCount() - dwStart)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, dwMs - dwSpent, QS_POSTMESSAGE);
}

LRESULT CALLBACK HungWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg != c_nWmHang) return DefWindowProcA(hwnd, uMsg, wParam, lParam);
    Hang(wParam, static_cast<DWORD>(lParam));
    return 0;
}

DWORD WINAPI HungThreadProc(LPVOID pvReady)
{
    // Visible from its creation: a recorder takes in only the new top-level windows that are visible when
    // they are announced.
    HWND hwnd =
        CreateWindowExA(0, TARGET_HUNG_CLASS, "SimTarget Hung", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 420,
                        40, 200, 40 + 30 * TARGET_HUNG_BUTTONS, nullptr, nullptr, g_hInstance, nullptr);
    for (unsigned i = 0; hwnd && i < TARGET_HUNG_BUTTONS; ++i)
        CreateWindowExA(0, "BUTTON", "Wait", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 5 + 30 * i, 100, 26,
                        hwnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(i + 1)), g_hInstance, nullptr);
    g_hwndHung = hwnd;
    SetEvent(static_cast<HANDLE>(pvReady));
    MSG msg;
    while (hwnd && GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

void HangSecondThread(UINT nCommand, LPARAM lParam)
{
    if (!g_hwndHung)
    {
        HANDLE hReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE hThread = hReady ? CreateThread(nullptr, 0, HungThreadProc, hReady, 0, nullptr) : nullptr;
        if (hThread)
        {
            WaitForSingleObject(hReady, 10000);
            CloseHandle(hThread);
        }
        if (hReady) CloseHandle(hReady);
    }
    if (g_hwndHung) PostMessageA(g_hwndHung, c_nWmHang, nCommand, lParam);
}

void ShowVanishing()
{
    if (!g_hwndVanishingChild)
        g_hwndVanishingChild =
            CreateWindowExA(0, TARGET_VANISHING_CLASS, "Vanishing", WS_CHILD | WS_VISIBLE | WS_BORDER, 250,
                            10, 80, 30, g_hwndMain, nullptr, g_hInstance, nullptr);
    if (!g_hwndVanishingTop)
        g_hwndVanishingTop =
            CreateWindowExA(0, TARGET_VANISHING_CLASS, "Vanishing", WS_POPUP | WS_BORDER | WS_VISIBLE, 420,
                            420, 120, 60, nullptr, nullptr, g_hInstance, nullptr);
}

LRESULT CALLBACK VanishingWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // The first question for the text takes the window away; what its destruction asks is answered.
    if (uMsg != WM_GETTEXT || (hwnd != g_hwndVanishingChild && hwnd != g_hwndVanishingTop))
        return DefWindowProcA(hwnd, uMsg, wParam, lParam);
    (hwnd == g_hwndVanishingChild ? g_hwndVanishingChild : g_hwndVanishingTop) = nullptr;
    DestroyWindow(hwnd);
    PostMessageA(g_hwndMain, WM_COMMAND, TARGET_CMD_VANISHING, 0);
    return 0;
}

void OnCommand(HWND hwnd, UINT nCommand, LPARAM lParam)
{
    switch (nCommand)
    {
    case TARGET_CMD_OPEN_DIALOG: OpenDialog(hwnd); break;
    case TARGET_CMD_EXIT: DestroyWindow(hwnd); break;
    case TARGET_CMD_ACTIVATE:
        SetForegroundWindow(hwnd);
        SetActiveWindow(hwnd);
        SetFocus(g_hwndEdit);
        break;
    case TARGET_CMD_DESTROY_BUTTON:
        if (g_hwndButton) DestroyWindow(g_hwndButton);
        g_hwndButton = nullptr;
        break;
    case TARGET_CMD_OPEN_POPUP:
        if (!g_hwndPopup)
            g_hwndPopup =
                CreateWindowExA(0, TARGET_POPUP_CLASS, "SimTarget Popup", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                400, 300, 200, 120, nullptr, nullptr, g_hInstance, nullptr);
        break;
    case TARGET_CMD_CLOSE_POPUP:
        if (g_hwndPopup) DestroyWindow(g_hwndPopup);
        g_hwndPopup = nullptr;
        break;
    case TARGET_CMD_HANG:
    case TARGET_CMD_STALL: HangSecondThread(nCommand, lParam); break;
    case TARGET_CMD_VANISHING: ShowVanishing(); break;
    }
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_COMMAND: OnCommand(hwnd, LOWORD(wParam), lParam); return 0;
    case WM_SETFOCUS:
        if (g_hwndEdit) SetFocus(g_hwndEdit);
        return 0;
    case TARGET_WM_READ_SHARED: return ReadShared(wParam);
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}

// A 16 x 16 bitmap of the screen's format, filled with one colour.
HBITMAP SolidBitmap(COLORREF cr)
{
    HDC hdcScreen = GetDC(nullptr);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, 16, 16);
    HDC hdc = CreateCompatibleDC(hdcScreen);
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    HBRUSH hbr = CreateSolidBrush(cr);
    RECT rc = {0, 0, 16, 16};
    FillRect(hdc, &rc, hbr);
    DeleteObject(hbr);
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    ReleaseDC(nullptr, hdcScreen);
    return hbm;
}

HMENU CreateMainMenu()
{
    HMENU hmenuFile = CreatePopupMenu();
    AppendMenuA(hmenuFile, MF_STRING, TARGET_CMD_OPEN_DIALOG, "&Open Dialog...");
    AppendMenuA(hmenuFile, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(hmenuFile, MF_STRING, TARGET_CMD_EXIT, "E&xit");
    HMENU hmenuBar = CreateMenu();
    AppendMenuA(hmenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(hmenuFile), "&File");
    if (g_bLarge)
    {
        HMENU hmenuItems = CreatePopupMenu();
        for (unsigned i = 0; i < TARGET_LARGE_MENU_ITEMS; ++i)
        {
            char sz[32];
            wsprintfA(sz, "Item %u", i + 1);
            AppendMenuA(hmenuItems, MF_STRING, 1000 + i, sz);
        }
        AppendMenuA(hmenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(hmenuItems), "&Items");
        return hmenuBar;
    }
    HMENU hmenuMore = CreatePopupMenu();
    AppendMenuA(hmenuMore, MF_STRING, TARGET_CMD_VIEW_DEEPER, "Deeper");
    HMENU hmenuView = CreatePopupMenu();
    AppendMenuA(hmenuView, MF_STRING | MF_CHECKED, TARGET_CMD_VIEW_CHECKED, "&Checked");
    AppendMenuA(hmenuView, MF_STRING, TARGET_CMD_VIEW_BITMAP, "&Bitmap");
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_BITMAP;
    mii.hbmpItem = SolidBitmap(RGB(200, 0, 0));
    SetMenuItemInfoA(hmenuView, TARGET_CMD_VIEW_BITMAP, FALSE, &mii);
    AppendMenuA(hmenuView, MF_STRING, TARGET_CMD_VIEW_MARKS, "&Marks");
    SetMenuItemBitmaps(hmenuView, TARGET_CMD_VIEW_MARKS, MF_BYCOMMAND, SolidBitmap(RGB(0, 0, 200)),
                       SolidBitmap(RGB(0, 200, 0)));
    AppendMenuA(hmenuView, MF_POPUP, reinterpret_cast<UINT_PTR>(hmenuMore), "&More");
    AppendMenuA(hmenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(hmenuView), "&View");
    return hmenuBar;
}

HWND CreateChild(DWORD dwExStyle, LPCSTR pszClass, DWORD dwStyle, int x, int y, int cx, int cy, UINT nId)
{
    return CreateWindowExA(dwExStyle, pszClass, "", WS_CHILD | WS_VISIBLE | dwStyle, x, y, cx, cy, g_hwndMain,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nId)), g_hInstance, nullptr);
}

// The controls that show items, with their contents.
void CreateItemControls()
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&icc);
    HWND hwndList = CreateChild(WS_EX_CLIENTEDGE, "LISTBOX", LBS_MULTIPLESEL | LBS_NOTIFY | WS_VSCROLL, 10,
                                90, 150, 90, TARGET_ID_LISTBOX);
    HWND hwndCombo =
        CreateChild(0, "COMBOBOX", CBS_DROPDOWN | WS_VSCROLL, 170, 90, 150, 120, TARGET_ID_COMBOBOX);
    HWND hwndComboEx =
        CreateChild(0, WC_COMBOBOXEXA, CBS_DROPDOWNLIST, 170, 130, 150, 120, TARGET_ID_COMBOBOXEX);
    HWND hwndToolbar = CreateChild(0, TOOLBARCLASSNAMEA, TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_BOTTOM, 0, 0,
                                   0, 0, TARGET_ID_TOOLBAR);
    SendMessageA(hwndToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    if (g_bLarge)
    {
        char sz[32];
        for (unsigned i = 0; i < TARGET_LARGE_LIST_ITEMS; ++i)
        {
            wsprintfA(sz, "List item %u", i + 1);
            SendMessageA(hwndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sz));
        }
        for (unsigned i = 0; i < TARGET_LARGE_COMBO_ITEMS; ++i)
        {
            wsprintfA(sz, "Combo item %u", i + 1);
            SendMessageA(hwndCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sz));
        }
        for (unsigned i = 0; i < TARGET_LARGE_TOOL_BUTTONS; ++i)
        {
            wsprintfA(sz, "B%u", i + 1);
            TBBUTTON tbb = {
                I_IMAGENONE, static_cast<int>(500 + i),    TBSTATE_ENABLED, BTNS_BUTTON | BTNS_SHOWTEXT, {},
                0,           reinterpret_cast<INT_PTR>(sz)};
            SendMessageA(hwndToolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&tbb));
        }
        SendMessageA(hwndToolbar, TB_AUTOSIZE, 0, 0);
        return;
    }
    for (LPCSTR psz : c_apszTargetListItems)
        SendMessageA(hwndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(psz));
    SendMessageA(hwndList, LB_SETSEL, TRUE, 0);
    SendMessageA(hwndList, LB_SETSEL, TRUE, 2);
    for (LPCSTR psz : c_apszTargetComboItems)
        SendMessageA(hwndCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(psz));
    SendMessageA(hwndCombo, CB_SETCURSEL, 1, 0);
    int i = 0;
    for (LPCSTR psz : c_apszTargetComboExItems)
    {
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_TEXT;
        item.iItem = i++;
        item.pszText = const_cast<LPSTR>(psz);
        SendMessageA(hwndComboEx, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    const char* const* apszTexts = c_apszTargetToolTexts;
    const char* const* apszTips = c_apszTargetToolTips;
    for (int k = 0; k < 3; ++k)
    {
        TBBUTTON tbb = {I_IMAGENONE,
                        600 + k,
                        TBSTATE_ENABLED,
                        BTNS_BUTTON | BTNS_SHOWTEXT,
                        {},
                        0,
                        reinterpret_cast<INT_PTR>(apszTexts[k])};
        SendMessageA(hwndToolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&tbb));
    }
    SendMessageA(hwndToolbar, TB_AUTOSIZE, 0, 0);
    HWND hwndTips = reinterpret_cast<HWND>(SendMessageA(hwndToolbar, TB_GETTOOLTIPS, 0, 0));
    for (int k = 0; hwndTips && k < 3; ++k)
    {
        TOOLINFOA ti = {};
        ti.cbSize = sizeof(ti);
        ti.hwnd = hwndToolbar;
        ti.uId = static_cast<UINT_PTR>(600 + k);
        ti.lpszText = const_cast<LPSTR>(apszTips[k]);
        SendMessageA(hwndTips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    HWND hwndBitmapButton =
        CreateChild(0, "BUTTON", BS_PUSHBUTTON | BS_BITMAP, 120, 10, 40, 30, TARGET_ID_BITMAP_BUTTON);
    SendMessageA(hwndBitmapButton, BM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(SolidBitmap(RGB(255, 200, 0))));
}

BOOL RegisterClasses()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = TARGET_MAIN_CLASS;
    if (!RegisterClassA(&wc)) return FALSE;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = TARGET_POPUP_CLASS;
    if (!RegisterClassA(&wc)) return FALSE;
    wc.lpfnWndProc = HungWndProc;
    wc.lpszClassName = TARGET_HUNG_CLASS;
    if (!RegisterClassA(&wc)) return FALSE;
    wc.lpfnWndProc = VanishingWndProc;
    wc.lpszClassName = TARGET_VANISHING_CLASS;
    return RegisterClassA(&wc) != 0;
}
} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR pszCmdLine, int)
{
    g_hInstance = hInstance;
    g_bLarge = pszCmdLine && strstr(pszCmdLine, TARGET_ARG_LARGE) != nullptr;
    if (!RegisterClasses()) return 1;
    g_hwndMain = CreateWindowExA(0, TARGET_MAIN_CLASS, "SimTarget", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                 360, 300, nullptr, CreateMainMenu(), hInstance, nullptr);
    if (!g_hwndMain) return 1;
    g_hwndButton =
        CreateWindowExA(0, "BUTTON", "Press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 30,
                        g_hwndMain, reinterpret_cast<HMENU>(TARGET_ID_BUTTON), hInstance, nullptr);
    g_hwndEdit =
        CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 50, 200, 24,
                        g_hwndMain, reinterpret_cast<HMENU>(TARGET_ID_EDIT), hInstance, nullptr);
    CreateItemControls();
    SetForegroundWindow(g_hwndMain);
    SetFocus(g_hwndEdit);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
