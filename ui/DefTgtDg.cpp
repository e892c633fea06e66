// ui/DefTgtDg.cpp — the Define Target dialog: the list of running applications, the recording file, and
// the checks made before a recording may start.
#include "ui/DefTgtDg.h"

#include <commdlg.h>
#include <windowsx.h>

#include <new>

#include "config/PrivProf.h"
#include "hooks/LateBoundApi.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "ui/DefOptDg.h"
#include "ui/SmallDialogs.h"
#include "util/Diag.h"
#include "util/Handles.h"
#include "util/PathUtil.h"

namespace
{
const UINT c_nTemplate = 129;
const UINT c_nAboutTemplate = 134;

const int c_idOutputPath = 2001;
const int c_idList = 2004;
const int c_idIncludeNew = 2005;
const int c_idSettings = 2007;
const int c_idRefresh = 2008;
const int c_idBrowse = 2010;
const int c_idAbout = 2012;
const int c_idHelp = 9;

const char c_szOldProcProp[] = "OLDPROC";
const char c_szAddMessage[] = "QM57REC_WM_ListBoxAddProcess";
const char c_szRemoveMessage[] = "QM57REC_WM_ListBoxRemoveProcess";
const char c_szHelpFile[] = "SimRecorder.hlp";
const char c_szSaveFilter[] = "Quillmark Simulation Recording (*.qmr)\0*.qmr\0";
const DWORD c_dwSaveFlags =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN | OFN_EXPLORER;
static_assert(c_dwSaveFlags == 0x88806, "the Save dialog's flags");

// Entry layout in pixels: a check box square, the small icon beside it, then the title.
const int c_cxItem = 240;
const int c_cyItem = 18;
const int c_cxCheckSquare = 18;
const int c_xIcon = 18;
const int c_yIcon = 2;
const int c_cxyIcon = 16;
const int c_xText = 37;
const int c_yText = 1;

// An entry whose window vanished is dropped after the paint that found it, not inside it.
const UINT c_nWM_PruneEntry = WM_APP + 0x51;

// Some platforms announce a window when it is created, before it is shown: it is looked at again
// every tick until it is shown, or goes, or the wait is over.
const UINT_PTR c_idWatchTimer = 1;
const UINT c_msWatchTick = 100;
const DWORD c_msWatchLimit = 5000;

// A hung application must not stall the list's painting; nor a hung dialog every application's windows.
const UINT c_msIconQuery = 200;
const UINT c_msHookNotify = 1000;

// Restores the item DC's colours and mode however drawing ends.
class SavedDcState
{
  public:
    explicit SavedDcState(HDC hdcIn) : hdc(hdcIn), nSaved(SaveDC(hdcIn)) {}
    ~SavedDcState()
    {
        if (nSaved) RestoreDC(hdc, nSaved);
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

  private:
    HDC hdc;
    int nSaved;
};

HICON QueryIcon(HWND hwnd, WPARAM nKind)
{
    DWORD_PTR dwResult = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETICON, nKind, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, c_msIconQuery,
                             &dwResult))
        return nullptr;
    return reinterpret_cast<HICON>(dwResult);
}

// The first of: small icon, class small icon, big icon, class icon, the system's application icon.
HICON WindowIcon(HWND hwnd)
{
    HICON hicon = QueryIcon(hwnd, ICON_SMALL);
    if (!hicon) hicon = reinterpret_cast<HICON>(GetClassLongPtrA(hwnd, GCLP_HICONSM));
    if (!hicon) hicon = QueryIcon(hwnd, ICON_BIG);
    if (!hicon) hicon = reinterpret_cast<HICON>(GetClassLongPtrA(hwnd, GCLP_HICON));
    if (!hicon) hicon = LoadIconA(nullptr, IDI_APPLICATION);
    return hicon;
}

void NotifyDialog(HWND hdlg, UINT nMessage, WPARAM wParam)
{
    if (!nMessage) return;
    DWORD_PTR dwResult = 0;
    SendMessageTimeoutA(hdlg, nMessage, wParam, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, c_msHookNotify, &dwResult);
}
} // namespace

