// ui/DatSvdDg.cpp — the Data Saved dialog: where the recording went, and whether to record again.
#include "ui/SmallDialogs.h"

#include "ui/ModalDialog.h"

#include "config/PrivProf.h"
#include "host/SimCap.h"
#include "util/Diag.h"

namespace
{
const UINT c_nTemplate = 132;
const int c_idOutputPath = 2301;
} // namespace

DatSvdDg::DatSvdDg(HINSTANCE hResModule, HWND hwndOwner) : hResModule(hResModule), hwndOwner(hwndOwner)
{
    szOutputPath[0] = '\0';
}

BOOL DatSvdDg::Show()
{
    bResult = FALSE;
    BOOL bShown = RunModalDialog(hResModule, c_nTemplate, hwndOwner, DatSvdDlgProc, this,
                                 "Error attempting to show the Data Saved dialog.");
    hdlg = nullptr;
    return bShown;
}

INT_PTR CALLBACK DatSvdDg::DatSvdDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pThis = DialogObject<DatSvdDg>(hdlg, uMsg, lParam);
    if (!pThis) return FALSE;
    switch (uMsg)
    {
    case WM_INITDIALOG: return pThis->OnInitDialog(hdlg);
    case WM_COMMAND: return pThis->OnCommand(LOWORD(wParam));
    }
    return FALSE;
}

BOOL DatSvdDg::OnInitDialog(HWND hdlgInit)
{
    hdlg = hdlgInit;
    if (!g_pSimCap || !g_pSimCap->pPrivProf ||
        !g_pSimCap->pPrivProf->GetOutputPath(szOutputPath, sizeof(szOutputPath)))
        szOutputPath[0] = '\0';
    SetDlgItemTextA(hdlg, c_idOutputPath, szOutputPath);
    return TRUE;
}

BOOL DatSvdDg::OnCommand(UINT nId)
{
    if (nId != IDOK && nId != IDCANCEL) return FALSE;
    bResult = nId == IDOK;
    EndDialog(hdlg, nId);
    return TRUE;
}
