// The UI-thread side of one recording: setup, start, step and stop.
#include "host/SimCap.h"

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

// Starting needs the session folder and the capture file writer, which are not part of this build yet.
void SIMCAP::StartCapture()
{
    if (!IsCommandAllowed(IDM_START))
        return;
    DebugOut("SIMCAP::StartCapture(): Preparing to start capturing\n");
    DebugOut("SIMCAP::StartCapture(): recording is not available in this build\n");
}

// A step needs the state snapshot, which is not part of this build yet.
void SIMCAP::CaptureStep(BOOL bInitial)
{
    if (!bInitial && !IsCommandAllowed(IDM_STEP))
        return;
    DebugOut("SIMCAP::CaptureStep(): state snapshots are not available in this build\n");
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
