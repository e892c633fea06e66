// The background message: how the writer thread talks to the user, through an error box on the UI
// thread or the "Saving Data" dialog while it is up.
#include "host/SimCap.h"

#include "output/WrThread.h"
#include "util/Diag.h"

namespace
{
// Action codes of command 2202 towards the "Saving Data" dialog.
const LPARAM c_nDialogSuccess = 1;
const LPARAM c_nDialogFailure = 2;
const LPARAM c_nDialogText = 3;
const LPARAM c_nDialogError = 4;
const LPARAM c_nDialogNotice = 5;

// csBkgndMsg held for one scope. Nothing is sent or posted while it is held: the UI thread, which
// receives, takes the same lock.
class BkgndMsgLock
{
  public:
    explicit BkgndMsgLock(SIMCAP& simcapOwner) : simcap(simcapOwner)
    {
        EnterCriticalSection(&simcap.csBkgndMsg);
    }
    ~BkgndMsgLock() { LeaveCriticalSection(&simcap.csBkgndMsg); }
    BkgndMsgLock(const BkgndMsgLock&) = delete;
    BkgndMsgLock& operator=(const BkgndMsgLock&) = delete;

  private:
    SIMCAP& simcap;
};

// What a background message turned into.
enum class Delivery
{
    None,         // dropped, or only a debug line
    ErrorBox,     // command 1021 to the recorder window
    DialogError,  // the dialog shows the text in a box and ends with failure
    DialogText,   // the dialog shows the text
    DialogNotice, // the dialog shows the text in a box and stays: the recording is being saved all the same
    DialogEnd,    // the dialog ends with the result
};

// Nobody is left to wait for: the thread must end, or the recorder window is gone.
BOOL MustStopWaiting(SIMCAP& simcap)
{
    return simcap.nWrThreadStatus == TS_EXIT || simcap.bQuitting || !IsWindow(SIMCAP::Window());
}

void SetText(SIMCAP& simcap, LPCSTR pszText)
{
    lstrcpynA(simcap.szBkgndMsg, pszText ? pszText : "", sizeof(simcap.szBkgndMsg));
}

// The error box is shown by the UI thread; the writer goes on once it has been closed. A box that can
// never come (the window is gone, the thread must end) is given up, so the wait ends in every case.
void WaitForErrorBox(SIMCAP& simcap, HWND hwndTarget)
{
    for (;;)
    {
        {
            BkgndMsgLock lock(simcap);
            if (simcap.nMsgMode == BM_NONE) return;
            if (simcap.nWrThreadStatus == TS_EXIT || !IsWindow(hwndTarget))
            {
                if (simcap.nMsgMode == BM_ERROR_PENDING)
                {
                    simcap.hMsgTarget = nullptr;
                    simcap.szBkgndMsg[0] = '\0';
                    simcap.nMsgMode = BM_NONE;
                }
                return;
            }
        }
        Sleep(300);
    }
}

Delivery DeliverBkgndMsg(SIMCAP& simcap, LPCSTR pszText, BOOL bFlag, BOOL bNotice = FALSE)
{
    if (simcap.nWrThreadStatus == TS_EXIT) return Delivery::None;
    if (pszText)
    {
        if (!bFlag && simcap.nWrThreadStatus == TS_FAILED)
            g_bErrorReported = TRUE;
        else if (bFlag && g_bErrorReported)
            return Delivery::None;
    }

    Delivery delivery = Delivery::None;
    HWND hwndTarget = nullptr;
    LPARAM lParam = 0;
    {
        BkgndMsgLock lock(simcap);
        UINT nMode = simcap.nMsgMode;
        if (pszText && nMode == BM_NONE && bFlag)
        {
            simcap.hMsgTarget = SIMCAP::Window();
            simcap.nMsgMode = BM_ERROR_PENDING;
            SetText(simcap, pszText);
            delivery = Delivery::ErrorBox;
        }
        else if (pszText && nMode == BM_INFO_DLG)
        {
            SetText(simcap, pszText);
            delivery = bNotice ? Delivery::DialogNotice
                       : bFlag ? Delivery::DialogError
                               : Delivery::DialogText;
            lParam = bNotice ? c_nDialogNotice : bFlag ? c_nDialogError : c_nDialogText;
        }
        else if (pszText)
            DebugOut("Error in OutputBkgndMsg: IsError but type neither info nor none.\n");
        else if (nMode == BM_INFO_DLG)
        {
            SetText(simcap, nullptr);
            delivery = Delivery::DialogEnd;
            lParam = bFlag ? c_nDialogSuccess : c_nDialogFailure;
        }
        else
            DebugOut("Error in OutputBkgndMsg: NULL msg but INFO dlg not up.\n");
        hwndTarget = simcap.hMsgTarget;
    }

    switch (delivery)
    {
    case Delivery::ErrorBox:
        SendMessageA(hwndTarget, WM_COMMAND, IDM_SHOW_ERROR, 0);
        WaitForErrorBox(simcap, hwndTarget);
        break;
    case Delivery::DialogError:
    case Delivery::DialogNotice:
    case Delivery::DialogText: SendMessageA(hwndTarget, WM_COMMAND, IDC_SAVING_DATA_NOTIFY, lParam); break;
    case Delivery::DialogEnd: PostMessageA(hwndTarget, WM_COMMAND, IDC_SAVING_DATA_NOTIFY, lParam); break;
    case Delivery::None: break;
    }
    return delivery;
}

// TRUE once the "Saving Data" dialog is up to take the message. A recording that still runs is stopped
// first, so the user is not left recording into nothing and the error stands in front of the dialog, never
// hidden behind it. FALSE when no dialog will come: nothing was recording, or nobody is left to wait for.
BOOL StopForSavingDialog(SIMCAP& simcap)
{
    BOOL bStopPosted = FALSE;
    for (;;)
    {
        if (IsSavingDialogUp(simcap)) return TRUE;
        UINT nState = simcap.nMenuState;
        if (MustStopWaiting(simcap) || nState < MS_CAPTURING || nState > MS_STOPPING) return FALSE;
        // A snapshot in progress finishes first; a stop already under way brings its own dialog, and a
        // second one would be refused and sent the recorder back to Define Target under the first.
        if (!bStopPosted && (nState == MS_CAPTURING || nState == MS_PAUSED))
        {
            PostMessageA(SIMCAP::Window(), WM_COMMAND, IDM_STOP, 0);
            bStopPosted = TRUE;
        }
        Sleep(100);
    }
}

// The session's error reaches the user once: in a box owned by the "Saving Data" dialog, which then ends
// with failure (or, for a notice, stays while what was kept is saved), or as an error box of its own.
void StopAndTell(SIMCAP& simcap, LPCSTR pszText, BOOL bKept)
{
    if (StopForSavingDialog(simcap) && DeliverBkgndMsg(simcap, pszText, TRUE, bKept) != Delivery::None)
        return;
    DeliverBkgndMsg(simcap, pszText, TRUE);
}
} // namespace