BOOL DialogShellHook::Install(HOOKPROC pfnHook, HMODULE hModule)
{
    if (hhk) return TRUE;
    hhk = SetWindowsHookExA(WH_SHELL, pfnHook, hModule, 0);
    if (!hhk) return FALSE;
    g_shared.hhkDlgShell = hhk;
    return TRUE;
}

void DialogShellHook::Reset()
{
    if (!hhk) return;
    UnhookWindowsHookEx(hhk);
    if (g_shared.hhkDlgShell == hhk) g_shared.hhkDlgShell = nullptr;
    hhk = nullptr;
}

DefTgtDg::DefTgtDg(HINSTANCE hResModule, HWND hwndOwner, LPCSTR pszCaption, LPCSTR pszSaveTitle)
    : hResModule(hResModule), hwndOwner(hwndOwner), szOutputPath(), szInitialDir(), szFile()
{
    lstrcpynA(szCaption, pszCaption ? pszCaption : "", sizeof(szCaption));
    lstrcpynA(szSaveTitle, pszSaveTitle ? pszSaveTitle : "", sizeof(szSaveTitle));
}

DefTgtDg::~DefTgtDg()
{
    FreeResults();
}

BOOL DefTgtDg::LoadOutputPath()
{
    szOutputPath[0] = '\0';
    if (!g_pSimCap || !g_pSimCap->pPrivProf) return FALSE;
    char szPath[MAX_PATH + 1] = {};
    g_pSimCap->pPrivProf->GetOutputPath(szPath, sizeof(szPath));
    return UseOutputPath(szPath);
}

BOOL DefTgtDg::UseOutputPath(LPCSTR pszPath)
{
    if (!pszPath || !*pszPath || lstrlenA(pszPath) > MAX_PATH) return FALSE;
    lstrcpynA(szOutputPath, pszPath, sizeof(szOutputPath));
    return TRUE;
}

DefTgtResult DefTgtDg::Show()
{
    FreeResults();
    bCancelled = FALSE;
    lstrcpynA(szFile, FindFileName(szOutputPath), sizeof(szFile));
    lstrcpynA(szInitialDir, szOutputPath, sizeof(szInitialDir));
    StripLastComponent(szInitialDir);

    INT_PTR nResult = DialogBoxParamA(hResModule, MAKEINTRESOURCEA(c_nTemplate), hwndOwner, DefTgtDlgProc,
                                      reinterpret_cast<LPARAM>(this));
    hdlg = nullptr;
    hwndList = nullptr;
    if (nResult == -1 || nResult == 0)
    {
        ShowMessage(hwndOwner, "Error attempting to process the Define Target Dialog.",
                    MB_ICONINFORMATION | MB_TOPMOST);
        return DEFTGT_FAILED;
    }
    return bCancelled ? DEFTGT_CANCELLED : DEFTGT_OK;
}

