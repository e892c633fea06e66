// config/PrivProf.h — the layered "QM57REC.INI" files: where the user's file lives, reading every layer
// into the recorder's settings, and writing back the few values the user changes in the dialogs.
#pragma once
#include <windows.h>

class SIMCAP;

// The five control-class lists the window snapshot looks class names up in.
enum : UINT
{
    CLASSES_BUTTON = 0,
    CLASSES_COMBOBOX = 1,
    CLASSES_LISTBOX = 2,
    CLASSES_EDIT = 3,
    CLASSES_ACCESSIBILITY = 4,
    CLASSES_COUNT = 5,
};

// A block of text pointers (GlobalAlloc 0x2002, locked), each text in its own block of the same kind;
// entry 0 is the list's default class. An absent list has no block and count 0.
struct CLASS_LIST
{
    LPSTR* ppszClass;
    UINT cClass;
};

class PrivProf
{
  public:
    // pSimCap receives the settings; hInstance is the host's module; hwndOwner owns the message boxes
    // (null while the recorder window does not exist yet).
    PrivProf(SIMCAP* pSimCap, HINSTANCE hInstance, HWND hwndOwner);
    ~PrivProf();
    PrivProf(const PrivProf&) = delete;
    PrivProf& operator=(const PrivProf&) = delete;

    // Fixes the default output path and the user configuration path and makes sure the user's file
    // holds "OutputPath". Shows its own message boxes on failure.
    BOOL Init();
    // Reads the file beside the host's module, then the common, local and roaming layers.
    BOOL LoadConfiguration();
    BOOL LoadConfigurationFile(LPCSTR pszFile);

    // The recording file's path, read afresh from the user's file; empty when it does not fit.
    BOOL GetOutputPath(LPSTR pszBuffer, UINT cchBuffer);
    // The folder of the recording file, without a trailing backslash; answers its length, 0 on failure.
    UINT GetOutputFolder(LPSTR pszBuffer, UINT cchBuffer);
    BOOL SetOutputPath(LPCSTR pszPath);
    // pszName is "SnapshotKey" or "StopKey" (case matters). Memory changes even when the write fails.
    BOOL SetHotkeyVals(LPCSTR pszName, UINT nValue);
    BOOL SetUserAssistanceDlg(BOOL bShow);
    BOOL SetOverwriteOKDlg(BOOL bAsk);
    // SetHotkeyVals with the Options dialog's message box on failure.
    BOOL UpdateSnapshotKey(UINT nKey) { return UpdateSnapshotKey(hwndOwner, nKey); }
    BOOL UpdateSnapshotKey(HWND hwndMsgOwner, UINT nKey);
    BOOL UpdateStopKey(UINT nKey) { return UpdateStopKey(hwndOwner, nKey); }
    BOOL UpdateStopKey(HWND hwndMsgOwner, UINT nKey);

    LPCSTR UserConfigPath() const { return szUserIni; }
    // Points the writes and output-path queries at another file; refused when it does not fit.
    BOOL SetUserConfigPath(LPCSTR pszPath);
    LPCSTR DefaultOutputPath() const { return szDefOutputPath; }
    HWND OwnerWindow() const { return hwndOwner; }
    void SetOwnerWindow(HWND hwnd) { hwndOwner = hwnd; }

    // Class lookups, without regard to case; an absent list matches nothing.
    BOOL FindClass(UINT nList, LPCSTR pszClass) const;
    BOOL IsButtonClass(LPCSTR pszClass) const { return FindClass(CLASSES_BUTTON, pszClass); }
    BOOL IsComboBoxClass(LPCSTR pszClass) const { return FindClass(CLASSES_COMBOBOX, pszClass); }
    BOOL IsListBoxClass(LPCSTR pszClass) const { return FindClass(CLASSES_LISTBOX, pszClass); }
    BOOL IsEditClass(LPCSTR pszClass) const { return FindClass(CLASSES_EDIT, pszClass); }
    BOOL IsAccessibilityClass(LPCSTR pszClass) const { return FindClass(CLASSES_ACCESSIBILITY, pszClass); }
    UINT ClassCount(UINT nList) const;
    LPCSTR ClassAt(UINT nList, UINT i) const;

    BOOL ReadControlClasses(LPCSTR pszSection, LPCSTR pszDefault, LPCSTR pszFile, CLASS_LIST* pList);

    // Creates every folder of pszPath after the backslash at ichStart; undoes its own work on failure.
    static BOOL CreateFolderPath(LPCSTR pszPath, UINT ichStart);

  private:
    BOOL ReadWindowMessages(LPCSTR pszFile);
    BOOL ReadApplications(LPCSTR pszFile);
    BOOL WriteSetting(LPCSTR pszKey, LPCSTR pszValue);
    static void FreeClassList(CLASS_LIST* pList);
    static BOOL SetDefaultClassOnly(LPCSTR pszDefault, CLASS_LIST* pList);

    SIMCAP* pSimCap;
    HINSTANCE hInstance;
    HWND hwndOwner;
    char szDefOutputPath[MAX_PATH + 1];
    char szOutputPath[MAX_PATH + 1];
    char szOutputPathWork[MAX_PATH + 1];
    char szUserIni[MAX_PATH + 1];
    CLASS_LIST aClassList[CLASSES_COUNT];
    BOOL bClassesLoaded;
};
