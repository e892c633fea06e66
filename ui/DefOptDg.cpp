// ui/DefOptDg.cpp — the Options dialog ("Hotkey and Sound Settings").
#include "ui/DefOptDg.h"

#include "config/PrivProf.h"
#include "host/SimCap.h"
#include "util/Diag.h"

namespace
{
const UINT c_nTemplate = 130;
const int c_idAction = 2102;
const int c_idCtrl = 2103;
const int c_idAlt = 2104;
const int c_idKey = 2105;
const int c_idDefaults = 2107;
const int c_idClickSounds = 2110;
const int c_idNoteSounds = 2111;
const int c_idHighResolution = 2113;

const LPCSTR c_apszActions[DefOptDg::c_cActions] = {"Start Recording/End Step", "Stop Recording"};

// The key list: letters, digits, F1 to F12, then three named keys.
const UINT c_cLetters = 26;
const UINT c_cDigits = 10;
const UINT c_cFunctionKeys = 12;
struct NAMED_KEY
{
    LPCSTR pszName;
    UINT nCode;
};
const NAMED_KEY c_aNamedKeys[] = {{"Space", VK_SPACE}, {"PrintScreen", VK_SNAPSHOT}, {"Break", VK_PAUSE}};
static_assert(c_cLetters + c_cDigits + c_cFunctionKeys + sizeof(c_aNamedKeys) / sizeof(c_aNamedKeys[0]) ==
                  DefOptDg::c_cKeys,
              "the key list has a fixed length");

BOOL IsWinNT()
{
    OSVERSIONINFOA osvi = {};
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    return GetVersionExA(&osvi) && osvi.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

BOOL IsChecked(HWND hdlg, int id)
{
    return IsDlgButtonChecked(hdlg, id) == BST_CHECKED;
}
} // namespace

DefOptDg::DefOptDg(HINSTANCE hResModule, HWND hwndOwner, LPCSTR pszTitle)
    : hResModule(hResModule), hwndOwner(hwndOwner)
{
    lstrcpynA(szTitle, pszTitle ? pszTitle : "", sizeof(szTitle));
    char szText[16];
    while (cKeys < c_cKeys && GetKeyEntry(cKeys, szText, sizeof(szText), &anKeyCode[cKeys]))
        cKeys++;
}

BOOL DefOptDg::Load()
{
    if (!g_pSimCap) return FALSE;
    setSaved.nSnapshotKey = g_pSimCap->nSnapshotKey;
    setSaved.nStopKey = g_pSimCap->nStopKey;
    setSaved.bClicksEnabled = g_pSimCap->sounds.ClicksEnabled();
    setSaved.bNoteRequestEnabled = g_pSimCap->sounds.NoteRequestEnabled();
    setSaved.bAccessibilityEntry = g_pSimCap->bAccessibilityEntry;
    setEdited = setSaved;
    return TRUE;
}

BOOL DefOptDg::Show()
{
    bApplied = FALSE;
    bModified = FALSE;
    INT_PTR nResult = DialogBoxParamA(hResModule, MAKEINTRESOURCEA(c_nTemplate), hwndOwner, DefOptDlgProc,
                                      reinterpret_cast<LPARAM>(this));
    hdlg = nullptr;
    if (nResult == -1 || nResult == 0)
    {
        ShowMessage(hwndOwner, "Error attempting to process the Options Dialog.",
                    MB_ICONINFORMATION | MB_TOPMOST);
        return FALSE;
    }
    return bApplied;
}

BOOL DefOptDg::GetKeyEntry(UINT iEntry, LPSTR pszText, UINT cchText, UINT* pnCode)
{
    char sz[16];
    UINT nCode;
    if (iEntry < c_cLetters)
    {
        nCode = 'A' + iEntry;
        wsprintfA(sz, "%c", nCode);
    }
    else if ((iEntry -= c_cLetters) < c_cDigits)
    {
        nCode = '0' + iEntry;
        wsprintfA(sz, "%c", nCode);
    }
    else if ((iEntry -= c_cDigits) < c_cFunctionKeys)
    {
        nCode = VK_F1 + iEntry;
        wsprintfA(sz, "F%d", iEntry + 1);
    }
    else if ((iEntry -= c_cFunctionKeys) < sizeof(c_aNamedKeys) / sizeof(c_aNamedKeys[0]))
    {
        nCode = c_aNamedKeys[iEntry].nCode;
        lstrcpyA(sz, c_aNamedKeys[iEntry].pszName);
    }
    else
        return FALSE;
    if (pszText && cchText) lstrcpynA(pszText, sz, cchText);
    if (pnCode) *pnCode = nCode;
    return TRUE;
}

int DefOptDg::FindKeyEntry(const UINT* pnCodes, UINT cCodes, UINT nCombo)
{
    for (UINT i = 0; i < cCodes; i++)
        if (pnCodes[i] == (nCombo & KEYCOMBO_CODE)) return static_cast<int>(i);
    return -1;
}

UINT DefOptDg::MakeKeyCombo(UINT nCode, BOOL bCtrl, BOOL bAlt)
{
    return (nCode & KEYCOMBO_CODE) | (bCtrl ? KEYCOMBO_CTRL : 0) | (bAlt ? KEYCOMBO_ALT : 0);
}

OPTION_SET DefOptDg::DefaultSet(BOOL bWinNT)
{
    OPTION_SET set;
    set.nSnapshotKey = VK_SNAPSHOT;
    set.nStopKey = VK_SNAPSHOT | (bWinNT ? KEYCOMBO_CTRL : KEYCOMBO_ALT);
    set.bClicksEnabled = TRUE;
    set.bNoteRequestEnabled = TRUE;
    set.bAccessibilityEntry = FALSE;
    return set;
}

INT_PTR CALLBACK DefOptDg::DefOptDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) SetWindowLongPtrA(hdlg, GWLP_USERDATA, lParam);
    auto* pThis = reinterpret_cast<DefOptDg*>(GetWindowLongPtrA(hdlg, GWLP_USERDATA));
    if (!pThis) return FALSE;
    switch (uMsg)
    {
    case WM_INITDIALOG: return pThis->OnInitDialog(hdlg);
    case WM_COMMAND: return pThis->OnCommand(LOWORD(wParam), HIWORD(wParam));
    }
    return FALSE;
}

