// The background writer thread: it owns the capture file from the start of a recording until the session
// folder has been packaged, and cleans up after every session.
#include "output/WrThread.h"

#include <objbase.h>

#include "host/SimCap.h"
#include "output/TagMap.h"
#include "output/Tags.h"
#include "snapshot/SimCapElement.h"
#include "util/Diag.h"

std::atomic<BOOL> g_bSessionFinished{FALSE};
std::atomic<BOOL> g_bErrorReported{FALSE};

namespace
{
const DWORD c_dwIdlePoll = 2000;
const DWORD c_dwDonePoll = 50;
const DWORD c_dwAfterPackaging = 500;
const DWORD c_dwPauseSlice = 50;

// A pause of the thread loop that an exit cuts short, so teardown never waits out an idle poll.
void Pause(SIMCAP& simcap, DWORD dwMs)
{
    for (DWORD dwWaited = 0; dwWaited < dwMs && simcap.nWrThreadStatus != TS_EXIT; dwWaited += c_dwPauseSlice)
        Sleep(dwMs - dwWaited < c_dwPauseSlice ? dwMs - dwWaited : c_dwPauseSlice);
}

BOOL IsRecordingState(UINT nState)
{
    return nState >= MS_CAPTURING && nState <= MS_STOPPING;
}

// The session FinishSession ended last. The menu state still shows a recording for a moment after its
// session has failed; the capture file of that session is gone and must not be opened again.
std::atomic<int> g_nFinishedSessionId{-1};
// The session whose recording file was written last.
std::atomic<int> g_nPackagedSessionId{-1};

// nSessionId is written by the UI thread before it enters a recording state, so it is read only after
// the menu state.
BOOL IsFinishedSession(const SIMCAP& simcap)
{
    return simcap.nSessionId >= 0 && simcap.nSessionId == g_nFinishedSessionId;
}

// TS_EXIT back to TS_IDLE, unless teardown has begun. Teardown sets bQuitting before TS_EXIT, so a
// teardown this check misses stores TS_EXIT after the exchange, and the next pass ends the thread.
BOOL ResumeAfterCancel(SIMCAP& simcap)
{
    UINT nExit = TS_EXIT;
    if (!simcap.nWrThreadStatus.compare_exchange_strong(nExit, TS_IDLE)) return FALSE;
    if (!simcap.bQuitting) return TRUE;
    simcap.nWrThreadStatus = TS_EXIT;
    return FALSE;
}

// The tag map diverts snapshots and runs of events into temporary files; the writer's sessions each get
// a fresh one. Without a map the capture file is the only output and nothing is owed.
BOOL RestoreMainOutput(SIMCAP& simcap)
{
    if (!simcap.pTagMap) return TRUE;
    // The collected bytes belong to the file that is current now.
    if (!simcap.FlushOutput()) return FALSE;
    return simcap.pTagMap->RestoreMainOutput();
}

void DestroyTagMap(SIMCAP& simcap)
{
    delete simcap.pTagMap;
    simcap.pTagMap = nullptr;
}

// Answers FALSE only when a map was due and could not be made.
BOOL CreateTagMap(SIMCAP& simcap)
{
    DestroyTagMap(simcap);
    simcap.pTagMap = NewTagMap(simcap);
    return simcap.pTagMap != nullptr;
}

BOOL WriteLine(SIMCAP& simcap, int nIndent, LPCSTR pszComment)
{
    return simcap.WriteIndent(nIndent) && simcap.WriteComment(pszComment) && simcap.WriteEscaped("\n");
}

// The lists the hooks consult, as comments ahead of the events, for whoever debugs a recording.
BOOL WriteExclusions(SIMCAP& simcap)
{
    if (!WriteLine(simcap, 1, "The following messages will be excluded if they are seen")) return FALSE;
    for (int i = 0; i < simcap.aExclMessages.Count(); i++)
    {
        char sz[64];
        wsprintfA(sz, "Excluded Message: %d", static_cast<int>(simcap.aExclMessages.At(i)));
        if (!WriteLine(simcap, 2, sz)) return FALSE;
    }
    if (!WriteLine(simcap, 1, "The following applications will be excluded if they are seen")) return FALSE;
    for (int i = 0; i < simcap.aExclApplications.Count(); i++)
    {
        char sz[MAX_PATH + 32];
        wsprintfA(sz, "Excluded Application: %.260s", simcap.aExclApplications.At(i));
        if (!WriteLine(simcap, 2, sz)) return FALSE;
    }
    return TRUE;
}
} // namespace

BOOL HasWriterFinishedSession(SIMCAP& simcap, BOOL* pbSaved)
{
    BOOL bSaved = simcap.nSessionId >= 0 && simcap.nSessionId == g_nPackagedSessionId;
    if (pbSaved) *pbSaved = bSaved;
    return bSaved || (IsFinishedSession(simcap) && simcap.nWrThreadStatus == TS_IDLE);
}