INT_PTR CALLBACK DefTgtDg::DefTgtDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // The list box measures its entries while it is created, before the dialog knows its object.
    if (uMsg == WM_MEASUREITEM)
    {
        auto* pmis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (pmis->CtlID != c_idList) return FALSE;
        pmis->itemWidth = c_cxItem;
        pmis->itemHeight = c_cyItem;
        return TRUE;
    }
    if (uMsg == WM_INITDIALOG) SetWindowLongPtrA(hdlg, GWLP_USERDATA, lParam);
    auto* pThis = reinterpret_cast<DefTgtDg*>(GetWindowLongPtrA(hdlg, GWLP_USERDATA));
    if (!pThis) return FALSE;

    // The shell hook tells the dialog; the list box keeps the list.
    UINT nAdd = g_shared.nWM_ListBoxAddProcess;
    UINT nRemove = g_shared.nWM_ListBoxRemoveProcess;
    if ((nAdd && uMsg == nAdd) || (nRemove && uMsg == nRemove))
    {
        if (pThis->hwndList) SendMessageA(pThis->hwndList, uMsg, wParam, lParam);
        return TRUE;
    }

    switch (uMsg)
    {
    case WM_INITDIALOG: return pThis->OnInitDialog(hdlg);
    case WM_COMMAND: return pThis->OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_DRAWITEM:
        if (wParam != c_idList) return FALSE;
        pThis->OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DELETEITEM:
        if (wParam != c_idList) return FALSE;
        pThis->OnDeleteItem(reinterpret_cast<const DELETEITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CHARTOITEM:
        if (reinterpret_cast<HWND>(lParam) != pThis->hwndList) return FALSE;
        return pThis->OnCharToItem(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
    case c_nWM_PruneEntry:
        if (!IsWindow(reinterpret_cast<HWND>(wParam))) pThis->RemoveWindow(reinterpret_cast<HWND>(wParam));
        return TRUE;
    case WM_TIMER:
        if (wParam != c_idWatchTimer) return FALSE;
        pThis->OnWatchTimer();
        return TRUE;
    case WM_NCDESTROY:
        pThis->OnNcDestroy();
        SetWindowLongPtrA(hdlg, GWLP_USERDATA, 0);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK DefTgtDg::AboutBoxDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg)
    {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
        EndDialog(hdlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

BOOL CALLBACK DefTgtDg::BuildProcessInfo(HWND hwnd, LPARAM lParam)
{
    reinterpret_cast<DefTgtDg*>(lParam)->AddWindow(hwnd);
    return TRUE;
}

LRESULT CALLBACK DefTgtDg::ListBoxSubclassProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto pfnOld = reinterpret_cast<WNDPROC>(GetPropA(hwnd, c_szOldProcProp));
    if (!pfnOld) return DefWindowProcA(hwnd, uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY)
    {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnOld));
        RemovePropA(hwnd, c_szOldProcProp);
        return CallWindowProcA(pfnOld, hwnd, uMsg, wParam, lParam);
    }
    auto* pThis = reinterpret_cast<DefTgtDg*>(GetWindowLongPtrA(GetParent(hwnd), GWLP_USERDATA));
    if (!pThis) return CallWindowProcA(pfnOld, hwnd, uMsg, wParam, lParam);
    return pThis->OnListBoxMessage(hwnd, pfnOld, uMsg, wParam, lParam);
}

LRESULT CALLBACK DefTgtDg::ListBoxShellHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    HWND hdlg = g_shared.hwndDefTgtDlg;
    if (nCode >= 0 && hdlg)
    {
        switch (nCode)
        {
        case HSHELL_WINDOWCREATED: NotifyDialog(hdlg, g_shared.nWM_ListBoxAddProcess, wParam); break;
        case HSHELL_WINDOWDESTROYED: NotifyDialog(hdlg, g_shared.nWM_ListBoxRemoveProcess, wParam); break;
        case HSHELL_REDRAW: RedrawWindow(hdlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN); break;
        }
    }
    return CallNextHookEx(g_shared.hhkDlgShell, nCode, wParam, lParam);
}

BOOL DefTgtDg::OnInitDialog(HWND hdlgInit)
{
    hdlg = hdlgInit;
    hwndList = GetDlgItem(hdlg, c_idList);
    g_shared.hwndDefTgtDlg = hdlg;
    SetWindowTextA(hdlg, szCaption);
    CheckDlgButton(hdlg, c_idIncludeNew, bIncludeNewApps ? BST_CHECKED : BST_UNCHECKED);

    g_shared.nWM_ListBoxAddProcess = RegisterWindowMessageA(c_szAddMessage);
    g_shared.nWM_ListBoxRemoveProcess = RegisterWindowMessageA(c_szRemoveMessage);
    SubclassList();
    // Without the hook the list still works; it just does not follow new windows until Refresh.
    if (!shellHook.Install(ListBoxShellHook, g_hModule))
        DebugOutF("DefTgtDg: the shell hook could not be installed - %lu\n", GetLastError());

    FillList();
    SetDlgItemTextA(hdlg, c_idOutputPath, szOutputPath);
    return TRUE;
}

BOOL DefTgtDg::OnCommand(UINT nId, UINT nNotify)
{
    switch (nId)
    {
    case IDOK: OnOK(); return TRUE;
    case IDCANCEL:
        bCancelled = TRUE;
        EndDialog(hdlg, IDCANCEL);
        return TRUE;
    case c_idBrowse: OnBrowse(); return TRUE;
    case c_idSettings: OnSettings(); return TRUE;
    case c_idRefresh: FillList(); return TRUE;
    case c_idAbout:
        DialogBoxParamA(hResModule, MAKEINTRESOURCEA(c_nAboutTemplate), hdlg, AboutBoxDlgProc, 0);
        return TRUE;
    case c_idHelp: OnHelp(); return TRUE;
    case c_idList:
        if (nNotify != LBN_DBLCLK) return FALSE;
        ToggleEntry(static_cast<int>(SendMessageA(hwndList, LB_GETCARETINDEX, 0, 0)));
        InvalidateRect(hwndList, nullptr, TRUE);
        return TRUE;
    }
    return FALSE;
}

