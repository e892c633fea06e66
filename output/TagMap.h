// output/TagMap.h — diverts each state snapshot and each run of events into temporary files, indexes
// where every tag stands, and appends the results to the capture file: the first state in full, the
// runs without their hotkey keystrokes, later states as their differences (or in full).
#pragma once
#include <windows.h>

class SIMCAP;

// One record of a .tmf index: position, tag text padded with NULs, CR LF.
enum : UINT
{
    TMF_RECORD_SIZE = 34,
    TMF_TAG_SIZE = 28,
};

// Extent table words (a memory object): count of words, .tmf records, extents, 0, then start/end pairs.
enum : UINT
{
    EXT_WORDS = 0,
    EXT_RECORDS = 1,
    EXT_COUNT = 2,
    EXT_FIRST = 4,
};

class TagMap
{
  public:
    TagMap(SIMCAP& simcapOwner, HWND hwndOwner, HINSTANCE hResModule);
    ~TagMap();
    TagMap(const TagMap&) = delete;
    TagMap& operator=(const TagMap&) = delete;

    // Makes the temporary prefix and proves a file can be made there.
    BOOL Init();

    // The writer's reports: every start (1) and end (2) tag, and the marks around a run of events and a
    // state snapshot.
    BOOL RegisterTag(HFILE hFile, LPCSTR pszName, int nKind);
    BOOL RegisterEventsTag(HFILE hFile, LPCSTR pszTag, int nKind);
    BOOL SetNewState(HFILE hFile, int nState, int nKind);

    // The capture file becomes the recorder's output again, for the root end tag. FALSE when the map
    // failed to put a state or a run into it, so the recording is not stored incomplete.
    BOOL RestoreMainOutput();
    // The recorder closed hFile: the map must not close or write it again.
    void ForgetMainOutput(HFILE hFile);
    BOOL RegisterCaptureFileClosure(HFILE hFile, UINT nKind);

    // Memory objects: the holder's pointer is the address after the 32-bit size word.
    DWORD* AllocMemObj(UINT cWords);
    static void FreeMemObj(DWORD*& pdwObj);
    static DWORD GetMemObjSize(const DWORD* pdwObj);
    BOOL LoadFileToMemory(LPCSTR pszName, HFILE* phFile, DWORD*& pdwObj);
    DWORD* ReadEntireFile(LPCSTR pszPath, DWORD* pcbSize);
    BOOL AppendMemObj(HFILE hFile, const DWORD* pdwObj);
    static int OpenMemObjCount();

    // The extent table of a .tmf held in memory; null when there is none.
    DWORD* SimplifyTmfData(const DWORD* pdwTmf);

    // The full path of a temporary file (null name: the prefix file), numbered by the current state when
    // the temporary files are kept; null when it does not fit.
    LPCSTR TempPath(LPCSTR pszName);
    BOOL DeleteFromTemp(LPCSTR pszName);
    // Creates (or empties) a temporary file for writing.
    HFILE CreateTempFile(LPCSTR pszName);

    BOOL IsStopped() const;
    SIMCAP& Owner() const { return simcap; }

  private:
    BOOL WriteTmfRecord(DWORD dwPosition, const char* pchTag);
    BOOL FlushTmf();
    void CloseTmf();
    void CloseCapture();
    BOOL OpenDiversion(LPCSTR pszCapture, LPCSTR pszTmf);
    BOOL FinishState(int nState);
    BOOL AppendToMain(const DWORD* pdwObj);
    void AdoptMainOutput(HFILE hFile);
    void Fail();

    SIMCAP& simcap;
    HWND hwndOwner;
    HINSTANCE hResModule;
    HFILE hMainOutput = HFILE_ERROR;
    HFILE hTagMapFile = HFILE_ERROR;
    DWORD* pdwPrevExtents = nullptr;
    DWORD* pdwCurExtents = nullptr;
    DWORD* pdwEventIndex = nullptr;
    HFILE hCaptureFile = HFILE_ERROR;
    DWORD* pdwPrevXml = nullptr;
    DWORD* pdwCurXml = nullptr;
    DWORD* pdwEventXml = nullptr;
    int nCurrentState = 0;
    char szTempPath[MAX_PATH] = {};
    UINT cchPrefix = 0;

    // .tmf records reach the file in blocks; the index is read only after it is closed.
    char achTmf[TMF_RECORD_SIZE * 256];
    UINT cbTmf = 0;
    // Set when a state or a run could not be put into the capture file.
    BOOL bFailed = FALSE;
};

// A map for the next recording, initialised; null when it could not be made (Init has told the user).
TagMap* NewTagMap(SIMCAP& simcap);
