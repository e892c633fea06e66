// The tag map: each state snapshot and each run of events is written into a temporary file while an
// index records where every tag stands; from it the extents of the elements are found, consecutive states
// are compared, and the results are appended to the capture file.
#include "output/TagMap.h"

#include <string.h>

#include <initializer_list>
#include <new>

#include "host/SimCap.h"
#include "output/StateCmp.h"
#include "output/WrThread.h"
#include "output/WriteFault.h"
#include "util/Assert.h"
#include "util/Diag.h"

namespace
{
const char c_szCapture[] = "_CFcapture_00.xml";
const char c_szTagMapFile[] = "_CFtagMap_00.tmf";
const char c_szCaptureEv[] = "_CFcaptureEv_00.xml";
const char c_szTagMapEv[] = "_CFtagMapEv_00.tmf";
const char c_szTagMapMod[] = "_CFtagMapMod_00.tmf";
const char c_szDelta[] = "_CFdeltaCompare_00.xml";
const UINT c_cchMaxTagName = 25;
const DWORD c_cbLargeObject = 1000000;

// Memory objects allocated and not yet freed, by every map of the process.
LONG g_cMemObjs = 0;

void CloseFile(HFILE& hFile)
{
    if (hFile != HFILE_ERROR) _lclose(hFile);
    hFile = HFILE_ERROR;
}
} // namespace

TagMap* NewTagMap(SIMCAP& simcap)
{
    TagMap* pTagMap = new (std::nothrow) TagMap(simcap, SIMCAP::Window(), simcap.hInstance);
    if (pTagMap && !pTagMap->Init())
    {
        delete pTagMap;
        pTagMap = nullptr;
    }
    return pTagMap;
}

TagMap::TagMap(SIMCAP& simcapOwner, HWND hwndOwnerIn, HINSTANCE hResModuleIn)
    : simcap(simcapOwner), hwndOwner(hwndOwnerIn), hResModule(hResModuleIn)
{
    g_cMemObjs = 0;
}

TagMap::~TagMap()
{
    CloseTmf();
    CloseCapture();
    CloseFile(hMainOutput);
    if (!simcap.bKeepTempOutputFiles)
    {
        DeleteFromTemp(c_szCapture);
        DeleteFromTemp(c_szCaptureEv);
        if (simcap.bShowDeltaState) DeleteFromTemp(c_szDelta);
        DeleteFromTemp(c_szTagMapFile);
        DeleteFromTemp(c_szTagMapEv);
        DeleteFromTemp(nullptr);
    }
    for (DWORD** ppdw :
         {&pdwPrevExtents, &pdwCurExtents, &pdwEventIndex, &pdwPrevXml, &pdwCurXml, &pdwEventXml})
        FreeMemObj(*ppdw);
    if (g_cMemObjs != 0)
        AssertF("ASSERT TagMap destructor: %d memory allocations still open in TagMap destructor.",
                static_cast<int>(g_cMemObjs));
}

BOOL TagMap::IsStopped() const
{
    UINT nStatus = simcap.nWrThreadStatus;
    return nStatus == TS_FAILED || nStatus == TS_EXIT;
}

BOOL TagMap::Init()
{
    if (IsStopped()) return FALSE;
    char szFolder[MAX_PATH + 1];
    DWORD cchFolder = GetTempPathA(sizeof(szFolder), szFolder);
    BOOL bOk = cchFolder > 0 && cchFolder < sizeof(szFolder);
    if (cchFolder >= 262) AssertF("ASSERT TagMap Init: %u bytes requested for TempPath.", cchFolder);
    if (bOk)
    {
        lstrcpyA(szTempPath, szFolder);
        // A unique file of our own names this map's temporary files, so recorders never share them.
        char szUnique[MAX_PATH + 1];
        if (GetTempFileNameA(szFolder, "tmp", 0, szUnique) && strlen(szUnique) + 32 < MAX_PATH)
            lstrcpyA(szTempPath, szUnique);
        cchPrefix = static_cast<UINT>(strlen(szTempPath));
        HFILE hTest = CreateTempFile(c_szTagMapFile);
        bOk = hTest != HFILE_ERROR;
        CloseFile(hTest);
    }
    if (!bOk) ShowMessage(hwndOwner, "Unable to create temporary file for tag mapping.", MB_ICONINFORMATION);
    return bOk;
}

