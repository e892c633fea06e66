// output/WrThread.h — what the writer thread's files share: the session flags and the status change
// that cannot undo an exit.
#pragma once
#include <windows.h>

#include <atomic>

class SIMCAP;

// TRUE once FinishSession has run for the current session; FALSE again when a capture file is opened.
extern std::atomic<BOOL> g_bSessionFinished;
// TRUE once an error of the current session has reached the user; further errors are dropped.
extern std::atomic<BOOL> g_bErrorReported;

// The writer's own status changes. TS_EXIT, set by the UI thread, is never overwritten: a thread that
// took it back would outlive the wait in teardown. FALSE when the status stayed TS_EXIT.
BOOL SetWriterStatus(SIMCAP& simcap, UINT nStatus);

// TRUE while the "Saving Data" dialog is registered to take the background message.
BOOL IsSavingDialogUp(SIMCAP& simcap);

// For the "Saving Data" dialog, which must never wait for a report that will not come: TRUE once the
// writer has finished with the session being stopped, *pbSaved telling whether it was packaged.
BOOL HasWriterFinishedSession(SIMCAP& simcap, BOOL* pbSaved);
