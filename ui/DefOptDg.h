// ui/DefOptDg.h — the Options dialog: the two recording hotkeys, the sound switches and high-resolution
// capture. Edits stay in the dialog until OK, which writes only the values that changed.
#pragma once
#include <windows.h>

// A key combination: the low 16 bits are the virtual-key code, the two bits above ask for the modifiers.
const UINT KEYCOMBO_ALT = 0x10000;
const UINT KEYCOMBO_CTRL = 0x20000;
const UINT KEYCOMBO_CODE = 0xFFFF;

// The five values the dialog edits, in the order they are applied.
struct OPTION_SET
{
    UINT nSnapshotKey;
    UINT nStopKey;
    BOOL bClicksEnabled;
    BOOL bNoteRequestEnabled;
    BOOL bAccessibilityEntry;
};

class DefOptDg
{
  public:
    static constexpr UINT c_cKeys = 51;
    static constexpr int c_cActions = 2;

    DefOptDg(HINSTANCE hResModule, HWND hwndOwner, LPCSTR pszTitle);
    DefOptDg(const DefOptDg&) = delete;
    DefOptDg& operator=(const DefOptDg&) = delete;

    // Takes the recorder's current values as both the saved and the edited set; called before every Show.
    BOOL Load();
    // Runs the dialog; TRUE when OK applied changes. FALSE also after the box shown when it cannot be
    // created.
    BOOL Show();
    BOOL Modified() const { return bModified; }

    // The key list: entry text and code of entry iEntry; FALSE past the last entry.
    static BOOL GetKeyEntry(UINT iEntry, LPSTR pszText, UINT cchText, UINT* pnCode);
    // The entry of pnCodes whose code is the combination's key, or -1 when none is.
    static int FindKeyEntry(const UINT* pnCodes, UINT cCodes, UINT nCombo);
    static UINT MakeKeyCombo(UINT nCode, BOOL bCtrl, BOOL bAlt);
    // The set the Defaults button restores; the stop key depends on the platform.
    static OPTION_SET DefaultSet(BOOL bWinNT);

    static INT_PTR CALLBACK DefOptDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

  private:
    BOOL OnInitDialog(HWND hdlgInit);
    BOOL OnCommand(UINT nId, UINT nNotify);
    void FillKeyList();
    UINT* GetKeyComboElementFromSelectedAction(int iAction);
    void ShowSelectedCombo();
    void StoreShownCombo();
    void ShowSwitches();
    void ReadSwitches();
    void Apply();

    BOOL bModified = FALSE;
    BOOL bApplied = FALSE;
    HINSTANCE hResModule;
    HWND hwndOwner;
    HWND hdlg = nullptr;
    UINT cKeys = 0;
    UINT anKeyCode[c_cKeys];
    int iSelectedAction = 0;
    OPTION_SET setSaved = {};
    OPTION_SET setEdited = {};
    char szTitle[128];
};
