// host/SimCap.h — the one recorder object, reached everywhere in the recorder process through g_pSimCap.
#pragma once
#include <windows.h>

#include <atomic>

#include "config/Sounds.h"
#include "hooks/CopyDataRecords.h"
#include "hooks/InclExclArray.h"
#include "host/RecorderIds.h"

class PrivProf;
class TagMap;
class LateBoundApi;
class Tags;

class SIMCAP
{
public:
    SIMCAP();
    ~SIMCAP();
    SIMCAP(const SIMCAP&) = delete;
    SIMCAP& operator=(const SIMCAP&) = delete;

    BOOL Init(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR pszCmdLine, int nCmdShow);

    // Hidden window, commands and menu states.
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    BOOL IsCommandAllowed(UINT nCommand);
    void SetMenuState(HWND hwnd, UINT nState);
    void SetMenuStates(HWND hwnd, HMENU hmenuPopup);
    void OnCommand(HWND hwnd, UINT nCommand, LPARAM lParam, UINT nNotifyCode);
    void OnTrayNotify(LPARAM lParam);
    LRESULT OnCopyData(HWND hwnd, WPARAM wParam, LPARAM lParam);
    LRESULT OnHookEventRecord(const SIMCAP_COPYDATA_HOOKEVENT& record);
    LRESULT OnCbtEventRecord(const SIMCAP_COPYDATA_CBTEVENT& record);
    LRESULT OnControlDataReply(const COPYDATASTRUCT* pcds);
    void OnAddProcess(HWND hwndNew);
    void OnRemoveProcess(HWND hwndGone);
    void ToggleHotkeys(HWND hwnd);

    // Hooks.
    void HookAll(HWND hwnd);
    void UnhookAll(HWND hwnd);
    void HookKeys(HWND hwnd);
    void UnhookKeys(HWND hwnd);

    // Journal events become event objects here (the recording journal hook runs on the UI thread, or its
    // records are handed over to it).
    BOOL OnJournalKeyboardEvent(LONG nCode, const EVENTMSG& em);
    BOOL OnJournalMouseEvent(LONG nCode, const EVENTMSG& em);
    BOOL OnJournalEvent(LONG nCode, const EVENTMSG& em);

    // Capture lifecycle.
    BOOL CallSetup(HINSTANCE hResModule, HWND hwndOwner);
    void StartCapture();
    void CaptureStep(BOOL bInitial);
    void StopCapture();

    // XML writer: every capture file is written through these, to hCaptureFile at its end.
    BOOL WriteIndent(int nCount);
    BOOL WriteEscapedChar(LPCSTR pch);
    BOOL WriteEscaped(LPCSTR psz);
    BOOL WriteRaw(LPCSTR psz);
    BOOL WriteComment(LPCSTR psz);
    BOOL WriteStartTag(LPCSTR pszName, LPCSTR pszIntAttrName, int nIntAttrValue, LPCSTR pszStrAttrName,
                       LPCSTR pszStrAttrValue);
    BOOL WriteEndTag(LPCSTR pszName);
    BOOL WriteSimpleTag(int nIndent, LPCSTR pszName, LPCSTR pszValue, LPCSTR pszComment);
    BOOL WriteSimpleTagInt(int nIndent, LPCSTR pszName, int nValue, LPCSTR pszComment);
    BOOL WriteSimpleTagUInt(int nIndent, LPCSTR pszName, DWORD dwValue, LPCSTR pszComment);
    BOOL WriteSimpleXML(int nIndent, LPCSTR pszName, LPCSTR pszXml, LPCSTR pszComment);
    BOOL WriteEventsMark(LPCSTR pszTag, int nKind);

    // Inclusion and exclusion of processes and windows.
    BOOL IsDebugExclusion(DWORD dwProcessId);
    BOOL GetProcessName(DWORD dwProcessId, LPSTR pszName, DWORD cchName);
    BOOL AddProcessAndWindow(HWND hwnd, DWORD dwProcessId, BOOL bInclude);
    BOOL SetupInclExcl();
    static BOOL CALLBACK WndEnumProc(HWND hwnd, LPARAM lParam);
    BOOL IsLastListedWindowOfProcess(HWND hwnd, DWORD dwProcessId, BOOL bInIncluded);
    BOOL ClearExcludedProcesses();
    BOOL ClearExcludedWindows();
    BOOL ClearIncludedProcesses();
    BOOL ClearIncludedWindows();

    // Error and progress reporting.
    void OutputLastError(LPCSTR pszPrefix, DWORD dwError);
    void ShowErrorBox();

    // Tray icon thread.
    BOOL CreateTrayThread();
    BOOL DestroyTrayThread();
    static DWORD WINAPI TrayThreadProc(LPVOID pvParam);
    BOOL ProcessIconInfo(DWORD dwAction, UINT nIconId);

    // Writer thread (the thread itself arrives with the capture file writer).
    BOOL CreateWrThread();
    BOOL DestroyWrThread();

    // The recorder window (shared with every process that maps the library).
    static HWND Window();

    // Fields, in declaration order.
    CRITICAL_SECTION csBkgndMsg;
    HWND hMsgTarget;
    char szBkgndMsg[520];
    UINT nMsgMode;
    HINSTANCE hInstance;
    OFSTRUCT ofCapture;
    HFILE hCaptureFile;
    PrivProf* pPrivProf;
    TagMap* pTagMap;
    LateBoundApi* pLateBoundApi;
    Sounds sounds;
    UINT nImageCounter;
    std::atomic<UINT> nMenuState;  // written by the UI thread, polled by the writer and tray threads
    int nSessionId;
    BOOL bIncludeHiddenWindows;
    BOOL bIncludeMouseEvents;
    BOOL bIncludeJournalEvents;
    BOOL bKeepTempOutputFiles;
    BOOL bKeysHooked;
    BOOL bShowDeltaState;
    BOOL bUserAssistanceDlg;
    BOOL bOverwriteOKDlg;
    BOOL bAccessibilityEntry;
    BOOL bDebugExclusions;
    BOOL bSelfCapture;
    EXCLUDE_ARRAY<NUMBER_ARRAY> aExclMessages;
    EXCLUDE_ARRAY<STRING_ARRAY> aExclApplications;
    EXCLUDE_ARRAY<NUMBER_ARRAY> aExclProcesses;
    EXCLUDE_ARRAY<NUMBER_ARRAY> aExclWindows;
    INCLUDE_ARRAY<NUMBER_ARRAY> aInclProcesses;
    INCLUDE_ARRAY<NUMBER_ARRAY> aInclWindows;
    BOOL bIncludeNewApps;
    UINT nSnapshotKey;
    UINT nStopKey;
    HANDLE hWrThread;
    HANDLE hTrayThread;
    std::atomic<UINT> nWrThreadStatus;
    std::atomic<BOOL> bQuitting;  // ends both threads
    Tags* pTags;

private:
    BOOL RegisterRecorderWindow();
    BOOL RegisterSharedMessages();
    void EndThreads();
    BOOL bCriticalSectionReady = FALSE;
};

extern SIMCAP* g_pSimCap;
extern UINT g_nTrayIcon;

extern "C" __declspec(dllexport) int WINAPI SimCap_WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance,
                                                           LPSTR pszCmdLine, int nCmdShow);
