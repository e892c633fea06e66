// ui/DefTgtDg.h — the Define Target dialog: which application to record and where the recording goes.
//
// How the capture lifecycle uses it:
//
//     DefTgtDg dlg(hResModule, hwndOwner, "Quillmark Sim Stepforge", "Save Recorded File To");
//     if (!dlg.LoadOutputPath())              // "OutputPath" through g_pSimCap->pPrivProf; FALSE when empty
//         ...fail...                          // (or dlg.UseOutputPath(psz) with a path at hand)
//     switch (dlg.Show())
//     {
//     case DEFTGT_FAILED:    ...             // the dialog could not be created; its box was shown
//     case DEFTGT_CANCELLED: ...             // Cancel, or OK with nothing ticked and the user agreed to exit
//     case DEFTGT_OK:                        // a target was chosen, the output path stored if it changed
//         bIncludeNewApps = dlg.IncludeNewApps();
//         for (UINT i = 0; i < dlg.ResultCount(); i++)
//             AddProcessAndWindow(dlg.ResultAt(i)->hwnd, dlg.ResultAt(i)->dwProcessId,
//                                 dlg.ResultAt(i)->bSelected);
//     }
//
// The results are the records of every list entry, ticked or not; bSelected is the include flag.
// The object owns them and frees them when it is destroyed.
#pragma once
#include <windows.h>

#include <memory>

class DefOptDg;
class LateBoundApi;

// What Show answers.
enum DefTgtResult : int
{
    DEFTGT_FAILED = 0,
    DEFTGT_OK = 1,
    DEFTGT_CANCELLED = 2,
};

// One list entry: a top-level window of an application; stored as the entry's item data.
struct TargetEntry
{
    DWORD dwProcessId;
    HWND hwnd;
    BOOL bSelected; // the entry's check box; all windows of one process share it
    int cxCheckBox; // a click left of this x position toggles the check box
};

// The hook procedure's installation, owned by the dialog while it lives; the handle is kept in the shared
// section because the procedure passes it on from every process it runs in.
class DialogShellHook
{
  public:
    DialogShellHook() = default;
    ~DialogShellHook() { Reset(); }
    DialogShellHook(const DialogShellHook&) = delete;
    DialogShellHook& operator=(const DialogShellHook&) = delete;

    BOOL Install(HOOKPROC pfnHook, HMODULE hModule);
    void Reset();

  private:
    HHOOK hhk = nullptr;
};

class DefTgtDg
{
  public:
    DefTgtDg(HINSTANCE hResModule, HWND hwndOwner, LPCSTR pszCaption, LPCSTR pszSaveTitle);
    ~DefTgtDg();
    DefTgtDg(const DefTgtDg&) = delete;
    DefTgtDg& operator=(const DefTgtDg&) = delete;

    // The recording file's path from the user's configuration; FALSE when there is none.
    BOOL LoadOutputPath();
    // The same with a path given by the caller; FALSE when it is empty or longer than 260 characters.
    BOOL UseOutputPath(LPCSTR pszPath);

    // Runs the dialog modally; shows its own message box when it cannot be created.
    DefTgtResult Show();

    BOOL Cancelled() const { return bCancelled; }
    BOOL IncludeNewApps() const { return bIncludeNewApps; }
    UINT ResultCount() const { return cResults; }
    const TargetEntry* ResultAt(UINT i) const { return i < cResults ? ppResults[i] : nullptr; }
    LPCSTR OutputPath() const { return szOutputPath; }
    BOOL OutputPathChanged() const { return bOutputPathChanged; }

    static INT_PTR CALLBACK DefTgtDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK AboutBoxDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    // EnumWindows callback; lParam is the dialog object. Always goes on.
    static BOOL CALLBACK BuildProcessInfo(HWND hwnd, LPARAM lParam);
    static LRESULT CALLBACK ListBoxSubclassProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    // Runs in every process that creates or destroys windows: only the shared section may be used.
    static LRESULT CALLBACK ListBoxShellHook(int nCode, WPARAM wParam, LPARAM lParam);

  private:
    BOOL OnInitDialog(HWND hdlgInit);
    BOOL OnCommand(UINT nId, UINT nNotify);
    void OnDrawItem(const DRAWITEMSTRUCT* pdis);
    void OnDeleteItem(const DELETEITEMSTRUCT* pdels);
    INT_PTR OnCharToItem(UINT ch, int iCaret);
    void OnOK();
    void OnBrowse();
    void OnHelp();
    void OnSettings();
    void OnNcDestroy();
    LRESULT OnListBoxMessage(HWND hwndList, WNDPROC pfnOld, UINT uMsg, WPARAM wParam, LPARAM lParam);

    void SubclassList();
    void FillList();
    BOOL AddWindow(HWND hwnd);
    static BOOL IsShellWindow(HWND hwnd);
    BOOL IsListableProcess(DWORD dwProcessId);
    void RemoveWindow(HWND hwnd);
    void WatchUntilShown(HWND hwnd);
    void OnWatchTimer();
    int FindWindowEntry(HWND hwnd) const;
    TargetEntry* EntryAt(int i) const;
    void ToggleEntry(int i);
    void SelectProcess(DWORD dwProcessId, BOOL bSelect);
    BOOL AnySelected() const;
    BOOL StoreListboxData();
    void FreeResults();

    HINSTANCE hResModule;
    HWND hwndOwner;
    HWND hdlg = nullptr;
    HWND hwndList = nullptr;
    char szOutputPath[MAX_PATH + 1];
    char szInitialDir[MAX_PATH + 1];
    char szFile[MAX_PATH + 1];
    char szCaption[128];
    char szSaveTitle[128];
    BOOL bOutputPathChanged = FALSE;
    BOOL bIncludeNewApps = TRUE;
    BOOL bCancelled = FALSE;
    UINT cResults = 0;
    TargetEntry** ppResults = nullptr;
    std::unique_ptr<DefOptDg> pDefOptDg;   // made on first use, kept for the next
    std::unique_ptr<LateBoundApi> pOwnApi; // only when no recorder object lends its own
    DialogShellHook shellHook;

    // Windows announced before they were shown, looked at again for a while.
    struct PendingWindow
    {
        HWND hwnd;
        DWORD dwSince;
    };
    static const UINT c_cPending = 16;
    PendingWindow aPending[c_cPending] = {};
    UINT cPending = 0;
};