BOOL DefOptDg::OnInitDialog(HWND hdlgInit)
{
    hdlg = hdlgInit;
    SetWindowTextA(hdlg, szTitle);
    for (LPCSTR pszAction : c_apszActions)
        SendDlgItemMessageA(hdlg, c_idAction, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszAction));
    SendDlgItemMessageA(hdlg, c_idAction, CB_SETCURSEL, 0, 0);
    FillKeyList();
    ShowSelectedCombo();
    ShowSwitches();
    return TRUE;
}

BOOL DefOptDg::OnCommand(UINT nId, UINT nNotify)
{
    switch (nId)
    {
    case c_idAction:
        if (nNotify != CBN_SELCHANGE) return FALSE;
        // The combination shown so far belongs to the action shown so far.
        StoreShownCombo();
        ShowSelectedCombo();
        return TRUE;
    case IDOK:
        StoreShownCombo();
        // One combination cannot both step and stop: the snapshot key would always win.
        if (setEdited.nSnapshotKey == setEdited.nStopKey)
        {
            ShowMessage(hdlg,
                        "The same key combination cannot start and stop a recording.  Choose another "
                        "combination for one of them.",
                        MB_ICONEXCLAMATION);
            return TRUE;
        }
        ReadSwitches();
        bModified = setEdited.nSnapshotKey != setSaved.nSnapshotKey ||
                    setEdited.nStopKey != setSaved.nStopKey ||
                    setEdited.bClicksEnabled != setSaved.bClicksEnabled ||
                    setEdited.bNoteRequestEnabled != setSaved.bNoteRequestEnabled ||
                    setEdited.bAccessibilityEntry != setSaved.bAccessibilityEntry;
        if (bModified) Apply();
        EndDialog(hdlg, IDOK);
        return TRUE;
    case IDCANCEL:
        setEdited = setSaved;
        EndDialog(hdlg, IDCANCEL);
        return TRUE;
    case c_idDefaults:
        if (nNotify != BN_CLICKED) return FALSE;
        setEdited = DefaultSet(IsWinNT());
        ShowSelectedCombo();
        ShowSwitches();
        return TRUE;
    }
    return FALSE;
}

void DefOptDg::FillKeyList()
{
    char szText[16];
    for (UINT i = 0; i < cKeys && GetKeyEntry(i, szText, sizeof(szText), nullptr); i++)
        SendDlgItemMessageA(hdlg, c_idKey, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szText));
}

UINT* DefOptDg::GetKeyComboElementFromSelectedAction(int iAction)
{
    switch (iAction)
    {
    case 0: return &setEdited.nSnapshotKey;
    case 1: return &setEdited.nStopKey;
    }
    DebugOut("DefOptDg:GetKeyComboElementFromSelectedAction - invalid selection state in actions box.\n");
    return nullptr;
}

