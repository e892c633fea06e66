// ui/SavDatDg.cpp — the Saving Data dialog: shows the writer thread's progress until it reports the end.
#include "ui/SmallDialogs.h"

#include "ui/ModalDialog.h"

#include "host/SimCap.h"
#include "output/WrThread.h"
#include "util/Diag.h"

namespace
{
const UINT c_nTemplate = 131;
const int c_idMessage = 2201;

// Action codes of command 2202, in lParam.
const LPARAM c_nDoneSuccess = 1;
const LPARAM c_nDoneFailure = 2;
const LPARAM c_nProgressText = 3;
const LPARAM c_nErrorText = 4;
const LPARAM c_nNoticeText = 5;

// How often the dialog looks whether the writer has finished without a report reaching it.
const UINT_PTR c_idWriterWatch = 1;
const UINT c_msWriterWatch = 500;
} // namespace

SavDatDg::SavDatDg(HINSTANCE hResModule, HWND hwndOwner, LPCSTR pszText)
    : hResModule(hResModule), hwndOwner(hwndOwner)
{
    lstrcpynA(szMessage, pszText ? pszText : "...", sizeof(szMessage));
}

BOOL SavDatDg::Show()
{
    bCancelled = FALSE;
    bSuccess = FALSE;
    BOOL bShown = RunModalDialog(hResModule, c_nTemplate, hwndOwner, SavDatDlgProc, this,
                                 "Error attempting to process the Saving Data dialog.");
    // Only a dialog that registered itself takes the target away again; a failed one leaves a pending
    // error box alone.
    if (hdlg && g_pSimCap) g_pSimCap->SetBkgndMsgTarget(hdlg, FALSE);
    hdlg = nullptr;
    return bShown;
}

INT_PTR CALLBACK SavDatDg::SavDatDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pThis = DialogObject<SavDatDg>(hdlg, uMsg, lParam);
    if (!pThis) return FALSE;
    switch (uMsg)
    {
    case WM_INITDIALOG: return pThis->OnInitDialog(hdlg);
    case WM_COMMAND: return pThis->OnCommand(LOWORD(wParam), lParam);
    case WM_TIMER:
        if (wParam != c_idWriterWatch) return FALSE;
        pThis->OnWriterWatch();
        return TRUE;
    }
    return FALSE;
}

BOOL SavDatDg::OnInitDialog(HWND hdlgInit)
{
    hdlg = hdlgInit;
    SetDlgItemTextA(hdlg, c_idMessage, szMessage);
    if (g_pSimCap) g_pSimCap->SetBkgndMsgTarget(hdlg, TRUE);
    // The writer's final report is posted only while the dialog is registered; one that came before
    // would otherwise leave the user waiting for ever.
    SetTimer(hdlg, c_idWriterWatch, c_msWriterWatch, nullptr);
    return TRUE;
}

void SavDatDg::OnWriterWatch()
{
    BOOL bSaved = FALSE;
    if (!g_pSimCap || !HasWriterFinishedSession(*g_pSimCap, &bSaved)) return;
    DebugOut("SavDatDg: the writer has finished the session without a report; closing the dialog.\n");
    bSuccess = bSaved;
    KillTimer(hdlg, c_idWriterWatch);
    EndDialog(hdlg, IDC_SAVING_DATA_NOTIFY);
}

BOOL SavDatDg::OnCommand(UINT nId, LPARAM lParam)
{
    if (nId == IDCANCEL)
    {
        bCancelled = TRUE;
        EndDialog(hdlg, IDCANCEL);
        return TRUE;
    }
    if (nId != IDC_SAVING_DATA_NOTIFY) return FALSE;

    switch (lParam)
    {
    case c_nDoneSuccess:
    case c_nDoneFailure:
        bSuccess = lParam == c_nDoneSuccess;
        EndDialog(hdlg, IDC_SAVING_DATA_NOTIFY);
        break;
    case c_nProgressText:
        if (g_pSimCap && g_pSimCap->GetBkgndMsg(hdlg, szMessage, sizeof(szMessage)))
            SetDlgItemTextA(hdlg, c_idMessage, szMessage);
        break;
    case c_nNoticeText:
        // The user learns why the recording ended early; what it holds is saved all the same.
        if (g_pSimCap && g_pSimCap->GetBkgndMsg(hdlg, szMessage, sizeof(szMessage)))
            ShowMessage(hdlg, szMessage, MB_ICONEXCLAMATION | MB_TOPMOST);
        break;
    case c_nErrorText:
        if (g_pSimCap && g_pSimCap->GetBkgndMsg(hdlg, szMessage, sizeof(szMessage)))
            ShowMessage(hdlg, szMessage, MB_ICONINFORMATION | MB_TOPMOST);
        bSuccess = FALSE;
        EndDialog(hdlg, IDC_SAVING_DATA_NOTIFY);
        break;
    }
    return TRUE;
}
