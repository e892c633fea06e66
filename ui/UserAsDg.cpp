// ui/UserAsDg.cpp — the User Assistance dialog, shown before recording until the user turns it off.
#include "ui/SmallDialogs.h"

#include "ui/ModalDialog.h"

#include "config/PrivProf.h"
#include "host/SimCap.h"
#include "util/Diag.h"

namespace
{
const UINT c_nTemplate = 135;
const int c_idDontShow = 2601;
} // namespace

UserAsDg::UserAsDg(HINSTANCE hResModule, HWND hwndOwner) : hResModule(hResModule), hwndOwner(hwndOwner) {}

BOOL UserAsDg::Show()
{
    bDontShow = FALSE;
    BOOL bShown = RunModalDialog(hResModule, c_nTemplate, hwndOwner, UserAsDlgProc, this,
                                 "Error attempting to show the User Assistance dialog.");
    hdlg = nullptr;
    return bShown;
}

BOOL UserAsDg::ShowUserAssistance(HINSTANCE hResModule, HWND hwndOwner)
{
    if (!g_pSimCap || !g_pSimCap->bUserAssistanceDlg) return TRUE;
    UserAsDg dlg(hResModule, hwndOwner);
    if (!dlg.Show()) return FALSE;
    if (dlg.DontShowAgain())
    {
        g_pSimCap->bUserAssistanceDlg = FALSE;
        if (g_pSimCap->pPrivProf) g_pSimCap->pPrivProf->SetUserAssistanceDlg(FALSE);
    }
    return TRUE;
}

INT_PTR CALLBACK UserAsDg::UserAsDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pThis = DialogObject<UserAsDg>(hdlg, uMsg, lParam);
    if (!pThis) return FALSE;
    switch (uMsg)
    {
    case WM_INITDIALOG: return pThis->OnInitDialog(hdlg);
    case WM_COMMAND: return pThis->OnCommand(LOWORD(wParam));
    }
    return FALSE;
}

BOOL UserAsDg::OnInitDialog(HWND hdlgInit)
{
    hdlg = hdlgInit;
    CheckDlgButton(hdlg, c_idDontShow, BST_UNCHECKED);
    return TRUE;
}

BOOL UserAsDg::OnCommand(UINT nId)
{
    if (nId != IDOK && nId != IDCANCEL) return FALSE;
    // Only OK takes the box: a Cancel with it ticked shows the dialog again next time.
    if (nId == IDOK) bDontShow = IsDlgButtonChecked(hdlg, c_idDontShow) == BST_CHECKED;
    EndDialog(hdlg, nId);
    return TRUE;
}
