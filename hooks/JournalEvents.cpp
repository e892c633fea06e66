#include "hooks/JournalEvents.h"

#include <new>

#include "hooks/EventNames.h"
#include "hooks/HookEvents.h"
#include "host/SimCap.h"
#include "output/Tags.h"
#include "util/Diag.h"

namespace
{
// Set while an allocation failure of an error event is being reported, so the report cannot recurse.
BOOL g_bReportingErrorEventFailure;

BOOL WriteMessageAndWindow(int d, const EVENTMSG& em)
{
    return g_pSimCap->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_MESSAGE), em.message, MessageName(em.message)) &&
           g_pSimCap->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_HWND),
                                         static_cast<DWORD>(reinterpret_cast<UINT_PTR>(em.hwnd)), nullptr);
}
} // namespace

SIMCAP_JOURNALEVENT::SIMCAP_JOURNALEVENT(int nCodeIn, const EVENTMSG& emIn) : nCode(nCodeIn), em(emIn) {}

BOOL SIMCAP_JOURNALEVENT::IsWritten() const
{
    return g_pSimCap->bIncludeJournalEvents && nCode == HC_ACTION;
}

BOOL SIMCAP_JOURNALEVENT::Write(int nDepth)
{
    if (!IsWritten()) return TRUE;
    if (!WriteContent(nDepth))
    {
        DebugOut("SimCap: Failed to Write Journal Event Info\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_JOURNALEVENT::WriteContent(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 1;
    return BeginWrite(nDepth) &&
           p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_MESSAGE), em.message, MessageName(em.message)) &&
           p->WriteEscaped("\n") && p->WriteIndent(d) &&
           p->WriteComment("This is an unexpected message to the JournalRecordProc") &&
           p->WriteEscaped("\n") &&
           p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_HWND),
                                 static_cast<DWORD>(reinterpret_cast<UINT_PTR>(em.hwnd)), nullptr) &&
           EndWrite(nDepth);
}

BOOL SIMCAP_JOURNALMOUSEEVENT::Write(int nDepth)
{
    if (!IsWritten()) return TRUE;
    if (!WriteContent(nDepth))
    {
        DebugOut("SimCap: Failed to Write Journal Mouse Event Info\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_JOURNALMOUSEEVENT::WriteContent(int nDepth)
{
    int d = nDepth + 1;
    return BeginWrite(nDepth) && WriteMessageAndWindow(d, em) &&
           WritePoint(TAG_PT, d, static_cast<int>(em.paramL), static_cast<int>(em.paramH)) &&
           EndWrite(nDepth);
}

// The keyboard event reports no failure of its own; the list reports the failed write.
BOOL SIMCAP_JOURNALKEYBOARDEVENT::Write(int nDepth)
{
    if (!IsWritten()) return TRUE;
    return WriteContent(nDepth);
}

BOOL SIMCAP_JOURNALKEYBOARDEVENT::WriteContent(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    int d = nDepth + 1;
    int nVirtualKey = LOBYTE(em.paramL);
    return BeginWrite(nDepth) && WriteMessageAndWindow(d, em) &&
           p->WriteSimpleTagInt(d, "ScanCode", HIBYTE(LOWORD(em.paramL)), nullptr) &&
           p->WriteSimpleTagInt(d, Tags::TagTxt(TAG_VIRTUALKEYCODE), nVirtualKey,
                                VirtualKeyName(nVirtualKey)) &&
           p->WriteSimpleTagInt(d, "RepeatCount", static_cast<int>(em.paramH & 0x7FFF), nullptr) &&
           p->WriteSimpleTagInt(d, "bExtendedKey", static_cast<int>((em.paramH >> 15) & 1), nullptr) &&
           EndWrite(nDepth);
}

SIMCAP_ERROREVENT::~SIMCAP_ERROREVENT()
{
    if (hText)
    {
        GlobalUnlock(hText);
        GlobalFree(hText);
    }
}

BOOL SIMCAP_ERROREVENT::Init(LPCSTR pszPrefix, LPCSTR pszTextIn)
{
    int cchPrefix = pszPrefix ? lstrlenA(pszPrefix) : 0;
    int cchText = pszTextIn ? lstrlenA(pszTextIn) : 0;
    hText = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, cchPrefix + cchText + 1);
    pszText = hText ? static_cast<LPSTR>(GlobalLock(hText)) : nullptr;
    if (!pszText)
    {
        DWORD dwError = GetLastError();
        if (!g_bReportingErrorEventFailure && g_pSimCap)
        {
            g_bReportingErrorEventFailure = TRUE;
            g_pSimCap->OutputLastError("SIMCAP_ERROREVENT::Init(): unable to allocate the error text - ",
                                       dwError);
            g_bReportingErrorEventFailure = FALSE;
        }
        return FALSE;
    }
    if (cchPrefix) CopyMemory(pszText, pszPrefix, cchPrefix);
    if (cchText) CopyMemory(pszText + cchPrefix, pszTextIn, cchText);
    return TRUE;
}

BOOL SIMCAP_ERROREVENT::Write(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    return p->WriteIndent(nDepth) && p->WriteComment(pszText ? pszText : "") && p->WriteEscaped("\n");
}

BOOL SIMCAP::OnJournalKeyboardEvent(LONG nCode, const EVENTMSG& em)
{
    return new (std::nothrow) SIMCAP_JOURNALKEYBOARDEVENT(nCode, em) != nullptr;
}

BOOL SIMCAP::OnJournalMouseEvent(LONG nCode, const EVENTMSG& em)
{
    return new (std::nothrow) SIMCAP_JOURNALMOUSEEVENT(nCode, em) != nullptr;
}

BOOL SIMCAP::OnJournalEvent(LONG nCode, const EVENTMSG& em)
{
    return new (std::nothrow) SIMCAP_JOURNALEVENT(nCode, em) != nullptr;
}
