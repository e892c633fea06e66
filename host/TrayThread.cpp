// The notification-area icon: added, animated once a second by the menu state, and removed at the end.
#include "host/SimCap.h"

#include <shellapi.h>

#include "util/Diag.h"

UINT g_nTrayIcon;

namespace
{
const UINT c_nTrayIconId = 275;

// An icon of the resource module at the small-icon size; the shell copies it, so it lives only for the call.
class SmallIcon
{
  public:
    SmallIcon(HINSTANCE hInstance, UINT nId)
        : hicon(
              static_cast<HICON>(LoadImageA(hInstance, MAKEINTRESOURCEA(nId), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)))
    {
    }
    ~SmallIcon()
    {
        if (hicon) DestroyIcon(hicon);
    }
    SmallIcon(const SmallIcon&) = delete;
    SmallIcon& operator=(const SmallIcon&) = delete;
    HICON Get() const { return hicon; }

  private:
    HICON hicon;
};

UINT NextFrame(UINT nState, UINT nIcon)
{
    if (nState == MS_CAPTURING || nState == MS_WORKING)
        return nIcon == IDI_RECORDING_1 ? IDI_RECORDING_2 : IDI_RECORDING_1;
    if (nState == MS_STOPPING) return nIcon == IDI_STOPPING_1 ? IDI_STOPPING_2 : IDI_STOPPING_1;
    return IDI_IDLE;
}
} // namespace

BOOL SIMCAP::CreateTrayThread()
{
    hTrayThread = CreateThread(nullptr, 0, TrayThreadProc, reinterpret_cast<LPVOID>(1), 0, nullptr);
    if (!hTrayThread)
    {
        DebugOut("Tray thread was not created.\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP::DestroyTrayThread()
{
    if (!hTrayThread) return TRUE;
    WaitForSingleObject(hTrayThread, INFINITE);
    BOOL bClosed = CloseHandle(hTrayThread);
    if (!bClosed) DebugOut("In DestroyTrayThread - hTrayThread NOT CLOSED.\n");
    hTrayThread = nullptr;
    return bClosed;
}

BOOL SIMCAP::ProcessIconInfo(DWORD dwAction, UINT nIconId)
{
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE; // the original structure: every shell version accepts it
    nid.hWnd = Window();
    nid.uID = c_nTrayIconId;
    if (dwAction == NIM_ADD || dwAction == NIM_MODIFY)
    {
        SmallIcon icon(hInstance, nIconId);
        nid.uFlags = dwAction == NIM_ADD ? NIF_MESSAGE | NIF_ICON : NIF_ICON;
        nid.uCallbackMessage = WM_USER;
        nid.hIcon = icon.Get();
        return Shell_NotifyIconA(dwAction, &nid);
    }
    nid.uFlags = 0;
    return Shell_NotifyIconA(dwAction, &nid);
}

DWORD WINAPI SIMCAP::TrayThreadProc(LPVOID pvParam)
{
    DebugOutF("Tray thread started with dwData=%u\n",
              static_cast<unsigned>(reinterpret_cast<UINT_PTR>(pvParam)));
    SIMCAP* pThis = g_pSimCap;
    if (!pThis || !pThis->ProcessIconInfo(NIM_ADD, IDI_IDLE))
    {
        DebugOut("SIMCAP::init() - ProcessIconInfo with NIM_ADD returned FALSE.\n");
        return 0;
    }
    g_nTrayIcon = IDI_IDLE;

    for (;;)
    {
        UINT nState = pThis->nMenuState;
        BOOL bAnimated = nState == MS_CAPTURING || nState == MS_WORKING || nState == MS_STOPPING;
        if (!bAnimated && pThis->bQuitting) break;
        UINT nNext = NextFrame(nState, g_nTrayIcon);
        if (g_nTrayIcon != 0 && nNext != g_nTrayIcon)
        {
            if (pThis->ProcessIconInfo(NIM_MODIFY, nNext))
                g_nTrayIcon = nNext;
            else
                DebugOut("SimCap: Error modifying icon in the Windows Taskbar Notification Area\n");
        }
        Sleep(1000);
    }

    if (g_nTrayIcon != 0)
    {
        if (!pThis->ProcessIconInfo(NIM_DELETE, 0))
            DebugOut("SimCap: Error removing icon from the Windows Taskbar Notification Area");
        g_nTrayIcon = 0;
    }
    DebugOut("Exited tray thread loop.\n");
    return 0;
}
