// The UI-thread side of one recording: setup, start, step and stop.
#include "host/SimCap.h"

#include <objbase.h>

#include "util/Diag.h"

// Choosing the targets needs the Define Target dialog, which is not part of this build yet: the recorder
// stays without a target (idle) and lives in the tray until Exit.
BOOL SIMCAP::CallSetup(HINSTANCE, HWND)
{
    if (!IsCommandAllowed(IDM_DEFINE_TARGET))
        return 0;
    DebugOut("SIMCAP::CallSetup(): the Define Target dialog is not available in this build; no target is "
             "defined\n");
    SetMenuState(Window(), MS_IDLE);
    return 1;
}

void SIMCAP::StartCapture()
{
    if (!IsCommandAllowed(IDM_START))
        return;
    DebugOut("SIMCAP::StartCapture(): Preparing to start capturing\n");
    if (!IncrementSessionID())
    {
        ShowMessage(Window(), "Could not determine unique session ID.", MB_ICONINFORMATION);
        return;
    }
    if (!SetupInclExcl() || !CreateSessionFolder())
        return;

    SetMenuState(Window(), MS_WORKING);
    UnhookKeys(Window());
    char szPath[261] = {};
    hCaptureFile = OpenCaptureFile(szPath, sizeof(szPath), TRUE);
    if (hCaptureFile == HFILE_ERROR)
    {
        char szText[300];
        wsprintfA(szText, "Unable to create %s", szPath);
        ShowMessage(Window(), szText, MB_ICONINFORMATION);
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
    if (!bInitial && !IsCommandAllowed(IDM_STEP))
        return;
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

// Outside a recording a stop only returns to target selection. Storing a recording arrives with the
// capture file writer; no recording can be running before it does.
void SIMCAP::StopCapture()
{
    BOOL bContinue = TRUE;
    if (IsCommandAllowed(IDM_STOP))
    {
        SetMenuState(Window(), MS_STOPPING);
        UnhookAll(Window());
        DebugOut("In SimCapD - processing StopCapture().\n");
        SetMenuState(Window(), MS_BUSY);
    }
    SetMenuState(Window(), MS_READY);
    if (bContinue)
        PostMessageA(Window(), WM_COMMAND, IDM_DEFINE_TARGET, 0);
    else
        DestroyWindow(Window());
}
