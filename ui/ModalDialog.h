// ui/ModalDialog.h — what every modal dialog of the recorder does the same way: find its object from
// the dialog window, and run its template with a message of its own when it cannot.
#pragma once
#include <windows.h>

// The dialog's object, stored with the window when WM_INITDIALOG brings it; null before.
template <class TDialog> TDialog* DialogObject(HWND hdlg, UINT uMsg, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) SetWindowLongPtrA(hdlg, GWLP_USERDATA, lParam);
    return reinterpret_cast<TDialog*>(GetWindowLongPtrA(hdlg, GWLP_USERDATA));
}

// Runs the template modally with pvDialog as its parameter. FALSE, after a box with pszFailure owned by
// hwndOwner, when the dialog could not be created.
BOOL RunModalDialog(HINSTANCE hResModule, UINT nTemplate, HWND hwndOwner, DLGPROC pfnDlgProc, void* pvDialog,
                    LPCSTR pszFailure);