BOOL SetWriterStatus(SIMCAP& simcap, UINT nStatus)
{
    UINT nOld = simcap.nWrThreadStatus;
    do
    {
        if (nOld == TS_EXIT) return FALSE;
    } while (!simcap.nWrThreadStatus.compare_exchange_weak(nOld, nStatus));
    return TRUE;
}

BOOL SIMCAP::CreateWrThread()
{
    if (hWrThread) return TRUE;
    DWORD dwThreadId;
    hWrThread = CreateThread(nullptr, 0, BkGrndWrFunc, reinterpret_cast<LPVOID>(1), 0, &dwThreadId);
    if (!hWrThread)
    {
        DebugOut("Background thread was not created.\n");
        return FALSE;
    }
    return TRUE;
}

// The caller sets TS_EXIT first; the thread ends at its next pass.
BOOL SIMCAP::DestroyWrThread()
{
    if (!hWrThread) return TRUE;
    if (WaitForSingleObject(hWrThread, INFINITE) != WAIT_OBJECT_0)
        DebugOut("DestroyWrThread: WaitForSingleObject returned without a WAIT_OBJECT_0 response.\n");
    BOOL bClosed = CloseHandle(hWrThread);
    if (!bClosed) DebugOut("In DestroyWrThread - hWrThread NOT CLOSED.\n");
    hWrThread = nullptr;
    return bClosed;
}

// While a stored recording's dialogs are up the state is MS_STOPPING or MS_BUSY.
static BOOL IsPastStoredSession(UINT nMenuState)
{
    return nMenuState != MS_STOPPING && nMenuState != MS_BUSY;
}

DWORD WINAPI SIMCAP::BkGrndWrFunc(LPVOID pvParam)
{
    DebugOutF("Background thread started with dwData=%u\n",
              static_cast<UINT>(reinterpret_cast<UINT_PTR>(pvParam)));
    SIMCAP* pThis = g_pSimCap;
    if (!pThis)
    {
        DebugOut("Exited thread loop.\n");
        return 0;
    }
    SIMCAP& simcap = *pThis;
    CoInitialize(nullptr);
    g_bSessionFinished = FALSE;
    g_bErrorReported = FALSE;
    g_nFinishedSessionId = -1;
    g_nPackagedSessionId = -1;
    SetWriterStatus(simcap, TS_IDLE);

    for (;;)
    {
        UINT nStatus = simcap.nWrThreadStatus;
        if (nStatus == TS_FAILED || nStatus == TS_EXIT)
        {
            if (!g_bSessionFinished)
            {
                simcap.FinishSession(FALSE);
                if (nStatus == TS_FAILED && !simcap.bQuitting)
                    simcap.ReportWriterError("ERROR: Problem storing captured data.  Cleaning up...");
                // A session whose saving the user cancelled is abandoned like a failed one.
                else if (nStatus == TS_EXIT && !simcap.bQuitting)
                    simcap.RemoveWorkDir(FALSE);
            }
            if (nStatus == TS_FAILED)
            {
                simcap.OutputBkgndMsg(nullptr, FALSE);
                SetWriterStatus(simcap, TS_IDLE);
                nStatus = TS_IDLE;
            }
            if (simcap.bQuitting) break;
            // An exit without quitting is the user cancelling the "Saving Data" dialog: the session is
            // abandoned, and the thread stays for the recordings that follow.
            if (nStatus == TS_EXIT && ResumeAfterCancel(simcap)) nStatus = TS_IDLE;
        }

        switch (nStatus)
        {
        case TS_NO_THREAD:
            DebugOut("BkGrndWrFunc - running but status of TS_NO_THREAD - this shouldn't happen!!!\n");
            SetWriterStatus(simcap, TS_FAILED);
            break;
        case TS_IDLE: {
            UINT nState = simcap.nMenuState;
            if (nState == MS_BUSY || nState == MS_READY) g_bErrorReported = FALSE;
            if (!simcap.PrepareToOutputData())
            {
                SetWriterStatus(simcap, TS_FAILED);
                break;
            }
            // A recording whose session has been finished already (its capture file could not be opened)
            // gets no file; its "Saving Data" dialog ends with failure.
            if (IsRecordingState(nState) && IsFinishedSession(simcap) && IsSavingDialogUp(simcap))
                simcap.OutputBkgndMsg(nullptr, FALSE);
            Pause(simcap, c_dwIdlePoll);
            break;
        }
        case TS_RUNNING:
        case TS_FINISHING: {
            if (nStatus == TS_RUNNING && simcap.nMenuState == MS_STOPPING)
                SetWriterStatus(simcap, TS_FINISHING);
            // Returns once the recording has stopped or failed.
            if (!simcap.WriteEventList())
            {
                SetWriterStatus(simcap, TS_FAILED);
                break;
            }
            simcap.CloseCaptureFile(5);
            BOOL bPackaged = simcap.PackageSession();
            simcap.FinishSession(TRUE);
            if (!bPackaged) DebugOut("Failed executing PackageSession.\n");
            if (bPackaged) g_nPackagedSessionId = simcap.nSessionId;
            SetWriterStatus(simcap, bPackaged ? TS_DONE : TS_FAILED);
            Pause(simcap, c_dwAfterPackaging);
            break;
        }
        case TS_DONE:
            // The recorder passes through MS_READY only for an instant when the user goes straight on to
            // the next recording; any state after the stored one's dialogs means the session is over.
            if (IsPastStoredSession(simcap.nMenuState)) SetWriterStatus(simcap, TS_IDLE);
            Pause(simcap, c_dwDonePoll);
            break;
        default:
            DebugOut("BkGrndWrFunc - running but has unregistered status - this shouldn't happen!!!\n");
            SetWriterStatus(simcap, TS_FAILED);
            break;
        }
        if (nStatus == TS_EXIT) break;
    }

    DebugOut("Exited thread loop.\n");
    CoUninitialize();
    return 0;
}

