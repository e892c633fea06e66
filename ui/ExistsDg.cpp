// ui/ExistsDg.cpp — the File Already Exists dialog and the check made before a recording file is replaced.
#include "ui/SmallDialogs.h"

#include "ui/ModalDialog.h"

#include "config/PrivProf.h"
#include "host/SimCap.h"
#include "util/Diag.h"

namespace
{
const UINT c_nTemplate = 133;
const int c_idPath = 2401;
const int c_idDontAsk = 2402;
} // namespace

ExistsDg::ExistsDg(HINSTANCE hResModule, HWND hwndOwner, LPCSTR pszPath)
    : hResModule(hResModule), hwndOwner(hwndOwner)
{
    lstrcpynA(szPath, pszPath ? pszPath : "", sizeof(szPath));
}

BOOL ExistsDg::Show()
{
    bResult = FALSE;
    bDontAsk = FALSE;
    BOOL bShown = RunModalDialog(hResModule, c_nTemplate, hwndOwner, ExistsDlgProc, this,
                                 "Error attempting to show the File Already Exists dialog.");
    hdlg = nullptr;
    return bShown;
}

BOOL ExistsDg::CheckFileExists(HINSTANCE hResModule, HWND hwndOwner)
{
    if (!g_pSimCap || !g_pSimCap->pPrivProf) return TRUE;
    char szOutput[MAX_PATH + 1];
    if (!g_pSimCap->pPrivProf->GetOutputPath(szOutput, sizeof(szOutput))) return TRUE;
    OFSTRUCT of = {};
    of.cBytes = sizeof(of);
    if (OpenFile(szOutput, &of, OF_EXIST) == HFILE_ERROR) return TRUE;

    BOOL bAllowed = TRUE;
    if (g_pSimCap->bOverwriteOKDlg)
    {
        ExistsDg dlg(hResModule, hwndOwner, szOutput);
        // A question that cannot be asked lets the file be replaced.
        if (dlg.Show())
        {
            bAllowed = dlg.Result();
            if (dlg.DontAskAgain())
            {
                g_pSimCap->bOverwriteOKDlg = FALSE;
                g_pSimCap->pPrivProf->SetOverwriteOKDlg(FALSE);
            }
        }
    }

    DWORD dwAttributes = GetFileAttributesA(szOutput);
    if (bAllowed && dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_READONLY))
    {
        char szText[MAX_PATH + 32];
        wsprintfA(szText, "Access to %s was denied.", szOutput);
        ShowMessage(hwndOwner, szText, MB_ICONEXCLAMATION);
        bAllowed = FALSE;
    }
    return bAllowed;
}

INT_PTR CALLBACK ExistsDg::ExistsDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pThis = DialogObject<ExistsDg>(hdlg, uMsg, lParam);
    if (!pThis) return FALSE;
    switch (uMsg)
    {
    case WM_INITDIALOG: return pThis->OnInitDialog(hdlg);
    case WM_COMMAND: return pThis->OnCommand(LOWORD(wParam));
    }
    return FALSE;
}

BOOL ExistsDg::OnInitDialog(HWND hdlgInit)
{
    hdlg = hdlgInit;
    SetDlgItemTextA(hdlg, c_idPath, szPath);
    CheckDlgButton(hdlg, c_idDontAsk, BST_UNCHECKED);
    return TRUE;
}

BOOL ExistsDg::OnCommand(UINT nId)
{
    if (nId != IDOK && nId != IDCANCEL) return FALSE;
    bResult = nId == IDOK;
    bDontAsk = IsDlgButtonChecked(hdlg, c_idDontAsk) == BST_CHECKED;
    EndDialog(hdlg, nId);
    return TRUE;
}
