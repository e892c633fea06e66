// The hidden recorder window: commands, menu states, the tray popup and the records of other processes.
#include "host/SimCap.h"

#include <initializer_list>

#include "hooks/SharedData.h"
#include "util/Diag.h"

namespace
{
const char c_szIllegalState[] = "WinProc:SetMenuState: Illegal state specified.";
const char c_szIllegalStates[] = "WinProc:SetMenuStates: Illegal state specified.";

// Items that SetMenuStates manages; the last column is the popup item at position 8.
const UINT c_aManagedItems[] = {IDM_DEFINE_TARGET, IDM_STOP, IDM_STEP, IDM_INSERT_COMMENT, IDM_EXIT};

// One row per menu state: enabled flags of the managed items, then of position 8.
const BOOL c_aaItemEnabled[8][6] = {
    {FALSE, FALSE, FALSE, FALSE, FALSE, FALSE}, // MS_BUSY
    {TRUE, FALSE, FALSE, FALSE, TRUE, TRUE},    // MS_IDLE
    {TRUE, FALSE, FALSE, FALSE, TRUE, TRUE},    // MS_ARMED
    {TRUE, FALSE, FALSE, FALSE, TRUE, TRUE},    // MS_READY
    {FALSE, TRUE, TRUE, TRUE, FALSE, TRUE},     // MS_CAPTURING
    {FALSE, TRUE, FALSE, FALSE, TRUE, TRUE},    // MS_PAUSED
    {FALSE, FALSE, FALSE, FALSE, FALSE, FALSE}, // MS_WORKING
    {FALSE, FALSE, FALSE, FALSE, FALSE, FALSE}, // MS_STOPPING
};

BOOL IsListed(UINT nCommand, std::initializer_list<UINT> commands)
{
    for (UINT n : commands)
        if (n == nCommand) return TRUE;
    return FALSE;
}

// Popup menu loaded from the resource module, destroyed when it goes out of scope.
class LoadedMenu
{
  public:
    LoadedMenu(HINSTANCE hInstance, LPCSTR pszName) : hmenu(LoadMenuA(hInstance, pszName)) {}
    ~LoadedMenu()
    {
        if (hmenu) DestroyMenu(hmenu);
    }
    LoadedMenu(const LoadedMenu&) = delete;
    LoadedMenu& operator=(const LoadedMenu&) = delete;
    HMENU Get() const { return hmenu; }

  private:
    HMENU hmenu;
};
} // namespace

LRESULT CALLBACK SIMCAP::WndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pThis = reinterpret_cast<SIMCAP*>(static_cast<LONG_PTR>(GetWindowLongA(hwnd, 0)));
    if (!pThis) return DefWindowProcA(hwnd, uMsg, wParam, lParam);
    switch (uMsg)
    {
    case WM_COMMAND: pThis->OnCommand(hwnd, LOWORD(wParam), lParam, HIWORD(wParam)); return 0;
    case WM_USER: pThis->OnTrayNotify(lParam); return 1;
    case WM_COPYDATA: pThis->OnCopyData(hwnd, wParam, lParam); return 0;
    case WM_DESTROY:
        pThis->bQuitting = TRUE;
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: DefWindowProcA(hwnd, WM_PAINT, 0, 0); return 0;
    }
    // Registered messages are not constants; a zero number means its registration failed.
    if (uMsg != 0 && uMsg == g_shared.nWM_SIM_ADD_PROCESS)
        pThis->OnAddProcess(reinterpret_cast<HWND>(wParam));
    else if (uMsg != 0 && uMsg == g_shared.nWM_SIM_REMOVE_PROCESS)
        pThis->OnRemoveProcess(reinterpret_cast<HWND>(wParam));
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}

BOOL SIMCAP::IsCommandAllowed(UINT nCommand)
{
    switch (nMenuState)
    {
    case MS_BUSY:
    case MS_WORKING:
    case MS_STOPPING: return FALSE;
    case MS_IDLE: return IsListed(nCommand, {IDM_DEFINE_TARGET, IDM_EXIT});
    case MS_ARMED:
    case MS_READY: return IsListed(nCommand, {IDM_DEFINE_TARGET, IDM_TOGGLE_HOTKEYS, IDM_START, IDM_EXIT});
    case MS_CAPTURING:
        return IsListed(nCommand, {IDM_STOP, IDM_PAUSE, IDM_STEP, IDM_INSERT_COMMENT, IDM_EXIT});
    case MS_PAUSED: return IsListed(nCommand, {IDM_STOP, IDM_RESUME, IDM_EXIT});
    }
    DebugOut(c_szIllegalState);
    return FALSE;
}