void DefTgtDg::OnDrawItem(const DRAWITEMSTRUCT* pdis)
{
    SavedDcState state(pdis->hDC);
    RECT rc = pdis->rcItem;
    auto* pEntry =
        pdis->itemID == static_cast<UINT>(-1) ? nullptr : reinterpret_cast<TargetEntry*>(pdis->itemData);
    if (pEntry && !IsWindow(pEntry->hwnd))
    {
        PostMessageA(hdlg, c_nWM_PruneEntry, reinterpret_cast<WPARAM>(pEntry->hwnd), 0);
        return;
    }

    FillRect(pdis->hDC, &rc, GetSysColorBrush(COLOR_WINDOW));
    if (!pEntry) return;

    RECT rcCheck = {rc.left, rc.top, rc.left + c_cxCheckSquare, rc.top + c_cxCheckSquare};
    InflateRect(&rcCheck, -2, -2);
    DrawFrameControl(pdis->hDC, &rcCheck, DFC_BUTTON,
                     DFCS_BUTTONCHECK | DFCS_FLAT | DFCS_TRANSPARENT |
                         (pEntry->bSelected ? DFCS_CHECKED : 0));

    HICON hicon = WindowIcon(pEntry->hwnd);
    if (hicon)
        DrawIconEx(pdis->hDC, rc.left + c_xIcon, rc.top + c_yIcon, hicon, c_cxyIcon, c_cxyIcon, 0, nullptr,
                   DI_NORMAL);

    char szTitle[512];
    LRESULT cch = SendMessageA(hwndList, LB_GETTEXTLEN, pdis->itemID, 0);
    if (cch >= 0 && cch < static_cast<LRESULT>(sizeof(szTitle)) &&
        SendMessageA(hwndList, LB_GETTEXT, pdis->itemID, reinterpret_cast<LPARAM>(szTitle)) != LB_ERR)
    {
        SetBkMode(pdis->hDC, TRANSPARENT);
        SetTextColor(pdis->hDC, GetSysColor(COLOR_WINDOWTEXT));
        TextOutA(pdis->hDC, rc.left + c_xText, rc.top + c_yText, szTitle, lstrlenA(szTitle));
    }

    if (pdis->itemState & ODS_SELECTED) InvertRect(pdis->hDC, &rc);
    if (pdis->itemState & ODS_FOCUS) DrawFocusRect(pdis->hDC, &rc);
}

void DefTgtDg::OnDeleteItem(const DELETEITEMSTRUCT* pdels)
{
    delete reinterpret_cast<TargetEntry*>(pdels->itemData);
}

INT_PTR DefTgtDg::OnCharToItem(UINT ch, int iCaret)
{
    // -1 leaves every other key to the list box's own search.
    if (ch != ' ') return -1;
    ToggleEntry(iCaret);
    return iCaret;
}

void DefTgtDg::OnOK()
{
    if (!AnySelected())
    {
        if (ShowMessage(hdlg, "No application has been selected. Exit?",
                        MB_OKCANCEL | MB_ICONQUESTION | MB_TOPMOST) != IDOK)
            return;
        bCancelled = TRUE;
        EndDialog(hdlg, IDCANCEL);
        return;
    }
    // Refused before anything is made: a session of this path could not create its files.
    if (int cchExcess = SIMCAP::SessionPathExcess(szOutputPath))
    {
        char szText[200];
        wsprintfA(szText,
                  "The path of the recording file is too long for the files a recording makes beside it.  "
                  "Choose a path at least %d characters shorter.",
                  cchExcess);
        ShowMessage(hdlg, szText, MB_ICONEXCLAMATION | MB_TOPMOST);
        return;
    }
    // The file check reads the stored path, so a new choice is stored first.
    if (bOutputPathChanged && g_pSimCap && g_pSimCap->pPrivProf)
        g_pSimCap->pPrivProf->SetOutputPath(szOutputPath);
    if (!ExistsDg::CheckFileExists(hResModule, hdlg)) return;
    // A guidance dialog that cannot be shown does not stop the recording.
    UserAsDg::ShowUserAssistance(hResModule, hdlg);
    if (!StoreListboxData()) return;
    bIncludeNewApps = IsDlgButtonChecked(hdlg, c_idIncludeNew) == BST_CHECKED;
    EndDialog(hdlg, IDOK);
}

