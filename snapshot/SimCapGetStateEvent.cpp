#include "snapshot/SimCapGetStateEvent.h"

#include <stdio.h>

#include <new>

#include "hooks/BmpFile.h"
#include "hooks/SimCapProcess.h"
#include "host/SimCap.h"
#include "output/TagMap.h"
#include "output/Tags.h"
#include "snapshot/SimCapWindow.h"
#include "util/BoundedSend.h"
#include "util/Diag.h"
#include "util/Handles.h"

namespace
{
DWORD HandleValue(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd));
}

// The tag map diverts the state into its own file (kind 1 begins, 2 ends); without a map the state is
// written straight into the capture file.
void TellTagMapState(SIMCAP& simcap, int nState, int nKind)
{
    if (!simcap.pTagMap) return;
    simcap.FlushOutput(); // the map reads the file's end: the collected bytes go first
    simcap.pTagMap->SetNewState(simcap.hCaptureFile, nState, nKind);
}

BOOL Done(BOOL bResult)
{
    DebugOut(bResult ? "SIMCAP_GETSTATEEVENT::Init(): done - bResult=TRUE\n"
                     : "SIMCAP_GETSTATEEVENT::Init(): done - bResult=FALSE\n");
    return bResult;
}
} // namespace

SIMCAP_GETSTATEEVENT::SIMCAP_GETSTATEEVENT() : hbmScreen(nullptr), dwFocusWnd(0) {}

SIMCAP_GETSTATEEVENT::~SIMCAP_GETSTATEEVENT()
{
    if (hbmScreen) DeleteObject(hbmScreen);
    // The two lists delete their objects themselves.
}

BOOL SIMCAP_GETSTATEEVENT::ImageFileName(int nState, LPSTR pszName, UINT cchName)
{
    char sz[32];
    // The C library's precision pads a number with zeros to at least three digits.
    int cch = snprintf(sz, sizeof(sz), "SimCap_%.3lu.bmp", static_cast<unsigned long>(nState));
    if (cch < 0 || static_cast<UINT>(cch) >= cchName) return FALSE;
    lstrcpyA(pszName, sz);
    return TRUE;
}

BOOL SIMCAP_GETSTATEEVENT::Init()
{
    dwFocusWnd = HandleValue(GetForegroundWindow());
    BOOL bResult = InitProcesses() && CaptureScreenAndWindows();
    ready.Set();
    return Done(bResult);
}

BOOL SIMCAP_GETSTATEEVENT::InitProcesses()
{
    SIMCAP* p = g_pSimCap;
    ToolhelpSnapshot snapshot(TH32CS_SNAPPROCESS, 0);
    if (!snapshot.IsValid())
    {
        DebugOut("SIMCAP_GETSTATEEVENT::Init(): CreateToolhelp32Snapshot() failed\n");
        return FALSE;
    }
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL bMore = Process32First(snapshot.Get(), &pe); bMore; bMore = Process32Next(snapshot.Get(), &pe))
    {
        if (!p->aInclProcesses.Find(pe.th32ProcessID))
        {
            p->aExclProcesses.Exclude(pe.th32ProcessID);
            continue;
        }
        SIMCAP_PROCESS* pProcess = new (std::nothrow) SIMCAP_PROCESS(pe.th32ProcessID, pe.th32ModuleID);
        if (!pProcess)
        {
            DebugOut("SIMCAP_GETSTATEEVENT::Init(): unable to allocate SIMCAP_PROCESS\n");
            return FALSE;
        }
        if (!pProcess->Init(pe.szExeFile))
        {
            delete pProcess;
            DebugOut("SIMCAP_GETSTATEEVENT::Init(): unable to initialize SIMCAP_PROCESS\n");
            return FALSE;
        }
        if (!processes.Insert(pProcess, nullptr))
        {
            delete pProcess;
            DebugOut("SIMCAP_GETSTATEEVENT::Init(): unable to insert SIMCAP_PROCESS\n");
            return FALSE;
        }
    }
    if (GetLastError() != ERROR_NO_MORE_FILES)
        DebugOut("SIMCAP_GETSTATEEVENT::Init(): Enumerating Processes exited with an unexpected error\n");
    SetLastError(0);
    return TRUE;
}

BOOL SIMCAP_GETSTATEEVENT::CaptureScreenAndWindows()
{
    HDC hdcScreen = GetDC(nullptr);
    if (!hdcScreen) return FALSE;
    BOOL bResult = FALSE;
    int cx = GetDeviceCaps(hdcScreen, HORZRES);
    int cy = GetDeviceCaps(hdcScreen, VERTRES);
    hbmScreen = CreateCompatibleBitmap(hdcScreen, cx, cy);
    if (!hbmScreen)
        DebugOut("Unable to Create Bitmap\n");
    else if (HDC hdcMem = CreateCompatibleDC(hdcScreen))
    {
        HGDIOBJ hOld = SelectObject(hdcMem, hbmScreen);
        if (!BitBlt(hdcMem, 0, 0, cx, cy, hdcScreen, 0, 0, SRCCOPY))
            DebugOut("Unable to copy bitmap\n");
        else
        {
            // One budget bounds what unanswered sends to hung windows may cost this state.
            SendBudget budget(c_dwSnapshotSendBudgetMs);
            bResult = EnumWindows(WndEnumProc, reinterpret_cast<LPARAM>(this));
            if (!bResult) DebugOut("Failure enumerating top-level windows\n");
        }
        SelectObject(hdcMem, hOld);
        if (!DeleteDC(hdcMem)) DebugOut("Unable to delete bitmap HDC\n");
    }
    else
        DebugOut("Unable to Create Bitmap HDC\n");
    if (!ReleaseDC(nullptr, hdcScreen)) DebugOut("Unable to release Monitor HDC\n");
    return bResult;
}