LPCSTR TagMap::TempPath(LPCSTR pszName)
{
    szTempPath[cchPrefix] = '\0';
    if (!pszName) return szTempPath;
    char szName[100];
    if (strlen(pszName) >= sizeof(szName)) return nullptr;
    lstrcpyA(szName, pszName);
    if (simcap.bKeepTempOutputFiles)
    {
        char* pch00 = strstr(szName, "00");
        if (!pch00) return nullptr;
        char szNumber[16];
        wsprintfA(szNumber, "%02d", nCurrentState);
        pch00[0] = szNumber[0];
        pch00[1] = szNumber[1];
    }
    if (cchPrefix + strlen(szName) >= MAX_PATH + 1 || cchPrefix + strlen(szName) >= sizeof(szTempPath))
        return nullptr;
    lstrcatA(szTempPath, szName);
    return szTempPath;
}

HFILE TagMap::CreateTempFile(LPCSTR pszName)
{
    LPCSTR pszPath = TempPath(pszName);
    if (!pszPath) return HFILE_ERROR;
    OFSTRUCT of = {};
    of.cBytes = sizeof(of);
    return OpenFile(pszPath, &of, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
}

BOOL TagMap::DeleteFromTemp(LPCSTR pszName)
{
    LPCSTR pszPath = TempPath(pszName);
    if (!pszPath) return FALSE;
    BOOL bResult = DeleteFileA(pszPath);
    if (!bResult)
        AssertF("ASSERT TagMap DeleteFromTemp: Couldn't delete file: lpSafe=<%s>, bResult=<%u>,\r\n   "
                "filespec=<%s>",
                pszName ? pszName : "", bResult, pszPath);
    return bResult;
}

BOOL TagMap::RegisterTag(HFILE hFile, LPCSTR pszName, int nKind)
{
    if (IsStopped()) return FALSE;
    if (!pszName)
    {
        Assert("ASSERT TagMap RegisterTag: NULL tag.");
        return FALSE;
    }
    UINT cchName = static_cast<UINT>(strlen(pszName));
    if (cchName >= c_cchMaxTagName)
    {
        AssertF("ASSERT TagMap RegisterTag: Requested tag has too many chars - %d",
                static_cast<int>(cchName));
        return FALSE;
    }
    if (nKind != 1 && nKind != 2)
    {
        Assert("ASSERT TagMap RegisterTag: Shouldn't get here.");
        return FALSE;
    }
    // Tags written while no index is open (the declaration, the root of the capture file) are not kept.
    if (hTagMapFile == HFILE_ERROR || hFile == HFILE_ERROR) return FALSE;
    char achTag[TMF_TAG_SIZE] = {};
    wsprintfA(achTag, nKind == 1 ? "<%s>" : "</%s>", pszName);
    // The writer always appends: the end of the file is where the next byte goes.
    LONG nPosition = _llseek(hFile, 0, FILE_END);
    if (nPosition == HFILE_ERROR || nPosition < 0) return FALSE;
    return WriteTmfRecord(static_cast<DWORD>(nPosition), achTag);
}

BOOL TagMap::WriteTmfRecord(DWORD dwPosition, const char* pchTag)
{
    if (strnlen(pchTag, TMF_TAG_SIZE) >= TMF_TAG_SIZE)
    {
        Assert("ASSERT TagMap WriteTmfRecord: Too may characters in tag.");
        return FALSE;
    }
    if (hTagMapFile == HFILE_ERROR) return FALSE;
    if (cbTmf + TMF_RECORD_SIZE > sizeof(achTmf) && !FlushTmf()) return FALSE;
    char* pch = achTmf + cbTmf;
    memcpy(pch, &dwPosition, 4);
    memcpy(pch + 4, pchTag, TMF_TAG_SIZE);
    pch[32] = '\r';
    pch[33] = '\n';
    cbTmf += TMF_RECORD_SIZE;
    return TRUE;
}

BOOL TagMap::FlushTmf()
{
    UINT cb = cbTmf;
    cbTmf = 0;
    return cb == 0 || (hTagMapFile != HFILE_ERROR && _lwrite(hTagMapFile, achTmf, cb) == cb);
}

void TagMap::CloseTmf()
{
    if (hTagMapFile != HFILE_ERROR && !FlushTmf()) Fail();
    cbTmf = 0;
    CloseFile(hTagMapFile);
}

// The recorder writes into the map's capture file while it is current: it lets go of it first.
void TagMap::CloseCapture()
{
    if (hCaptureFile == HFILE_ERROR) return;
    if (simcap.hCaptureFile == hCaptureFile)
    {
        if (!simcap.FlushOutput()) Fail();
        simcap.hCaptureFile = HFILE_ERROR;
    }
    CloseFile(hCaptureFile);
}

// A state or a run that cannot reach the capture file ends the session: a recording with a hole in it
// is not stored.
void TagMap::Fail()
{
    bFailed = TRUE;
    SetWriterStatus(simcap, TS_FAILED);
}

BOOL TagMap::OpenDiversion(LPCSTR pszCapture, LPCSTR pszTmf)
{
    CloseCapture();
    CloseTmf();
    simcap.FlushOutput();
    hCaptureFile = CreateTempFile(pszCapture);
    // The capture file stays open behind the diverted output; nothing else may be written meanwhile.
    simcap.hCaptureFile = hCaptureFile;
    if (hCaptureFile == HFILE_ERROR) return FALSE;
    hTagMapFile = CreateTempFile(pszTmf);
    return hTagMapFile != HFILE_ERROR;
}

BOOL TagMap::RegisterEventsTag(HFILE hFile, LPCSTR pszTag, int nKind)
{
    if (!pszTag) Assert("ASSERT TagMap RegisterEventsTag: Null tag.");
    if (nKind == 1)
    {
        AdoptMainOutput(hFile);
        if (IsStopped()) return FALSE;
        if (!OpenDiversion(c_szCaptureEv, c_szTagMapEv)) Fail();
        return FALSE;
    }
    if (nKind != 2)
    {
        Assert("ASSERT TagMap RegisterEventsTag: Should never get here.");
        return FALSE;
    }
    CloseCapture();
    simcap.hCaptureFile = HFILE_ERROR;
    CloseTmf();
    if (!IsStopped())
    {
        HFILE hNone = HFILE_ERROR;
        LoadFileToMemory(c_szCaptureEv, &hNone, pdwEventXml);
        LoadFileToMemory(c_szTagMapEv, &hNone, pdwEventIndex);
        if (pdwEventXml)
        {
            simcap.RemoveHotKey(pdwEventXml);
            if (hMainOutput != HFILE_ERROR && !AppendToMain(pdwEventXml)) Fail();
        }
    }
    FreeMemObj(pdwEventXml);
    FreeMemObj(pdwEventIndex);
    return FALSE;
}

BOOL TagMap::SetNewState(HFILE hFile, int nState, int nKind)
{
    if (nKind == 1) AdoptMainOutput(hFile);
    if (IsStopped()) return FALSE;
    if (nState < 1) Assert("ASSERT TagMap SetNewState: ID <= 0.");
    nCurrentState = nState;
    if (nKind == 1)
    {
        BOOL bOk = OpenDiversion(c_szCapture, c_szTagMapFile);
        if (!bOk) Fail();
        return bOk;
    }
    CloseCapture();
    CloseTmf();
    // A snapshot that failed half-way is not compared or kept.
    if (nState < 1) return FALSE;
    BOOL bOk = FinishState(nState);
    return bOk && !IsStopped();
}

BOOL TagMap::FinishState(int nState)
{
    const BOOL bFirst = nState == 1 || !pdwPrevXml;
    DWORD*& pdwXml = bFirst ? pdwPrevXml : pdwCurXml;
    DWORD*& pdwExtents = bFirst ? pdwPrevExtents : pdwCurExtents;
    HFILE hNone = HFILE_ERROR;
    LoadFileToMemory(c_szCapture, &hNone, pdwXml);
    DWORD* pdwTmf = nullptr;
    LoadFileToMemory(c_szTagMapFile, &hNone, pdwTmf);
    FreeMemObj(pdwExtents);
    pdwExtents = SimplifyTmfData(pdwTmf);
    // The comparison starts from extent 0: it must be the state's outermost element, the first tag.
    BOOL bOutermost = pdwExtents && pdwExtents[EXT_COUNT] > 0 && GetMemObjSize(pdwTmf) >= TMF_RECORD_SIZE &&
                      pdwExtents[EXT_FIRST] == pdwTmf[0];
    FreeMemObj(pdwTmf);
    if (pdwExtents && simcap.bKeepTempOutputFiles)
    {
        HFILE hMod = CreateTempFile(c_szTagMapMod);
        if (hMod != HFILE_ERROR)
        {
            UINT cb = 4 * pdwExtents[EXT_WORDS];
            _lwrite(hMod, reinterpret_cast<LPCSTR>(pdwExtents), cb);
            _lclose(hMod);
        }
    }
    // A state whose text or index is unusable cannot be compared with the next one.
    if (!pdwXml || !bOutermost)
    {
        FreeMemObj(pdwXml);
        FreeMemObj(pdwExtents);
        Fail();
        return FALSE;
    }

    if (bFirst)
    {
        if (hMainOutput != HFILE_ERROR && !AppendToMain(pdwPrevXml)) Fail();
        return TRUE;
    }

    StateCmp cmp(*this);
    DWORD* pdwDelta = nullptr;
    if (!cmp.SetUpAndCompare(pdwPrevXml, pdwPrevExtents, pdwCurXml, pdwCurExtents) ||
        !LoadFileToMemory(c_szDelta, &hNone, pdwDelta))
    {
        FreeMemObj(pdwDelta);
        Fail();
        return FALSE;
    }
    BOOL bOk = TRUE;
    if (hMainOutput != HFILE_ERROR)
    {
        bOk = AppendToMain(simcap.bShowDeltaState ? pdwDelta : pdwCurXml);
        if (!bOk) Fail();
    }
    FreeMemObj(pdwDelta);
    FreeMemObj(pdwPrevXml);
    FreeMemObj(pdwPrevExtents);
    pdwPrevXml = pdwCurXml;
    pdwPrevExtents = pdwCurExtents;
    pdwCurXml = nullptr;
    pdwCurExtents = nullptr;
    return bOk;
}

BOOL TagMap::AppendToMain(const DWORD* pdwObj)
{
    return AppendMemObj(hMainOutput, pdwObj);
}

// The recorder's file at the first mark is the capture file: the map holds it for the appends, including
// those of runs of events that come before the first state.
void TagMap::AdoptMainOutput(HFILE hFile)
{
    if (hMainOutput == HFILE_ERROR && hFile != HFILE_ERROR && hFile != hCaptureFile) hMainOutput = hFile;
}

BOOL TagMap::RestoreMainOutput()
{
    CloseCapture();
    CloseTmf();
    // With no mark ever made the capture file is still the recorder's output.
    if (hMainOutput != HFILE_ERROR)
    {
        if (simcap.hCaptureFile != HFILE_ERROR && simcap.hCaptureFile != hMainOutput)
        {
            simcap.FlushOutput();
            _lclose(simcap.hCaptureFile);
        }
        simcap.hCaptureFile = hMainOutput;
    }
    return !bFailed && !IsStopped();
}

void TagMap::ForgetMainOutput(HFILE hFile)
{
    if (hFile == HFILE_ERROR) return;
    if (hFile == hMainOutput) hMainOutput = HFILE_ERROR;
    if (hFile == hCaptureFile) hCaptureFile = HFILE_ERROR;
}

BOOL TagMap::RegisterCaptureFileClosure(HFILE, UINT nKind)
{
    if (nKind < 3 || nKind > 5) Assert("ASSERT TagMap RegisterCaptureFileClosure: Should never get here.");
    return !IsStopped();
}

DWORD* TagMap::SimplifyTmfData(const DWORD* pdwTmf)
{
    if (IsStopped() || !pdwTmf) return nullptr;
    const DWORD n = GetMemObjSize(pdwTmf) / TMF_RECORD_SIZE;
    DWORD* pdwTable = AllocMemObj(n + 4);
    if (!pdwTable) return nullptr;
    pdwTable[EXT_WORDS] = n + 4;
    pdwTable[EXT_RECORDS] = n;
    const char* pchRecords = reinterpret_cast<const char*>(pdwTmf);
    auto Tag = [pchRecords](DWORD i) { return pchRecords + i * TMF_RECORD_SIZE + 4; };
    auto Position = [pchRecords](DWORD i) {
        DWORD dw;
        memcpy(&dw, pchRecords + i * TMF_RECORD_SIZE, 4);
        return dw;
    };
    DWORD cExtents = 0;
    for (DWORD i = 0; i < n; ++i)
    {
        if (IsStopped())
        {
            FreeMemObj(pdwTable);
            return nullptr;
        }
        const char* pchTag = Tag(i);
        if (pchTag[0] != '<') Assert("ASSERT TagMap SimplifyTmfData: Tag location doesnt't start with <.");
        size_t cchRest = strnlen(pchTag + 1, TMF_TAG_SIZE - 1);
        if (pchTag[1] == '!' || pchTag[1] == '/' || cchRest + 3 > TMF_TAG_SIZE) continue;
        // "</" and the name with its ">": the end tag that closes this start tag.
        char achEnd[TMF_TAG_SIZE + 1] = "</";
        memcpy(achEnd + 2, pchTag + 1, cchRest);
        size_t cchEnd = cchRest + 2;
        int nDepth = 1;
        DWORD j = i + 1;
        for (; j < n; ++j)
        {
            const char* pchOther = Tag(j);
            if (strncmp(pchOther, pchTag, TMF_TAG_SIZE) == 0)
                ++nDepth;
            else if (strnlen(pchOther, TMF_TAG_SIZE) == cchEnd && memcmp(pchOther, achEnd, cchEnd) == 0 &&
                     --nDepth == 0)
                break;
        }
        if (j >= n)
        {
            Assert("ASSERT TagMap SimplifyTmfData: Unable to find ending tag.");
            continue;
        }
        pdwTable[EXT_FIRST + 2 * cExtents] = Position(i);
        pdwTable[EXT_FIRST + 2 * cExtents + 1] = Position(j);
        ++cExtents;
    }
    pdwTable[EXT_COUNT] = cExtents;
    if (IsStopped()) FreeMemObj(pdwTable);
    return pdwTable;
}

DWORD* TagMap::AllocMemObj(UINT cWords)
{
    if (IsStopped() || cWords > 0x3FFFFFF0) return nullptr;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4 * static_cast<SIZE_T>(cWords) + 4);
    DWORD* pdw = h ? static_cast<DWORD*>(GlobalLock(h)) : nullptr;
    if (!pdw)
    {
        if (h) GlobalFree(h);
        return nullptr;
    }
    pdw[0] = cWords;
    ++g_cMemObjs;
    return pdw + 1;
}

