// ui/UserAsDg.cpp — the User Assistance dialog, shown before recording until the user turns it off.
#include "ui/SmallDialogs.h"

#include "ui/ModalDialog.h"

#include "config/PrivProf.h"
#include "ui/DefOptDg.h"
#include "host/SimCap.h"
#include "util/Diag.h"

namespace
{
const UINT c_nTemplate = 135;
const int c_idDontShow = 2601;
const int c_idStartText = 2602;
const int c_idStepText = 2603;
const int c_idStopText = 2604;

// "Ctrl+Alt+F9": the modifiers a combination asks for and its key, as the settings dialog lists it.
// The name buffer holds 64 characters.
void KeyComboName(UINT nCombo, LPSTR pszName)
{
    UINT nKey = nCombo & 0xFFFF;
    char szKey[32] = {};
    if (nKey == VK_SNAPSHOT) lstrcpyA(szKey, "Print Screen");
    for (UINT i = 0; !szKey[0] && i < DefOptDg::c_cKeys; i++)
    {
        char szEntry[16];
        UINT nCode = 0;
        if (DefOptDg::GetKeyEntry(i, szEntry, sizeof(szEntry), &nCode) && nCode == nKey)
            lstrcpyA(szKey, szEntry);
    }
    if (!szKey[0]) wsprintfA(szKey, "the key with code 0x%02X", nKey);
    wsprintfA(pszName, "%s%s%s", (nCombo & KEYCOMBO_CTRL) ? "Ctrl+" : "",
              (nCombo & KEYCOMBO_ALT) ? "Alt+" : "", szKey);
}
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
    // The guidance names the keys in force, which the settings may have changed.
    if (g_pSimCap)
    {
        char szSnapshot[64], szStop[64], szText[200];
        KeyComboName(g_pSimCap->nSnapshotKey, szSnapshot);
        KeyComboName(g_pSimCap->nStopKey, szStop);
        wsprintfA(szText, "2.  Press %s to start recording; this takes the first snapshot.", szSnapshot);
        SetDlgItemTextA(hdlg, c_idStartText, szText);
        wsprintfA(szText, "3.  Do each step of the task, then press %s again to capture it.", szSnapshot);
        SetDlgItemTextA(hdlg, c_idStepText, szText);
        wsprintfA(szText, "4.  Press %s to stop recording and save the file.", szStop);
        SetDlgItemTextA(hdlg, c_idStopText, szText);
    }
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
