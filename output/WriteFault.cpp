// output/WriteFault.cpp — the capture file's writes and the fault the tests inject into them.
#include "output/WriteFault.h"

#include <atomic>
#include <stdlib.h>
#include <string.h>

#include "util/Diag.h"

namespace
{
enum : LONG
{
    FAULT_UNREAD = -2,
    FAULT_NONE = -1,
};
std::atomic<LONG> g_lFaultOffset{FAULT_UNREAD};
std::atomic<BOOL> g_bFaultOnce{FALSE};
std::atomic<BOOL> g_bFaultSpent{FALSE};

LONG FaultOffset()
{
    LONG lOffset = g_lFaultOffset;
    if (lOffset != FAULT_UNREAD) return lOffset;
    char sz[64] = {};
    DWORD cch = GetEnvironmentVariableA("QM57REC_TEST_WRITE_FAULT", sz, sizeof(sz));
    lOffset = FAULT_NONE;
    if (cch && cch < sizeof(sz))
    {
        BOOL bOnce = !strncmp(sz, "once:", 5);
        if (bOnce || !strncmp(sz, "full:", 5))
        {
            g_bFaultOnce = bOnce;
            lOffset = atol(sz + 5);
            DebugOutF("WriteCaptureBytes: injecting a write fault at offset %ld (%s)\n", lOffset,
                      bOnce ? "once" : "full");
        }
    }
    g_lFaultOffset = lOffset;
    return lOffset;
}
} // namespace

UINT WriteCaptureBytes(HFILE hFile, const void* pv, UINT cb)
{
    LONG lLimit = FaultOffset();
    if (lLimit < 0 || (g_bFaultOnce && g_bFaultSpent)) return _lwrite(hFile, static_cast<LPCCH>(pv), cb);
    LONG lAt = _llseek(hFile, 0, FILE_CURRENT);
    if (lAt == HFILE_ERROR || lAt + static_cast<LONG>(cb) <= lLimit)
        return _lwrite(hFile, static_cast<LPCCH>(pv), cb);
    g_bFaultSpent = TRUE;
    UINT cbFits = lAt < lLimit ? static_cast<UINT>(lLimit - lAt) : 0;
    if (cbFits) _lwrite(hFile, static_cast<LPCCH>(pv), cbFits);
    SetLastError(ERROR_DISK_FULL);
    return cbFits;
}
