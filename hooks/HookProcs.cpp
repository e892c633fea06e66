// The system-wide hook procedures. They run inside every hooked process, on whatever thread the system
// calls them on, where the recorder object does not exist: they use only their stack and the shared
// section, pack what they see into a record and send it to the recorder window, which filters it.
#include "host/SimCap.h"

#include "hooks/CALLWNDR.h"
#include "hooks/CopyDataRecords.h"
#include "hooks/SharedData.h"
#include "util/Diag.h"

namespace
{
DWORD HandleValue(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hwnd));
}

// Blocks the hooked thread until the recorder has handled the record; a failed send is ignored.
void SendRecord(ULONG_PTR dwData, void* pvRecord, DWORD cbRecord)
{
    HWND hwndRecorder = g_shared.hwndSimCap;
    if (!hwndRecorder) return;
    COPYDATASTRUCT cds = {dwData, cbRecord, pvRecord};
    SendMessageA(hwndRecorder, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

// Messages whose system-message record names the foreground window: focus, activation and keyboard.
BOOL WantsForegroundWindow(UINT message)
{
    switch (message)
    {
    case WM_ACTIVATE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SETHOTKEY:
    case WM_GETHOTKEY:
    case WM_HOTKEY: return TRUE;
    }
    return message >= WM_KEYDOWN && message <= WM_SYSDEADCHAR;
}

// Auto-repeat and release of Ctrl and Alt: the key was already down.
BOOL IsModifierRepeatOrRelease(const MSG& msg)
{
    BOOL bKey = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_SYSKEYDOWN ||
                msg.message == WM_SYSKEYUP;
    return bKey && (msg.lParam & (1L << 30)) && (msg.wParam == VK_CONTROL || msg.wParam == VK_MENU);
}
} // namespace

LRESULT CALLBACK SIMCAP::CbtHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    // The recorder takes its snapshot of the window while this thread waits, before the window goes.
    if (nCode == HCBT_DESTROYWND)
    {
        SIMCAP_COPYDATA_CBTEVENT record = {};
        record.dwKind = CBTEVENT_KIND;
        record.nCode = nCode;
        record.wParam = static_cast<DWORD>(wParam);
        record.hwnd = static_cast<DWORD>(wParam);
        SendRecord(COPYDATA_CBTEVENT, &record, sizeof(record));
    }
    return CallNextHookEx(g_shared.hhkCbt, nCode, wParam, lParam);
}

LRESULT CALLBACK SIMCAP::SimShellHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    HWND hwndRecorder = g_shared.hwndSimCap;
    // A registered number of 0 means its registration failed; WM_NULL is not sent in its place.
    UINT nMessage = 0;
    if (nCode == HSHELL_WINDOWCREATED)
        nMessage = g_shared.nWM_SIM_ADD_PROCESS;
    else if (nCode == HSHELL_WINDOWDESTROYED)
        nMessage = g_shared.nWM_SIM_REMOVE_PROCESS;
    if (nMessage && hwndRecorder) SendMessageA(hwndRecorder, nMessage, wParam, 0);
    return CallNextHookEx(g_shared.hhkSimShell, nCode, wParam, lParam);
}

LRESULT CALLBACK SIMCAP::MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode < 0)
    {
        DebugOut("SIMCAP:MouseHookProc(): skipping nCode < 0 mouse event\n");
        return CallNextHookEx(g_shared.hhkMouse, nCode, wParam, lParam);
    }
    // Moves are by far the most frequent messages and are never recorded: no record, no blocking send.
    const auto* pmhs = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    if (wParam != WM_MOUSEMOVE && wParam != WM_NCMOUSEMOVE && pmhs)
    {
        SIMCAP_COPYDATA_HOOKEVENT record = {};
        record.dwKind = HOOKEVENT_KIND_MOUSE;
        record.nCode = nCode;
        record.wParam = static_cast<DWORD>(wParam);
        record.mouse.x = pmhs->pt.x;
        record.mouse.y = pmhs->pt.y;
        record.mouse.hwnd = HandleValue(pmhs->hwnd);
        record.mouse.wHitTestCode = pmhs->wHitTestCode;
        record.mouse.dwExtraInfo = static_cast<DWORD>(pmhs->dwExtraInfo);
        SendRecord(COPYDATA_HOOKEVENT, &record, sizeof(record));
    }
    return CallNextHookEx(g_shared.hhkMouse, nCode, wParam, lParam);
}

LRESULT CALLBACK SIMCAP::SysMsgHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode < 0)
    {
        DebugOut("SIMCAP_SYSMSGEVENT::SysMsgHookProc(): skipping nCode < 0 mouse event\n");
        return CallNextHookEx(g_shared.hhkSysMsg, nCode, wParam, lParam);
    }
    const auto* pmsg = reinterpret_cast<const MSG*>(lParam);
    if (pmsg && !IsModifierRepeatOrRelease(*pmsg))
    {
        // Every other message is sent; the recorder decides what to keep.
        SIMCAP_COPYDATA_HOOKEVENT record = {};
        record.dwKind = HOOKEVENT_KIND_SYSMSG;
        record.hwndForeground = WantsForegroundWindow(pmsg->message) ? HandleValue(GetForegroundWindow()) : 0;
        record.nCode = nCode;
        record.wParam = static_cast<DWORD>(wParam);
        record.msg.hwnd = HandleValue(pmsg->hwnd);
        record.msg.message = pmsg->message;
        record.msg.wParam = static_cast<DWORD>(pmsg->wParam);
        record.msg.lParam = static_cast<LONG>(pmsg->lParam);
        record.msg.time = pmsg->time;
        record.msg.x = pmsg->pt.x;
        record.msg.y = pmsg->pt.y;
        SendRecord(COPYDATA_HOOKEVENT, &record, sizeof(record));
    }
    return CallNextHookEx(g_shared.hhkSysMsg, nCode, wParam, lParam);
}

LRESULT CALLBACK SIMCAP::CallWndRetHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode < 0)
    {
        DebugOut("SIMCAP::CallWndRetHookProc(): skipping nCode < 0\n");
        return CallNextHookEx(g_shared.hhkCallWndRet, nCode, wParam, lParam);
    }
    // The target's window procedure has ignored the recorder's request; its collector answers it here.
    const auto* pcwp = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    UINT nMessage = pcwp ? pcwp->message : 0;
    if (nMessage)
    {
        if (nMessage == g_shared.nWM_GetToolBarButton)
            CALLWNDR::zDoTbGetButton(pcwp->hwnd, pcwp->wParam, pcwp->lParam);
        else if (nMessage == g_shared.nWM_GetListBoxData)
            CALLWNDR::zDoLBGetData(pcwp->hwnd, pcwp->wParam, pcwp->lParam);
        else if (nMessage == g_shared.nWM_GetComboBoxData)
            CALLWNDR::zDoCBGetData(pcwp->hwnd, pcwp->wParam, pcwp->lParam);
        else if (nMessage == g_shared.nWM_GetMenuItemData)
            CALLWNDR::zDoGetMenuItemBmps(pcwp->hwnd, pcwp->wParam, pcwp->lParam);
        else if (nMessage == g_shared.nWM_GetButtonImage)
            CALLWNDR::zDoGetButtonImage(pcwp->hwnd, pcwp->wParam, pcwp->lParam);
    }
    return CallNextHookEx(g_shared.hhkCallWndRet, nCode, wParam, lParam);
}