BOOL SIMCAP::PrepareToOutputData()
{
    UINT nStatus = nWrThreadStatus;
    if (!IsRecordingState(nMenuState) || nStatus == TS_FAILED || nStatus == TS_EXIT ||
        IsFinishedSession(*this))
        return 1;
    char szPath[MAX_PATH + 1];
    if (OpenCaptureFile(szPath, sizeof(szPath), FALSE) == HFILE_ERROR)
    {
        DWORD dwError = GetLastError();
        char szPrefix[521];
        wsprintfA(szPrefix, "SIMCAP::RecordEvent(): Error opening '%.470s' - ", szPath);
        OutputLastError(szPrefix, dwError);
        FinishSession(FALSE);
        return 0;
    }
    DebugOut("WrThread::PrepareToOutputData - setting thread status to TS_RUNNING.\n");
    SetWriterStatus(*this, TS_RUNNING);
    // Without a map this recording would keep its hotkeys and write every state in full.
    if (bTagMapOwed && !CreateTagMap(*this))
        DebugOut("Failed to create new TagMap object.  Shouldn't happen - should exit if it does.\n");
    bTagMapOwed = FALSE;
    g_bSessionFinished = FALSE;
    g_bErrorReported = FALSE;
    return 1;
}

BOOL SIMCAP::WriteEventList()
{
    // Drained at once: a file that takes no byte is told as such, not by whichever element drains next.
    if (!WriteStartTag(Tags::TagTxt(TAG_XML_DECLARATION), nullptr, 0, nullptr, nullptr) ||
        !WriteEscaped("\n") || !FlushOutput())
    {
        // Like every write failure of a running recording, this one stops it rather than let the user go
        // on recording into nothing.
        ReportWriterError("Problem writing Event List VersionNoEncode");
        FinishSession(FALSE);
        return 0;
    }
    if (bDebugExclusions && !WriteExclusions(*this))
    {
        FinishSession(FALSE);
        return 0;
    }
    // The streaming write returns once the recording has stopped or failed, with the rest written. When an
    // element failed, the list has cut its partial output off again: the recording ends there, and what
    // was written before it is closed properly and saved rather than thrown away.
    LPCSTR pszRoot = Tags::TagTxt(TAG_SIMCAP);
    if (WriteStartTag(pszRoot, nullptr, 0, nullptr, nullptr) && WriteEscaped("\n"))
    {
        BOOL bWritten = EventList().Write(1);
        BOOL bKept = !bWritten && EventList().RolledBack();
        if ((bWritten || bKept) && RestoreMainOutput(*this) && WriteEndTag(pszRoot) && WriteEscaped("\n") &&
            FlushOutput())
        {
            if (bKept)
                ReportWriterNotice(
                    "ERROR: Problem writing Event List.  The recording was stopped there; what "
                    "was recorded before the problem is being saved.");
            return 1;
        }
    }
    ReportWriterError("ERROR: Problem writing Event List.  Cleaning up...");
    return 0;
}

void SIMCAP::FinishSession(BOOL bFileClosed)
{
    if (!bFileClosed) CloseCaptureFile(3);
    char szBase[MAX_PATH + 1];
    GetCaptureFileBase(szBase, sizeof(szBase));
    DebugOutF("SIMCAP::OnCommand(): Done writing '%s'\n", szBase);
    DestroyTagMap(*this);
    // A failed session leaves no folder behind.
    if (nWrThreadStatus == TS_FAILED) RemoveWorkDir(FALSE);
    if (!bQuitting && !CreateTagMap(*this))
    {
        DebugOut("Failed to create new TagMap object.  Shouldn't happen - should exit if it does.\n");
        // A map refuses to start while the writer has failed; the next session makes it as it starts.
        bTagMapOwed = nWrThreadStatus == TS_FAILED;
    }
    SIMCAP_ELEMENT::SetEventSequenceNumber(0);
    SIMCAP_ELEMENT::SetCurrentStateNumber(1);
    nImageCounter = 0;
    DeleteTempTmfFiles();
    g_nFinishedSessionId = nSessionId;
    g_bSessionFinished = TRUE;
}