BOOL IsSavingDialogUp(SIMCAP& simcap)
{
    BkgndMsgLock lock(simcap);
    return simcap.nMsgMode == BM_INFO_DLG;
}

void SIMCAP::OutputBkgndMsg(LPCSTR pszText, BOOL bFlag)
{
    DeliverBkgndMsg(*this, pszText, bFlag);
}

void SIMCAP::ReportWriterError(LPCSTR pszText)
{
    if (g_bErrorReported) return;
    SetWriterStatus(*this, TS_FAILED);
    StopAndTell(*this, pszText, FALSE);
    // The user has seen this session's error, in whichever form it reached them.
    g_bErrorReported = TRUE;
}

void SIMCAP::ReportWriterNotice(LPCSTR pszText)
{
    if (g_bErrorReported) return;
    // The session goes on to be saved, so a later failure of it must still reach the user.
    StopAndTell(*this, pszText, TRUE);
}

void SIMCAP::SetBkgndMsgTarget(HWND hwndDlg, BOOL bRegister)
{
    BkgndMsgLock lock(*this);
    if (bRegister)
    {
        hMsgTarget = hwndDlg;
        szBkgndMsg[0] = '\0';
        nMsgMode = BM_INFO_DLG;
    }
    // Only the registered dialog takes itself away; a pending error box stays.
    else if (hMsgTarget == hwndDlg && nMsgMode == BM_INFO_DLG)
    {
        hMsgTarget = nullptr;
        szBkgndMsg[0] = '\0';
        nMsgMode = BM_NONE;
    }
}

BOOL SIMCAP::GetBkgndMsg(HWND hwndDlg, LPSTR pszBuffer, UINT cchBuffer)
{
    if (!pszBuffer || !cchBuffer) return FALSE;
    BkgndMsgLock lock(*this);
    if (hMsgTarget != hwndDlg || nMsgMode != BM_INFO_DLG ||
        static_cast<UINT>(lstrlenA(szBkgndMsg)) >= cchBuffer)
        return FALSE;
    lstrcpyA(pszBuffer, szBkgndMsg);
    return TRUE;
}