void DefTgtDg::OnBrowse()
{
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hdlg;
    ofn.lpstrFilter = c_szSaveFilter;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = szInitialDir;
    ofn.lpstrTitle = szSaveTitle;
    ofn.Flags = c_dwSaveFlags;
    ofn.lpstrDefExt = "xml";
    if (!GetSaveFileNameA(&ofn)) return;
    if (!lstrcmpiA(szFile, szOutputPath)) return;
    SetDlgItemTextA(hdlg, c_idOutputPath, szFile);
    lstrcpynA(szOutputPath, szFile, sizeof(szOutputPath));
    bOutputPathChanged = TRUE;
}

// The help file lies beside the host's module. WinHelp starts a help viewer and waits for it, and a viewer
// that cannot find the file waits for the user in its own question: so a missing file is reported here,
// and an existing one is named by its full path, which the viewer finds wherever it runs.
void DefTgtDg::OnHelp()
{
    char szPath[MAX_PATH + 1] = {};
    DWORD cch = GetModuleFileNameA(hResModule, szPath, sizeof(szPath));
    if (cch && cch < sizeof(szPath))
        StripLastComponent(szPath);
    else
        szPath[0] = '\0';
    if (!szPath[0] || !AppendPath(c_szHelpFile, szPath, sizeof(szPath)) ||
        GetFileAttributesA(szPath) == INVALID_FILE_ATTRIBUTES)
    {
        ShowMessage(hdlg, "The help file SimRecorder.hlp could not be found.",
                    MB_ICONINFORMATION | MB_TOPMOST);
        return;
    }
    WinHelpA(hdlg, szPath, HELP_FINDER, 0);
}

void DefTgtDg::OnSettings()
{
    if (!pDefOptDg)
        pDefOptDg.reset(new (std::nothrow) DefOptDg(hResModule, hdlg, "Hotkey and Sound Settings"));
    if (pDefOptDg && pDefOptDg->Load()) pDefOptDg->Show();
}

void DefTgtDg::OnNcDestroy()
{
    KillTimer(hdlg, c_idWatchTimer);
    cPending = 0;
    shellHook.Reset();
}

void DefTgtDg::WatchUntilShown(HWND hwnd)
{
    for (UINT i = 0; i < cPending; i++)
        if (aPending[i].hwnd == hwnd) return;
    if (cPending == c_cPending) return;
    aPending[cPending++] = {hwnd, GetTickCount()};
    SetTimer(hdlg, c_idWatchTimer, c_msWatchTick, nullptr);
}

void DefTgtDg::OnWatchTimer()
{
    DWORD dwNow = GetTickCount();
    UINT cKept = 0;
    for (UINT i = 0; i < cPending; i++)
    {
        const PendingWindow& pending = aPending[i];
        BOOL bDone = !IsWindow(pending.hwnd) || FindWindowEntry(pending.hwnd) >= 0 ||
                     AddWindow(pending.hwnd) || dwNow - pending.dwSince > c_msWatchLimit;
        if (!bDone) aPending[cKept++] = pending;
    }
    cPending = cKept;
    if (!cPending) KillTimer(hdlg, c_idWatchTimer);
}