BOOL CALLBACK SIMCAP_GETSTATEEVENT::WndEnumProc(HWND hwnd, LPARAM lParam)
{
    SIMCAP_GETSTATEEVENT* pState = reinterpret_cast<SIMCAP_GETSTATEEVENT*>(lParam);
    SIMCAP* p = g_pSimCap;
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hwnd, &dwProcessId);
    DWORD dwWindow = HandleValue(hwnd);
    if (!p->aInclWindows.Find(dwWindow))
    {
        if (p->aExclWindows.Find(dwWindow)) return TRUE;
        if (!p->aInclProcesses.Find(dwProcessId))
        {
            if (p->aExclWindows.Exclude(dwWindow) && !p->aExclProcesses.Find(dwProcessId) &&
                p->IsLastListedWindowOfProcess(hwnd, dwProcessId, TRUE))
                p->aExclProcesses.Exclude(dwProcessId);
            return TRUE;
        }
        // A new window of an included process joins the recording.
        if (!p->aInclWindows.Include(dwWindow)) return TRUE;
    }
    SIMCAP_WINDOW* pWindow = SIMCAP_WINDOW::CreateWindowObject(hwnd);
    if (!pWindow)
    {
        if (!IsWindow(hwnd))
        {
            DebugOutF(
                "SIMCAP_GETSTATEEVENT::WndEnumProc(): window %lu went away during the snapshot; left out\n",
                dwWindow);
            return TRUE;
        }
        DebugOut("Error creating SIMCAP_WINDOW\n");
        return FALSE;
    }
    if (!pState->windows.Insert(pWindow, nullptr))
    {
        delete pWindow;
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_GETSTATEEVENT::Write(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    if (!p || !ready.Wait()) return FALSE;
    int nState = CurrentStateNumber();
    SetCurrentStateNumber(nState + 1);
    TellTagMapState(*p, nState, 1);
    LPCSTR pszTag = Tags::TagTxt(TAG_GETSTATEEVENT);
    int d = nDepth + 1;
    if (!p->WriteIndent(nDepth) || !p->WriteStartTag(pszTag, nullptr, 0, nullptr, nullptr) ||
        !p->WriteEscaped("\n") || !p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_ID), nState, nullptr))
    {
        DebugOut("SimCap: Failed to Write Get State Event Info Begin Tag\n");
        TellTagMapState(*p, -1, 2);
        return FALSE;
    }
    HDC hdcScreen = GetDC(nullptr);
    if (!hdcScreen)
    {
        // Without the screen there is no image; the rest of the state is written all the same.
        DebugOut("Unable to get HDC to Primary Screen\n");
    }
    BOOL bResult = TRUE;
    if (hbmScreen && hdcScreen && !WriteImage(d, nState, hdcScreen))
        bResult = FALSE;
    else if (!p->WriteIndent(d) ||
             !p->WriteStartTag(Tags::TagTxt(TAG_PROCESSES), nullptr, 0, nullptr, nullptr) ||
             !p->WriteEscaped("\n") || !processes.Write(d + 1) || !p->WriteIndent(d) ||
             !p->WriteEndTag(Tags::TagTxt(TAG_PROCESSES)) || !p->WriteEscaped("\n"))
    {
        DebugOut("SimCap: Failed to Write ProcessList\n");
        bResult = FALSE;
    }
    else if (!p->WriteSimpleTagUInt(d, "FocusWnd", dwFocusWnd, nullptr))
    {
        DebugOut("SimCap: Failed to Write Focus Window\n");
        bResult = FALSE;
    }
    else if (!windows.Write(d))
    {
        DebugOut("SimCap: Failed to Write WindowList\n");
        bResult = FALSE;
    }
    else if (!p->WriteIndent(nDepth) || !p->WriteEndTag(pszTag) || !p->WriteEscaped("\n"))
    {
        DebugOut("SimCap: Failed to Write Get State Event Info ending tag\n");
        bResult = FALSE;
    }
    else
        TellTagMapState(*p, nState, 2);
    if (hdcScreen && !ReleaseDC(nullptr, hdcScreen)) DebugOut("Unable to release Monitor HDC\n");
    // A state left unclosed in the file would make every later element part of it: the list stops here.
    return bResult;
}

BOOL SIMCAP_GETSTATEEVENT::WriteImage(int nDepth, int nState, HDC hdcScreen)
{
    SIMCAP* p = g_pSimCap;
    char szPath[1024] = {};
    char szName[32];
    int cchFolder = p->GetSessionFolder(szPath, sizeof(szPath));
    // An empty folder leaves the path empty: the file cannot be written.
    if (cchFolder > 0 && ImageFileName(nState, szName, sizeof(szName)) &&
        cchFolder + 1 + lstrlenA(szName) < static_cast<int>(sizeof(szPath)))
    {
        szPath[cchFolder] = '\\';
        lstrcpyA(szPath + cchFolder + 1, szName);
    }
    else
        szPath[0] = '\0';
    PBITMAPINFO pbi = CreateBitmapInfoStruct(hbmScreen);
    BOOL bWritten = pbi && szPath[0] && CreateBMPFile(szPath, pbi, hbmScreen, hdcScreen);
    if (pbi) LocalFree(pbi);
    if (!bWritten)
    {
        DebugOut("GetState - couldn't write bitmap - stopping process.\n");
        p->ReportWriterError("ERROR: Could not write bitmap of screen to disk.  Cleaning up...");
        return FALSE;
    }
    if (!p->WriteSimpleTag(nDepth, "Image", szPath, nullptr))
    {
        DebugOut("SimCap: Failed to Write Get State Event Info Image tag\n");
        return FALSE;
    }
    return TRUE;
}
