// The background writer thread's life as the recorder object sees it.
#include "host/SimCap.h"

// The writer thread streams the capture file; it arrives with the capture file writer. Until then no
// thread is started and the status stays TS_NO_THREAD.
BOOL SIMCAP::CreateWrThread()
{
    return TRUE;
}

BOOL SIMCAP::DestroyWrThread()
{
    if (!hWrThread)
        return TRUE;
    WaitForSingleObject(hWrThread, INFINITE);
    BOOL bClosed = CloseHandle(hWrThread);
    hWrThread = nullptr;
    return bClosed;
}
