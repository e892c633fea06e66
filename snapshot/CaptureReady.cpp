#include "snapshot/CaptureReady.h"

#include "host/SimCap.h"

BOOL CaptureReady::Wait() const
{
    while (!bReady.load(std::memory_order_acquire))
    {
        SIMCAP* p = g_pSimCap;
        if (!p || p->bQuitting || p->nWrThreadStatus == TS_EXIT) return FALSE;
        Sleep(5);
    }
    return TRUE;
}
