// host/SimCap.h — the one recorder object, reached everywhere in the recorder process through g_pSimCap.
#pragma once
#include <windows.h>

#include <atomic>

#include "config/Sounds.h"
#include "hooks/ControlRequest.h"
#include "hooks/CopyDataRecords.h"
#include "hooks/InclExclArray.h"
#include "hooks/JournalTransport.h"
#include "host/RecorderIds.h"

class PrivProf;
class TagMap;
class LateBoundApi;
class Tags;
class DefTgtDg;

// Where the current output stood: its file and the offset its next byte takes.
struct OutputMark
{
    HFILE hFile;
    LONG lOffset;
};

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
    LRESULT TakeControlDataReply(const COPYDATASTRUCT* pcds);
    // A request for control data names the object that waits for its reply; only that reply is taken,
    // and handed to the sink once it has been checked against its counts.
    void BeginAwaitReply(ULONG_PTR dwData, const void* pvObject, ReplySink pfnSink = nullptr);
    void EndAwaitReply();
    // TRUE once the awaited object has taken its reply.
    BOOL ReplyTaken() const { return bReplyTaken; }
    BOOL IsAwaitingReply() const { return pvAwaitedObject != nullptr; }
    void OnAddProcess(HWND hwndNew);
    void OnRemoveProcess(HWND hwndGone);
    void ToggleHotkeys(HWND hwnd);

    // Hooks.
    void HookAll(HWND hwnd);
    void UnhookAll(HWND hwnd);
    void HookKeys(HWND hwnd);
    void UnhookKeys(HWND hwnd);

    // Hook procedures. The first five run in every hooked process and use only the shared section; the two
    // journal procedures run their logic on the UI thread (hooks/JournalTransport.h).
    static LRESULT CALLBACK CbtHookProc(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SimShellHookProc(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SysMsgHookProc(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CallWndRetHookProc(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK JournalHookProc(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK JournalHookKeyProc(int nCode, WPARAM wParam, LPARAM lParam);

    // The journal logic on the UI thread, for an event of nCode >= 0 and the moment it was seen; each
    // answers JOURNAL_* flags. The recording hook may store the foreground window into em.hwnd.
    UINT OnJournalRecord(LONG nCode, EVENTMSG& em, const JournalMoment& moment);
    UINT OnHotkeyRecord(LONG nCode, const EVENTMSG& em, const JournalMoment& moment);
    // A journal event handed over from another thread; the answer also goes back by ReplyMessage.
    LRESULT OnJournalHandOver(const SIMCAP_COPYDATA_JOURNALEVENT& record);

    // Cuts the hotkey keystrokes out of the text of a finished "Events" block held in a memory object (the
    // caller's pointer is the address after its size word). TRUE when they formed a hotkey.
    BOOL RemoveHotKey(void* pvMemObj);

    // Journal events become event objects here (the recording journal hook runs on the UI thread, or its
    // records are handed over to it).
    BOOL OnJournalKeyboardEvent(LONG nCode, const EVENTMSG& em);
    BOOL OnJournalMouseEvent(LONG nCode, const EVENTMSG& em);
    BOOL OnJournalEvent(LONG nCode, const EVENTMSG& em);

    // Capture lifecycle.
    BOOL CallSetup(HINSTANCE hResModule, HWND hwndOwner);
    BOOL BuildTargetLists(const DefTgtDg& dialog);
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
    // The writer collects its pieces across operations. This hands them to the file; code that closes,
    // switches, seeks or reads the position of hCaptureFile calls it first (it costs nothing when nothing
    // is pending). FALSE when collected bytes could not be written, now or since the last call; they are
    // dropped.
    BOOL FlushOutput();
    // The output as it stands now (drained to the file), and the undoing of everything written to the same
    // file since: the file is cut back to the mark. FALSE when the output has been switched or the file
    // cannot be cut.
    OutputMark MarkOutput();
    BOOL RollBackOutput(const OutputMark& mark);

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
    void OutputBkgndMsg(LPCSTR pszText, BOOL bFlag);
    void ReportWriterError(LPCSTR pszText);
    // A problem that ended the recording early while what was written before it is kept and saved.
    void ReportWriterNotice(LPCSTR pszText);
    void SetBkgndMsgTarget(HWND hwndDlg, BOOL bRegister);
    BOOL GetBkgndMsg(HWND hwndDlg, LPSTR pszBuffer, UINT cchBuffer);

    // Capture file and session folder (the writer thread's side of a recording).
    HFILE OpenCaptureFile(LPSTR pszPath, UINT cchPath, BOOL bCreate);
    void CloseCaptureFile(UINT nReason);
    static DWORD WINAPI BkGrndWrFunc(LPVOID pvParam);
    int GetSessionFolder(LPSTR pszBuffer, UINT cchBuffer);
    int GetCaptureFileBase(LPSTR pszBuffer, UINT cchBuffer);
    // How many characters a recording path is too long for the files of its sessions; 0 when they fit.
    static int SessionPathExcess(LPCSTR pszRecordingPath);
    BOOL IncrementSessionID();
    BOOL CreateSessionFolder();
    BOOL PrepareToOutputData();
    BOOL WriteEventList();
    void FinishSession(BOOL bFileClosed);
    BOOL RemoveWorkDir(BOOL bReport);
    static BOOL DeleteDirAndContents(LPCSTR pszFolder, LPCSTR pszPattern, BOOL bRemoveFolder);
    static BOOL DeleteTempTmfFiles();

    // Packaging the session folder into the recording file.
    BOOL PackageSession();
    static short ZipFolder(LPCSTR pszArchive, LPCSTR pszItems);
    static BOOL QuoteString(LPCSTR pszQuotePair, LPSTR pszText, UINT cchText, BOOL bForce);

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
    BOOL bTagMapOwed; // writer thread: a failed session could not make the next session's map
    LateBoundApi* pLateBoundApi;
    Sounds sounds;
    UINT nImageCounter;           // numbers the menu and button bitmaps of a capture file
    DWORD dwReplyWaitMs;          // the longest wait for one control data reply
    std::atomic<UINT> nMenuState; // written by the UI thread, polled by the writer and tray threads
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
    std::atomic<BOOL> bQuitting; // ends both threads
    Tags* pTags;

  private:
    UINT OnJournalKeyUp(EVENTMSG& em, const JournalMoment& moment);
    UINT RecordKeyboardEvent(EVENTMSG& em, const JournalMoment& moment);
    BOOL RegisterRecorderWindow();
    BOOL RegisterSharedMessages();
    void EndThreads();
    BOOL bCriticalSectionReady = FALSE;
    ULONG_PTR dwAwaitedReply = 0;
    const void* pvAwaitedObject = nullptr;
    ReplySink pfnAwaitedSink = nullptr;
    BOOL bReplyTaken = FALSE;

    // XML writer internals (output/XmlWriter.cpp).
    BOOL DrainOutput();
    BOOL DrainForTagMap();
    BOOL WritePiece(const char* pch, UINT cb);
    BOOL WriteLargePiece(const char* pch, UINT cb);
    template <UINT N> BOOL WriteLiteral(const char (&ach)[N]) { return WritePiece(ach, N - 1); }
    BOOL WriteAttribute(LPCSTR pszName, LPCSTR pszValue);
    BOOL WriteSimpleLine(BOOL bRawXml, int nIndent, LPCSTR pszName, LPCSTR pszText, LPCSTR pszComment);
    BOOL TellTagMapTag(LPCSTR pszName, int nKind);
    BOOL TellTagMapEvents(LPCSTR pszTag, int nKind);
    char achOutput[65536];
    UINT cbOutput = 0;
    BOOL bOutputFailed = FALSE;    // collected bytes were lost; every piece fails until FlushOutput
    HFILE hEndKnown = HFILE_ERROR; // the file whose position is its end, as the writer left it
    struct Utf8Char
    {
        BYTE cb; // 0 until the byte was converted once
        char ach[4];
    } aUtf8Of[128] = {}; // the UTF-8 form of each single-byte character 0x80 to 0xFF
};

extern SIMCAP* g_pSimCap;
extern UINT g_nTrayIcon;

extern "C" __declspec(dllexport) int WINAPI
    SimCap_WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR pszCmdLine, int nCmdShow);