void SIMCAP::SetMenuState(HWND, UINT nState)
{
    if (nState > MS_STOPPING)
    {
        DebugOut(c_szIllegalState);
        return;
    }
    nMenuState = nState;
}

void SIMCAP::SetMenuStates(HWND, HMENU hmenuPopup)
{
    UINT nState = nMenuState;
    if (nState > MS_STOPPING)
    {
        DebugOut(c_szIllegalStates);
        return;
    }
    const BOOL* pbEnabled = c_aaItemEnabled[nState];
    for (size_t i = 0; i < ARRAYSIZE(c_aManagedItems); ++i)
        EnableMenuItem(hmenuPopup, c_aManagedItems[i],
                       MF_BYCOMMAND | (pbEnabled[i] ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(hmenuPopup, 8,
                   MF_BYPOSITION | (pbEnabled[ARRAYSIZE(c_aManagedItems)] ? MF_ENABLED : MF_GRAYED));
}

void SIMCAP::ToggleHotkeys(HWND hwnd)
{
    if (bKeysHooked)
    {
        UnhookKeys(hwnd);
        SetMenuState(hwnd, MS_READY);
    }
    else
    {
        HookKeys(hwnd);
        SetMenuState(hwnd, MS_ARMED);
    }
}

void SIMCAP::OnCommand(HWND hwnd, UINT nCommand, LPARAM, UINT)
{
    if (nCommand < IDM_DEFINE_TARGET || nCommand > IDM_EXIT) return;
    switch (nCommand)
    {
    case IDM_DEFINE_TARGET:
        if (nMenuState == MS_ARMED) ToggleHotkeys(hwnd);
        Sleep(100);
        CallSetup(hInstance, Window());
        break;
    case IDM_TOGGLE_HOTKEYS: ToggleHotkeys(hwnd); break;
    case IDM_START: StartCapture(); break;
    case IDM_STOP: StopCapture(); break;
    case IDM_SHOW_ERROR: ShowErrorBox(); break;
    case IDM_PAUSE:
        if (IsCommandAllowed(nCommand))
        {
            SetMenuState(hwnd, MS_BUSY);
            ShowMessage(hwnd, "TODO: Handle 'Pause' menu item", MB_ICONINFORMATION);
            SetMenuState(hwnd, MS_PAUSED);
        }
        break;
    case IDM_RESUME:
        if (IsCommandAllowed(nCommand))
        {
            SetMenuState(hwnd, MS_BUSY);
            ShowMessage(hwnd, "TODO: Handle 'Resume' menu item", MB_ICONINFORMATION);
            SetMenuState(hwnd, MS_CAPTURING);
        }
        break;
    case IDM_STEP: CaptureStep(FALSE); break;
    case IDM_INSERT_COMMENT:
        if (IsCommandAllowed(nCommand))
            ShowMessage(Window(), "TODO: Handle 'Insert Comment' Capture Operation", MB_ICONINFORMATION);
        break;
    case IDM_HIDDEN_WINDOWS: bIncludeHiddenWindows = bIncludeHiddenWindows == 0 ? 1 : 0; break;
    case IDM_MOUSE_EVENTS: bIncludeMouseEvents = bIncludeMouseEvents == 0 ? 1 : 0; break;
    case IDM_JOURNAL_EVENTS: bIncludeJournalEvents = bIncludeJournalEvents == 0 ? 1 : 0; break;
    case IDM_EXIT:
        if (IsCommandAllowed(nCommand)) DestroyWindow(hwnd);
        break;
    }
}

void SIMCAP::OnTrayNotify(LPARAM lParam)
{
    switch (static_cast<UINT>(lParam))
    {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: SetForegroundWindow(Window()); return;
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP: break;
    default: return;
    }

    POINT pt = {};
    GetCursorPos(&pt);
    LoadedMenu menu(hInstance, "SimCap");
    HMENU hmenuPopup = menu.Get() ? GetSubMenu(menu.Get(), 0) : nullptr;
    if (!hmenuPopup) return;
    CheckMenuItem(hmenuPopup, IDM_HIDDEN_WINDOWS, bIncludeHiddenWindows > 0 ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(hmenuPopup, IDM_MOUSE_EVENTS, bIncludeMouseEvents > 0 ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(hmenuPopup, IDM_JOURNAL_EVENTS, bIncludeJournalEvents > 0 ? MF_CHECKED : MF_UNCHECKED);
    SetMenuStates(Window(), hmenuPopup);
    SetForegroundWindow(Window());
    UINT nCommand = static_cast<UINT>(
        TrackPopupMenu(hmenuPopup, TPM_RIGHTBUTTON | TPM_RETURNCMD, pt.x, pt.y, 0, Window(), nullptr));
    OnCommand(Window(), nCommand, 0, 0);
    PostMessageA(Window(), WM_NULL, 0, 0);
}
