// ui/DatSvdDg.cpp — the Data Saved dialog: where the recording went, and whether to record again.
#include "ui/SmallDialogs.h"

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
    INT_PTR nResult = DialogBoxParamA(hResModule, MAKEINTRESOURCEA(c_nTemplate), hwndOwner, DatSvdDlgProc,
                                      reinterpret_cast<LPARAM>(this));
    hdlg = nullptr;
    if (nResult == -1 || nResult == 0)
    {
        ShowMessage(hwndOwner, "Error attempting to show the Data Saved dialog.",
                    MB_ICONINFORMATION | MB_TOPMOST);
        return FALSE;
    }
    return TRUE;
}

INT_PTR CALLBACK DatSvdDg::DatSvdDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) SetWindowLongPtrA(hdlg, GWLP_USERDATA, lParam);
    auto* pThis = reinterpret_cast<DatSvdDg*>(GetWindowLongPtrA(hdlg, GWLP_USERDATA));
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
