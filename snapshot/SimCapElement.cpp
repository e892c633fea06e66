#include "snapshot/SimCapElement.h"

#include "host/SimCap.h"
#include "output/Tags.h"
#include "util/Diag.h"

namespace
{
// Only the writer thread writes and resets these.
int g_nCurrentStateNumber = 1;
int g_nEventSequenceNumber = 0;
} // namespace

SIMCAP_ELEMENT::SIMCAP_ELEMENT()
{
    EventList().Insert(this, nullptr);
}

BOOL SIMCAP_ELEMENT::Write(int nDepth)
{
    SIMCAP* pSimCap = g_pSimCap;
    if (pSimCap && pSimCap->WriteIndent(nDepth) &&
        pSimCap->WriteComment("Event Class needs to overload Write() method") && pSimCap->WriteEscaped("\n"))
        return TRUE;
    DebugOut("SimCap: Failed to record Event Info\n");
    return FALSE;
}

BOOL SIMCAP_ELEMENT::BeginWrite(int nDepth)
{
    int nId = g_nEventSequenceNumber++;
    SIMCAP* pSimCap = g_pSimCap;
    if (pSimCap && pSimCap->WriteIndent(nDepth) &&
        pSimCap->WriteStartTag(Tags::TagTxt(TAG_EVENT), "StateID", g_nCurrentStateNumber, "EventType",
                               GetEventType()) &&
        pSimCap->WriteEscaped("\n") &&
        pSimCap->WriteSimpleTagInt(nDepth + 1, Tags::TagTxt(TAG_ID), nId, nullptr))
        return TRUE;
    DebugOut("SIMCAP_ELEMENT::BeginWrite(): Failed to Write Begin Tag\n");
    return FALSE;
}

BOOL SIMCAP_ELEMENT::EndWrite(int nDepth)
{
    SIMCAP* pSimCap = g_pSimCap;
    if (pSimCap && pSimCap->WriteIndent(nDepth) && pSimCap->WriteEndTag(Tags::TagTxt(TAG_EVENT)) &&
        pSimCap->WriteEscaped("\n"))
        return TRUE;
    DebugOut("SIMCAP_ELEMENT::EndWrite(): Failed to Write End Tag\n");
    return FALSE;
}

int SIMCAP_ELEMENT::CurrentStateNumber()
{
    return g_nCurrentStateNumber;
}

void SIMCAP_ELEMENT::SetCurrentStateNumber(int nState)
{
    g_nCurrentStateNumber = nState;
}

int SIMCAP_ELEMENT::EventSequenceNumber()
{
    return g_nEventSequenceNumber;
}

void SIMCAP_ELEMENT::SetEventSequenceNumber(int nNext)
{
    g_nEventSequenceNumber = nNext;
}

void SIMCAP_ELEMENT::ResetCounters()
{
    g_nCurrentStateNumber = 1;
    g_nEventSequenceNumber = 0;
}
