// The UI-thread side of one recording: setup, start, step and stop.
#include "host/SimCap.h"

#include <objbase.h>

#include <new>

#include "snapshot/SimCapElement.h"
#include "snapshot/SimCapList.h"
#include "ui/DefTgtDg.h"
#include "ui/SmallDialogs.h"
#include "util/Diag.h"

BOOL SIMCAP::CallSetup(HINSTANCE hResModule, HWND hwndOwner)
{
    if (!IsCommandAllowed(IDM_DEFINE_TARGET)) return 0;
    SetMenuState(Window(), MS_BUSY);

    BOOL bSuccess = FALSE;
    BOOL bCancelled = FALSE;
    DefTgtDg* pDialog =
        new (std::nothrow) DefTgtDg(hResModule, hwndOwner, c_szCaption, "Save Recorded File To");
    if (pDialog && pDialog->LoadOutputPath())
    {
        int nResult = pDialog->Show();
        if (nResult == DEFTGT_CANCELLED)
        {
            bSuccess = TRUE;
            bCancelled = TRUE;
        }
        else if (nResult == DEFTGT_OK)
        {
            bIncludeNewApps = pDialog->IncludeNewApps();
            bSuccess = BuildTargetLists(*pDialog);
        }
    }
    delete pDialog;

    if (bSuccess && bCancelled)
    {
        SetMenuState(Window(), MS_IDLE);
        DestroyWindow(Window());
        return 1;
    }
    if (bSuccess)
    {
        SetMenuState(Window(), MS_READY);
        SendMessageA(Window(), WM_COMMAND, IDM_TOGGLE_HOTKEYS, 0);
        return 1;
    }
    SetMenuState(Window(), MS_IDLE);
    ShowMessage(hwndOwner, "No target is available for output.  Cannot start.", MB_ICONINFORMATION);
    return 0;
}

// The lists start afresh from the dialog's entries; when none was ticked, every entry is a target.
BOOL SIMCAP::BuildTargetLists(const DefTgtDg& dialog)
{
    struct
    {
        BOOL (SIMCAP::*pfnClear)();
        LPCSTR pszFailure;
    } const aClears[] = {
        {&SIMCAP::ClearExcludedProcesses,
         "SIMCAP::CallSetup(): Failed in call to this->ClearExcludedProcesses()\n"},
        {&SIMCAP::ClearExcludedWindows,
         "SIMCAP::CallSetup(): Failed in call to this->ClearExcludedWindows()\n"},
        {&SIMCAP::ClearIncludedProcesses,
         "SIMCAP::CallSetup(): Failed in call to this->ClearIncludedProcesses()\n"},
        {&SIMCAP::ClearIncludedWindows,
         "SIMCAP::CallSetup(): Failed in call to this->ClearIncludedWindows()\n"},
    };
    BOOL bCleared = TRUE;
    for (const auto& clear : aClears)
    {
        if (bCleared && !(this->*clear.pfnClear)()) bCleared = FALSE;
        if (!bCleared) DebugOut(clear.pszFailure);
    }
    if (!bCleared) return FALSE;

    BOOL bAdded = TRUE;
    UINT nIncluded = 0;
    for (UINT i = 0; i < dialog.ResultCount() && bAdded; ++i)
    {
        const TargetEntry* pEntry = dialog.ResultAt(i);
        bAdded = AddProcessAndWindow(pEntry->hwnd, pEntry->dwProcessId, pEntry->bSelected);
        if (pEntry->bSelected) ++nIncluded;
    }
    for (UINT i = 0; bAdded && nIncluded == 0 && i < dialog.ResultCount(); ++i)
        bAdded = AddProcessAndWindow(dialog.ResultAt(i)->hwnd, dialog.ResultAt(i)->dwProcessId, TRUE);
    if (!bAdded) DebugOut("SIMCAP::CallSetup(): Failed attempting to build the exclude and include lists.\n");
    return bAdded;
}