void TagMap::FreeMemObj(DWORD*& pdwObj)
{
    if (!pdwObj) return;
    HGLOBAL h = GlobalHandle(pdwObj - 1);
    if (h)
    {
        GlobalUnlock(h);
        GlobalFree(h);
    }
    if (--g_cMemObjs < 0) Assert("ASSERT TagMap FreeMemObj: allocation count < 0.");
    pdwObj = nullptr;
}

DWORD TagMap::GetMemObjSize(const DWORD* pdwObj)
{
    if (!pdwObj) return 0;
    DWORD cb = pdwObj[-1];
    if (cb > c_cbLargeObject)
        Assert("ASSERT TagMap GetMemObjSize: Requested memory object size appears to exceeds 1M.");
    return cb;
}

int TagMap::OpenMemObjCount()
{
    return static_cast<int>(g_cMemObjs);
}

DWORD* TagMap::ReadEntireFile(LPCSTR pszPath, DWORD* pcbSize)
{
    *pcbSize = 0;
    if (IsStopped()) return nullptr;
    HANDLE hFile = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return nullptr;
    DWORD cb = GetFileSize(hFile, nullptr);
    DWORD* pdw = nullptr;
    if (cb != 0 && cb != INVALID_FILE_SIZE && cb < 0x7FFFFFF0)
    {
        // Whole words, and a NUL after the text, so the text can be searched as a string.
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(cb) + 8);
        pdw = h ? static_cast<DWORD*>(GlobalLock(h)) : nullptr;
        if (!pdw)
        {
            if (h) GlobalFree(h);
            Assert("ASSERT TagMap ReadEntireFile: Couldn't allocate memory.");
        }
        else
        {
            ++g_cMemObjs;
            DWORD cbRead = 0;
            pdw[0] = cb;
            ++pdw;
            if (!ReadFile(hFile, pdw, cb, &cbRead, nullptr) || cbRead != cb) FreeMemObj(pdw);
        }
    }
    CloseHandle(hFile);
    if (pdw) *pcbSize = cb;
    return pdw;
}

BOOL TagMap::LoadFileToMemory(LPCSTR pszName, HFILE* phFile, DWORD*& pdwObj)
{
    if (IsStopped()) return FALSE;
    if (pdwObj)
    {
        if (strlen(pszName) >= MAX_PATH)
            Assert("ASSERT TagMap LoadFileToMemory: The requested memory object was already allocated.");
        else
            AssertF("ASSERT TagMap LoadFileToMemory: The requested memory object was already allocated -\n   "
                    "<%s>",
                    pszName);
        FreeMemObj(pdwObj);
    }
    LPCSTR pszPath = TempPath(pszName);
    DWORD cb = 0;
    if (pszPath) pdwObj = ReadEntireFile(pszPath, &cb);
    if (phFile) *phFile = HFILE_ERROR;
    return pdwObj != nullptr;
}

BOOL TagMap::AppendMemObj(HFILE hFile, const DWORD* pdwObj)
{
    if (IsStopped() || hFile == HFILE_ERROR) return FALSE;
    DWORD cb = pdwObj ? pdwObj[-1] : 0;
    if (cb == 0) return FALSE;
    return WriteCaptureBytes(hFile, pdwObj, cb) == cb;
}