LRESULT DefTgtDg::OnListBoxMessage(HWND hwnd, WNDPROC pfnOld, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    UINT nAdd = g_shared.nWM_ListBoxAddProcess;
    UINT nRemove = g_shared.nWM_ListBoxRemoveProcess;
    if (nAdd && uMsg == nAdd)
    {
        HWND hwndNew = reinterpret_cast<HWND>(wParam);
        // A window is announced before it is shown, and may get its title only afterwards.
        if (!AddWindow(hwndNew) && IsWindow(hwndNew) &&
            (!IsWindowVisible(hwndNew) || !GetWindowTextLengthA(hwndNew)))
            WatchUntilShown(hwndNew);
        return 0;
    }
    if (nRemove && uMsg == nRemove)
    {
        RemoveWindow(reinterpret_cast<HWND>(wParam));
        return 0;
    }
    if (uMsg == WM_LBUTTONDOWN || uMsg == WM_LBUTTONDBLCLK)
    {
        // A click on an entry's check box toggles it and goes no further: the list's selection stays.
        LRESULT nHit = SendMessageA(hwnd, LB_ITEMFROMPOINT, 0, lParam);
        if (!HIWORD(nHit))
        {
            int i = LOWORD(nHit);
            const TargetEntry* pEntry = EntryAt(i);
            if (pEntry && GET_X_LPARAM(lParam) < pEntry->cxCheckBox)
            {
                ToggleEntry(i);
                return 0;
            }
        }
    }
    return CallWindowProcA(pfnOld, hwnd, uMsg, wParam, lParam);
}

void DefTgtDg::SubclassList()
{
    if (!hwndList) return;
    LONG_PTR pfnOld = GetWindowLongPtrA(hwndList, GWLP_WNDPROC);
    if (!pfnOld || !SetPropA(hwndList, c_szOldProcProp, reinterpret_cast<HANDLE>(pfnOld))) return;
    SetWindowLongPtrA(hwndList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListBoxSubclassProc));
}

void DefTgtDg::FillList()
{
    if (!hwndList) return;
    SendMessageA(hwndList, LB_RESETCONTENT, 0, 0);
    EnumWindows(BuildProcessInfo, reinterpret_cast<LPARAM>(this));
}

BOOL DefTgtDg::AddWindow(HWND hwnd)
{
    if (!hwndList || !hwnd || !IsWindow(hwnd)) return FALSE;
    LONG nStyle = GetWindowLongA(hwnd, GWL_STYLE);
    LONG nExStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
    if (!(nStyle & WS_VISIBLE) || GetParent(hwnd) || (nExStyle & WS_EX_TOOLWINDOW)) return FALSE;
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hwnd, &dwProcessId);
    if (!IsListableProcess(dwProcessId) || FindWindowEntry(hwnd) >= 0) return FALSE;

    auto* pEntry = new (std::nothrow) TargetEntry{dwProcessId, hwnd, FALSE, 0};
    if (!pEntry) return FALSE;
    // A new window of the chosen application is chosen with it.
    int cEntries = static_cast<int>(SendMessageA(hwndList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < cEntries; i++)
    {
        const TargetEntry* pOther = EntryAt(i);
        if (pOther && pOther->dwProcessId == dwProcessId)
        {
            pEntry->bSelected = pOther->bSelected;
            break;
        }
    }
    pEntry->cxCheckBox = static_cast<int>(SendMessageA(hwndList, LB_GETITEMHEIGHT, 0, 0));

    char szTitle[256] = {};
    GetWindowTextA(hwnd, szTitle, sizeof(szTitle));
    // Nobody can tell an untitled entry apart, nor record the shell's own taskbar and desktop.
    if (!szTitle[0] || IsShellWindow(hwnd))
    {
        delete pEntry;
        return FALSE;
    }
    LRESULT i = SendMessageA(hwndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szTitle));
    if (i < 0)
    {
        delete pEntry;
        return FALSE;
    }
    if (SendMessageA(hwndList, LB_SETITEMDATA, i, reinterpret_cast<LPARAM>(pEntry)) == LB_ERR)
    {
        SendMessageA(hwndList, LB_DELETESTRING, i, 0);
        delete pEntry;
        return FALSE;
    }
    return TRUE;
}

BOOL DefTgtDg::IsShellWindow(HWND hwnd)
{
    static const LPCSTR c_apszShellClasses[] = {"Shell_TrayWnd", "Shell_SecondaryTrayWnd", "Progman",
                                                "WorkerW"};
    char szClass[64] = {};
    GetClassNameA(hwnd, szClass, sizeof(szClass));
    for (LPCSTR pszClass : c_apszShellClasses)
        if (!lstrcmpiA(szClass, pszClass)) return TRUE;
    return hwnd == GetShellWindow();
}

