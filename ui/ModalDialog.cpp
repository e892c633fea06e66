#include "ui/ModalDialog.h"

#include "util/Diag.h"

BOOL RunModalDialog(HINSTANCE hResModule, UINT nTemplate, HWND hwndOwner, DLGPROC pfnDlgProc, void* pvDialog,
                    LPCSTR pszFailure)
{
    INT_PTR nResult = DialogBoxParamA(hResModule, MAKEINTRESOURCEA(nTemplate), hwndOwner, pfnDlgProc,
                                      reinterpret_cast<LPARAM>(pvDialog));
    // Every dialog ends with a button id, never 0: 0 and -1 mean it never came up.
    if (nResult == -1 || nResult == 0)
    {
        ShowMessage(hwndOwner, pszFailure, MB_ICONINFORMATION | MB_TOPMOST);
        return FALSE;
    }
    return TRUE;
}
