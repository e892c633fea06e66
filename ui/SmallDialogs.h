// ui/SmallDialogs.h — the four small modal dialogs around a recording: Saving Data, Data Saved, File Already
// Exists and User Assistance. Each object is made for one showing; templates come from the host's resources.
#pragma once
#include <windows.h>

// Progress while the writer thread finishes a recording; the writer ends it through command 2202.
class SavDatDg
{
  public:
    SavDatDg(HINSTANCE hResModule, HWND hwndOwner, LPCSTR pszText);
    SavDatDg(const SavDatDg&) = delete;
    SavDatDg& operator=(const SavDatDg&) = delete;

    // Runs the dialog; FALSE (after its own message box) when it cannot be created.
    BOOL Show();
    BOOL Cancelled() const { return bCancelled; }
    BOOL Succeeded() const { return bSuccess; }

    static INT_PTR CALLBACK SavDatDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

  private:
    BOOL OnInitDialog(HWND hdlgInit);
    BOOL OnCommand(UINT nId, LPARAM lParam);
    void OnWriterWatch();

    HINSTANCE hResModule;
    HWND hwndOwner;
    HWND hdlg = nullptr;
    BOOL bCancelled = FALSE;
    BOOL bSuccess = FALSE;
    char szMessage[520];
};

// Tells where the recording went and asks whether to record again.
class DatSvdDg
{
  public:
    DatSvdDg(HINSTANCE hResModule, HWND hwndOwner);
    DatSvdDg(const DatSvdDg&) = delete;
    DatSvdDg& operator=(const DatSvdDg&) = delete;

    // Runs the dialog; FALSE (after its own message box) when it cannot be created.
    BOOL Show();
    // TRUE after OK (record again), FALSE after Cancel.
    BOOL Result() const { return bResult; }

    static INT_PTR CALLBACK DatSvdDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

  private:
    BOOL OnInitDialog(HWND hdlgInit);
    BOOL OnCommand(UINT nId);

    HINSTANCE hResModule;
    HWND hwndOwner;
    HWND hdlg = nullptr;
    BOOL bResult = FALSE;
    char szOutputPath[MAX_PATH + 1];
};

// Asks before an existing recording file is replaced.
class ExistsDg
{
  public:
    ExistsDg(HINSTANCE hResModule, HWND hwndOwner, LPCSTR pszPath);
    ExistsDg(const ExistsDg&) = delete;
    ExistsDg& operator=(const ExistsDg&) = delete;

    // Runs the dialog; FALSE (after its own message box) when it cannot be created.
    BOOL Show();
    // TRUE after OK (replace), FALSE after Cancel.
    BOOL Result() const { return bResult; }
    BOOL DontAskAgain() const { return bDontAsk; }

    // The whole check made on OK of the Define Target dialog: TRUE when recording may write the
    // recording file (absent, or the user agreed, or the question is switched off), FALSE when the user
    // declined or the file is read-only (then after a message box).
    static BOOL CheckFileExists(HINSTANCE hResModule, HWND hwndOwner);

    static INT_PTR CALLBACK ExistsDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

  private:
    BOOL OnInitDialog(HWND hdlgInit);
    BOOL OnCommand(UINT nId);

    HINSTANCE hResModule;
    HWND hwndOwner;
    HWND hdlg = nullptr;
    char szPath[MAX_PATH + 1];
    BOOL bResult = FALSE;
    BOOL bDontAsk = FALSE;
};

// Guidance shown before a recording starts, until the user ticks its box.
class UserAsDg
{
  public:
    UserAsDg(HINSTANCE hResModule, HWND hwndOwner);
    UserAsDg(const UserAsDg&) = delete;
    UserAsDg& operator=(const UserAsDg&) = delete;

    // Runs the dialog; FALSE (after its own message box) when it cannot be created.
    BOOL Show();
    BOOL DontShowAgain() const { return bDontShow; }

    // Shows the dialog unless "UserAssistanceDlg" is 0 and stores a ticked box. TRUE unless the dialog
    // could not be shown.
    static BOOL ShowUserAssistance(HINSTANCE hResModule, HWND hwndOwner);

    static INT_PTR CALLBACK UserAsDlgProc(HWND hdlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

  private:
    BOOL OnInitDialog(HWND hdlgInit);
    BOOL OnCommand(UINT nId);

    HINSTANCE hResModule;
    HWND hwndOwner;
    HWND hdlg = nullptr;
    BOOL bDontShow = FALSE;
};