BOOL DefTgtDg::IsListableProcess(DWORD dwProcessId)
{
    if (dwProcessId == GetCurrentProcessId() && !(g_pSimCap && g_pSimCap->bSelfCapture)) return FALSE;
    // A recorder under WOW64 cannot hook 64-bit processes: only other WOW64 processes are offered.
    if (!g_bOwnProcessIsWow64) return TRUE;
    LateBoundApi* pApi = g_pSimCap ? g_pSimCap->pLateBoundApi : nullptr;
    if (!pApi)
    {
        if (!pOwnApi) pOwnApi.reset(new (std::nothrow) LateBoundApi);
        pApi = pOwnApi.get();
    }
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, dwProcessId));
    if (!pApi || !process.Get()) return FALSE;
    BOOL bWow64 = FALSE;
    return pApi->IsWow64Process(process.Get(), &bWow64) && bWow64;
}

void DefTgtDg::RemoveWindow(HWND hwnd)
{
    int i = FindWindowEntry(hwnd);
    if (i >= 0) SendMessageA(hwndList, LB_DELETESTRING, i, 0);
}

int DefTgtDg::FindWindowEntry(HWND hwnd) const
{
    int cEntries = static_cast<int>(SendMessageA(hwndList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < cEntries; i++)
    {
        const TargetEntry* pEntry = EntryAt(i);
        if (pEntry && pEntry->hwnd == hwnd) return i;
    }
    return -1;
}

TargetEntry* DefTgtDg::EntryAt(int i) const
{
    if (!hwndList || i < 0) return nullptr;
    LRESULT nData = SendMessageA(hwndList, LB_GETITEMDATA, i, 0);
    return nData == LB_ERR ? nullptr : reinterpret_cast<TargetEntry*>(nData);
}

void DefTgtDg::ToggleEntry(int i)
{
    const TargetEntry* pEntry = EntryAt(i);
    if (pEntry) SelectProcess(pEntry->dwProcessId, !pEntry->bSelected);
}

// One application at a time, with all its windows.
void DefTgtDg::SelectProcess(DWORD dwProcessId, BOOL bSelect)
{
    int cEntries = static_cast<int>(SendMessageA(hwndList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < cEntries; i++)
    {
        TargetEntry* pEntry = EntryAt(i);
        if (!pEntry) continue;
        BOOL bNew = pEntry->dwProcessId == dwProcessId ? bSelect : FALSE;
        if (!pEntry->bSelected == !bNew) continue;
        pEntry->bSelected = bNew;
        RECT rc;
        if (SendMessageA(hwndList, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc)) != LB_ERR)
            InvalidateRect(hwndList, &rc, FALSE);
    }
}

BOOL DefTgtDg::AnySelected() const
{
    int cEntries = static_cast<int>(SendMessageA(hwndList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < cEntries; i++)
    {
        const TargetEntry* pEntry = EntryAt(i);
        if (pEntry && pEntry->bSelected) return TRUE;
    }
    return FALSE;
}

// The records of all entries pass to the result array; the list forgets them so that it does not free them.
BOOL DefTgtDg::StoreListboxData()
{
    FreeResults();
    int cEntries = static_cast<int>(SendMessageA(hwndList, LB_GETCOUNT, 0, 0));
    if (cEntries < 0) cEntries = 0;
    ppResults = new (std::nothrow) TargetEntry*[cEntries ? cEntries : 1];
    if (!ppResults) return FALSE;
    for (int i = 0; i < cEntries; i++)
    {
        TargetEntry* pEntry = EntryAt(i);
        if (!pEntry) continue;
        if (SendMessageA(hwndList, LB_SETITEMDATA, i, 0) == LB_ERR)
        {
            DebugOut("DefTgtDg:StoreListboxData - failed to clear item data element.\n");
            // The list still owns that record; the result gets its own copy.
            pEntry = new (std::nothrow) TargetEntry(*pEntry);
            if (!pEntry) continue;
        }
        ppResults[cResults++] = pEntry;
    }
    return TRUE;
}

void DefTgtDg::FreeResults()
{
    for (UINT i = 0; i < cResults; i++)
        delete ppResults[i];
    delete[] ppResults;
    ppResults = nullptr;
    cResults = 0;
}
