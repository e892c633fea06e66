// SimTarget.exe: the application the multi-process tests record. It has what the hooks watch for — a
// button to click, an edit box to type into, a menu, a modal dialog, windows that come and go — and it
// does what a test posts to it, since a window can only be destroyed by its own thread.
#include <windows.h>

#include "tests/targets/TargetApp.h"

namespace
{
HINSTANCE g_hInstance;
HWND g_hwndMain;
HWND g_hwndButton;
HWND g_hwndEdit;
HWND g_hwndPopup;

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
    if (!hLibrary || ibOffset % 4 || ibOffset >= 72) return static_cast<LRESULT>(0xFFFFFFFF);
    typedef const BYTE*(WINAPI * GetSharedDataProc)();
    auto pfnGetSharedData = reinterpret_cast<GetSharedDataProc>(
        reinterpret_cast<void*>(GetProcAddress(hLibrary, "SimCap_GetSharedData@0")));
    if (!pfnGetSharedData)
        pfnGetSharedData = reinterpret_cast<GetSharedDataProc>(
            reinterpret_cast<void*>(GetProcAddress(hLibrary, "SimCap_GetSharedData")));
    if (!pfnGetSharedData) return static_cast<LRESULT>(0xFFFFFFFF);
    return static_cast<LRESULT>(*reinterpret_cast<const DWORD*>(pfnGetSharedData() + ibOffset));
}

void OnCommand(HWND hwnd, UINT nCommand)
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
    }
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_COMMAND: OnCommand(hwnd, LOWORD(wParam)); return 0;
    case WM_SETFOCUS:
        if (g_hwndEdit) SetFocus(g_hwndEdit);
        return 0;
    case TARGET_WM_READ_SHARED: return ReadShared(wParam);
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}

HMENU CreateMainMenu()
{
    HMENU hmenuFile = CreatePopupMenu();
    AppendMenuA(hmenuFile, MF_STRING, TARGET_CMD_OPEN_DIALOG, "&Open Dialog...");
    AppendMenuA(hmenuFile, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(hmenuFile, MF_STRING, TARGET_CMD_EXIT, "E&xit");
    HMENU hmenuBar = CreateMenu();
    AppendMenuA(hmenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(hmenuFile), "&File");
    return hmenuBar;
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
    return RegisterClassA(&wc) != 0;
}
} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    g_hInstance = hInstance;
    if (!RegisterClasses()) return 1;
    g_hwndMain = CreateWindowExA(0, TARGET_MAIN_CLASS, "SimTarget", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                 360, 240, nullptr, CreateMainMenu(), hInstance, nullptr);
    if (!g_hwndMain) return 1;
    g_hwndButton =
        CreateWindowExA(0, "BUTTON", "Press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 30,
                        g_hwndMain, reinterpret_cast<HMENU>(TARGET_ID_BUTTON), hInstance, nullptr);
    g_hwndEdit =
        CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 50, 200, 24,
                        g_hwndMain, reinterpret_cast<HMENU>(TARGET_ID_EDIT), hInstance, nullptr);
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
