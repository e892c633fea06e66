#include "hooks/ControlRequest.h"

#include "hooks/ControlDataRecords.h"
#include "hooks/CopyDataRecords.h"
#include "host/SimCap.h"
#include "util/BoundedSend.h"
#include "util/Diag.h"

namespace
{
// The configured wait, within what the snapshot's budget for silent targets has left.
DWORD ReplyWaitMs()
{
    DWORD dwWaitMs = g_pSimCap ? g_pSimCap->dwReplyWaitMs : c_dwDefaultReplyWaitMs;
    DWORD dwLeftMs = SendBudget::Remaining();
    return dwLeftMs < dwWaitMs ? dwLeftMs : dwWaitMs;
}

BOOL Refuse(ULONG_PTR dwData, DWORD cbRecord, LPCSTR pszWhy)
{
    DebugOutF("SIMCAP::OnCopyData(): reply %lu of %lu bytes %s; dropped\n",
              static_cast<unsigned long>(dwData), static_cast<unsigned long>(cbRecord), pszWhy);
    return FALSE;
}

// Adds a block size to a running total; FALSE when the total would pass cbLimit.
BOOL AddBlock(DWORD* pcbTotal, DWORD cbBlock, DWORD cbLimit)
{
    if (cbBlock > cbLimit - *pcbTotal) return FALSE;
    *pcbTotal += cbBlock;
    return TRUE;
}
} // namespace

BOOL RequestControlData(HWND hwnd, UINT nMessage, WPARAM wParam, ULONG_PTR dwReply, void* pvObject,
                        ReplySink pfnSink)
{
    if (!g_pSimCap || !nMessage || !hwnd) return FALSE;
    // A record handled while a request waits (a destroyed window described at once) may take a snapshot
    // of its own; its requests are not made, so the waiting one keeps its reply.
    if (g_pSimCap->IsAwaitingReply())
    {
        DebugOut("RequestControlData(): a request is already waiting; this one is not made\n");
        return FALSE;
    }
    DWORD dwWaitMs = ReplyWaitMs();
    DWORD dwStart = GetTickCount();
    g_pSimCap->BeginAwaitReply(dwReply, pvObject, pfnSink);
    DWORD_PTR dwResult = 0;
    BOOL bSent = BoundedSend(hwnd, nMessage, wParam, reinterpret_cast<LPARAM>(pvObject), &dwResult);
    // The reply is a message sent to this thread: handle those, and nothing else, until it is here. The
    // peek hands over what has arrived, the reply among it, so the wait follows only when it is not here.
    while (bSent && !g_pSimCap->ReplyTaken())
    {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        DWORD dwSpent = GetTickCount() - dwStart;
        if (g_pSimCap->ReplyTaken() || dwSpent >= dwWaitMs) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, dwWaitMs - dwSpent, QS_SENDMESSAGE);
    }
    BOOL bTaken = g_pSimCap->ReplyTaken();
    g_pSimCap->EndAwaitReply();
    if (!bTaken)
        DebugOutF("RequestControlData(): no reply from window %lu to request %u\n",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)), nMessage);
    return bTaken;
}

LRESULT AskControl(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT lDefault)
{
    DWORD_PTR dwResult = 0;
    if (!BoundedSend(hwnd, uMsg, wParam, lParam, &dwResult)) return lDefault;
    return static_cast<LRESULT>(dwResult);
}

BOOL ControlReplyFits(ULONG_PTR dwData, const BYTE* pbRecord, DWORD cbRecord)
{
    DWORD cbNeeded = 0;
    switch (dwData)
    {
    case COPYDATA_TOOLBAR_BUTTON_REPLY: cbNeeded = sizeof(SIMCAP_COPYDATA_TOOLBAR_GETBUTTON); break;
    case COPYDATA_BUTTON_IMAGE_REPLY: cbNeeded = sizeof(SIMCAP_COPYDATA_BUTTON_IMAGE); break;
    case COPYDATA_LISTBOX_REPLY: {
        cbNeeded = sizeof(SIMCAP_COPYDATA_LISTBOX_GETDATA);
        if (cbRecord < cbNeeded) break;
        SIMCAP_COPYDATA_LISTBOX_GETDATA header;
        CopyMemory(&header, pbRecord, sizeof(header));
        if (header.cbRects % sizeof(RECT)) return Refuse(dwData, cbRecord, "has a partial rectangle");
        if (header.cSel > cbRecord / 4 || !AddBlock(&cbNeeded, header.cbRects, cbRecord) ||
            !AddBlock(&cbNeeded, 4 * header.cSel, cbRecord) || !AddBlock(&cbNeeded, header.cbText, cbRecord))
            return Refuse(dwData, cbRecord, "announces more than it holds");
        break;
    }
    case COPYDATA_COMBOBOX_REPLY: {
        cbNeeded = sizeof(SIMCAP_COPYDATA_COMBOBOX_GETDATA);
        if (cbRecord < cbNeeded) break;
        SIMCAP_COPYDATA_COMBOBOX_GETDATA header;
        CopyMemory(&header, pbRecord, sizeof(header));
        if (!AddBlock(&cbNeeded, header.cbText, cbRecord))
            return Refuse(dwData, cbRecord, "announces more than it holds");
        break;
    }
    case COPYDATA_MENUITEM_REPLY: {
        // The bitmap numbers alone, or the item read in the target as well.
        cbNeeded = sizeof(SIMCAP_COPYDATA_MENUITEM_BMPS);
        if (cbRecord == cbNeeded) break;
        cbNeeded = sizeof(SIMCAP_COPYDATA_MENUITEM_GETDATA);
        if (cbRecord < cbNeeded) break;
        SIMCAP_COPYDATA_MENUITEM_GETDATA header;
        CopyMemory(&header, pbRecord, sizeof(header));
        if (!AddBlock(&cbNeeded, header.cbText, cbRecord))
            return Refuse(dwData, cbRecord, "announces more than it holds");
        break;
    }
    default: return Refuse(dwData, cbRecord, "is of no known kind");
    }
    if (cbRecord < cbNeeded) return Refuse(dwData, cbRecord, "is shorter than its fixed part");
    return TRUE;
}