void SIMCAP::StartCapture()
{
    if (!IsCommandAllowed(IDM_START)) return;
    DebugOut("SIMCAP::StartCapture(): Preparing to start capturing\n");
    // The writer still busy with the last recording (its saving was cancelled) would take this one's
    // events into that file.
    UINT nWriter = nWrThreadStatus;
    if (nWriter != TS_IDLE && nWriter != TS_DONE)
    {
        ShowMessage(Window(),
                    "The previous recording is still being written.  Please start again in a moment.",
                    MB_ICONINFORMATION);
        return;
    }
    if (!IncrementSessionID())
    {
        ShowMessage(Window(), "Could not determine unique session ID.", MB_ICONINFORMATION);
        return;
    }
    if (!SetupInclExcl() || !CreateSessionFolder()) return;

    SetMenuState(Window(), MS_WORKING);
    UnhookKeys(Window());
    // Nothing of an earlier session reaches this one: not its leftover events (a failed or cancelled
    // session leaves some), nor its numbering. The writer is idle and the hooks are not installed yet, so
    // this thread is the list's only user.
    EventList().DeleteAll();
    SIMCAP_ELEMENT::ResetCounters();
    nImageCounter = 0;
    char szPath[261] = {};
    hCaptureFile = OpenCaptureFile(szPath, sizeof(szPath), TRUE);
    if (hCaptureFile == HFILE_ERROR)
    {
        char szText[300];
        wsprintfA(szText, "Unable to create %s",
                  szPath[0] ? szPath : "the capture file: its path is too long.");
        ShowMessage(Window(), szText, MB_ICONINFORMATION);
        // The session folder was made for this file alone.
        RemoveWorkDir(FALSE);
        SetMenuState(Window(), MS_IDLE);
        HookKeys(Window());
        return;
    }
    // The file now exists and is empty; the writer thread opens it again.
    CloseCaptureFile(4);
    HookAll(Window());
    DebugOut("SIMCAP::StartCapture(): We're now capturing events\n");
    CaptureStep(TRUE);
}

void SIMCAP::CaptureStep(BOOL bInitial)
{
    if (!bInitial && !IsCommandAllowed(IDM_STEP)) return;
    if (bAccessibilityEntry)
    {
        DebugOut("Calling CoInitialize()\n");
        CoInitialize(nullptr);
    }
    SetMenuState(Window(), MS_WORKING);
    // The configuration event and the state snapshot (with its two placeholders and the start or step
    // sound) arrive with the snapshot objects; until then a step records no state.
    DebugOut("SIMCAP::CaptureStep(): state snapshots are not available in this build\n");
    if (bAccessibilityEntry)
    {
        DebugOut("Calling CUninitialize()\n");
        CoUninitialize();
    }
    SetMenuState(Window(), MS_CAPTURING);
}

void SIMCAP::StopCapture()
{
    char szBase[261] = {};
    GetCaptureFileBase(szBase, sizeof(szBase));
    DebugOutF("SIMCAP::OnCommand(): Begun writing '%s'\n", szBase);

    BOOL bContinue = TRUE;
    if (IsCommandAllowed(IDM_STOP))
    {
        SetMenuState(Window(), MS_STOPPING);
        UnhookAll(Window());
        DebugOut("In SimCapD - processing StopCapture().\n");
        BOOL bSaved = nWrThreadStatus == TS_DONE;
        if (!bSaved)
        {
            SavDatDg saving(hInstance, Window(), "Processing captured data...");
            if (saving.Show())
            {
                // A cancelled save tells the writer to give up the session.
                if (saving.Cancelled()) nWrThreadStatus = TS_EXIT;
                bSaved = saving.Succeeded();
            }
        }
        SetMenuState(Window(), MS_BUSY);
        if (bSaved)
        {
            DatSvdDg saved(hInstance, Window());
            if (saved.Show()) bContinue = saved.Result();
        }
    }
    SetMenuState(Window(), MS_READY);
    if (bContinue)
        PostMessageA(Window(), WM_COMMAND, IDM_DEFINE_TARGET, 0);
    else
        DestroyWindow(Window());
}