void DefOptDg::ShowSelectedCombo()
{
    int iAction = static_cast<int>(SendDlgItemMessageA(hdlg, c_idAction, CB_GETCURSEL, 0, 0));
    const UINT* pnCombo = GetKeyComboElementFromSelectedAction(iAction);
    int iKey = -1;
    if (pnCombo)
    {
        iKey = FindKeyEntry(anKeyCode, cKeys, *pnCombo);
        if (iKey < 0)
            DebugOut(
                "DefOptDg:GetKeyComboElementFromSelectedAction - invalid Assigned ACTIONKEY appears to be "
                "invalid.\n");
    }
    SendDlgItemMessageA(hdlg, c_idKey, CB_SETCURSEL, static_cast<WPARAM>(iKey), 0);

    if (!pnCombo) DebugOut("DefOptDg:GetKeyState - invalid selection state in actions box.\n");
    CheckDlgButton(hdlg, c_idCtrl, pnCombo && (*pnCombo & KEYCOMBO_CTRL) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hdlg, c_idAlt, pnCombo && (*pnCombo & KEYCOMBO_ALT) ? BST_CHECKED : BST_UNCHECKED);
    iSelectedAction = iAction;
}

void DefOptDg::StoreShownCombo()
{
    if (iSelectedAction < 0 || iSelectedAction >= c_cActions) return;
    UINT* pnCombo = GetKeyComboElementFromSelectedAction(iSelectedAction);
    int iKey = static_cast<int>(SendDlgItemMessageA(hdlg, c_idKey, CB_GETCURSEL, 0, 0));
    // Without a chosen key (a stored code the list does not hold) the action keeps its old combination.
    if (iKey < 0 || static_cast<UINT>(iKey) >= cKeys) return;
    *pnCombo = MakeKeyCombo(anKeyCode[iKey], IsChecked(hdlg, c_idCtrl), IsChecked(hdlg, c_idAlt));
}

void DefOptDg::ShowSwitches()
{
    CheckDlgButton(hdlg, c_idClickSounds, setEdited.bClicksEnabled ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hdlg, c_idNoteSounds, setEdited.bNoteRequestEnabled ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hdlg, c_idHighResolution,
                   setEdited.bAccessibilityEntry == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void DefOptDg::ReadSwitches()
{
    setEdited.bClicksEnabled = IsChecked(hdlg, c_idClickSounds);
    setEdited.bNoteRequestEnabled = IsChecked(hdlg, c_idNoteSounds);
    setEdited.bAccessibilityEntry = IsChecked(hdlg, c_idHighResolution);
}

void DefOptDg::Apply()
{
    if (!g_pSimCap || !g_pSimCap->pPrivProf)
    {
        DebugOut("DefOptDg:Apply - no recorder configuration to write to.\n");
        return;
    }
    SIMCAP& sc = *g_pSimCap;
    PrivProf& prof = *sc.pPrivProf;
    // Each helper reports its own failure; a failure does not stop the values after it.
    if (setEdited.nSnapshotKey != setSaved.nSnapshotKey) prof.UpdateSnapshotKey(hdlg, setEdited.nSnapshotKey);
    if (setEdited.nStopKey != setSaved.nStopKey) prof.UpdateStopKey(hdlg, setEdited.nStopKey);
    if (setEdited.bClicksEnabled != setSaved.bClicksEnabled)
        sc.sounds.UpdateClicksEnabled(prof.UserConfigPath(), hdlg, setEdited.bClicksEnabled);
    if (setEdited.bNoteRequestEnabled != setSaved.bNoteRequestEnabled)
        sc.sounds.UpdateNoteRequestEnabled(prof.UserConfigPath(), hdlg, setEdited.bNoteRequestEnabled);
    if (setEdited.bAccessibilityEntry != setSaved.bAccessibilityEntry)
    {
        char szValue[4];
        wsprintfA(szValue, "%d", setEdited.bAccessibilityEntry ? 1 : 0);
        // An empty file name would send the write to the system's own initialisation file.
        LPCSTR pszIni = prof.UserConfigPath();
        if (pszIni[0] && WritePrivateProfileStringA("Settings", "AccessibilityEntry", szValue, pszIni))
            sc.bAccessibilityEntry = setEdited.bAccessibilityEntry;
        else
            ShowMessage(hdlg, "Could not update the High Resolution Capture Enabled request.",
                        MB_ICONINFORMATION);
    }
    setSaved = setEdited;
    bApplied = TRUE;
}
