#include "snapshot/SimCapList.h"

#include "host/SimCap.h"
#include "output/Tags.h"
#include "util/Diag.h"

namespace
{
SIMCAP_LIST g_EventList;

// The streaming writer holds back the two newest elements only while a recording runs; otherwise it
// drains the list to its end.
BOOL IsCaptureRunning(const SIMCAP& simcap)
{
    UINT nStatus = simcap.nWrThreadStatus;
    UINT nState = simcap.nMenuState;
    return nStatus != TS_FINISHING && nStatus != TS_FAILED && nStatus != TS_EXIT &&
           (nState == MS_CAPTURING || nState == MS_PAUSED || nState == MS_WORKING);
}

// The tag map hears of every Events block just before its start tag, and of its end even when writing
// the block's tags failed.
BOOL OpenEventsBlock(SIMCAP& simcap, int nDepth)
{
    LPCSTR pszEvents = Tags::TagTxt(TAG_EVENTS);
    simcap.WriteEventsMark(pszEvents, 1);
    if (simcap.WriteIndent(nDepth) && simcap.WriteStartTag(pszEvents, nullptr, 0, nullptr, nullptr) &&
        simcap.WriteEscaped("\n"))
        return TRUE;
    DebugOut("SIMCAP_LIST::Write(): Failed to Write Events begin tag\n");
    simcap.WriteEventsMark(pszEvents, 2);
    return FALSE;
}

BOOL CloseEventsBlock(SIMCAP& simcap, int nDepth)
{
    LPCSTR pszEvents = Tags::TagTxt(TAG_EVENTS);
    BOOL bOk = simcap.WriteIndent(nDepth) && simcap.WriteEndTag(pszEvents) && simcap.WriteEscaped("\n");
    if (!bOk) DebugOut("SIMCAP_LIST::Write(): Failed to Write Events end tag\n");
    simcap.WriteEventsMark(pszEvents, 2);
    return bOk;
}
} // namespace

SIMCAP_LIST& EventList()
{
    return g_EventList;
}

SIMCAP_LIST::~SIMCAP_LIST()
{
    DeleteAll();
}

void SIMCAP_LIST::DeleteAll()
{
    while (LIST_NODE* pNode = Head())
    {
        Unlink(pNode);
        delete pNode;
    }
}

WritableNode* SIMCAP_LIST::Last() const
{
    LIST_NODE* pNode = Head();
    while (pNode && pNode->pNext)
        pNode = pNode->pNext;
    return static_cast<WritableNode*>(pNode);
}

WritableNode* SIMCAP_LIST::Newer(const WritableNode* pNode) const
{
    return static_cast<WritableNode*>(Predecessor(pNode));
}

BOOL SIMCAP_LIST::Write(int nDepth)
{
    SIMCAP* pSimCap = g_pSimCap;
    if (!pSimCap) return !Head();
    const BOOL bStreaming = nDepth == 1;
    int nCurrentDepth = nDepth;
    BOOL bEventsOpen = FALSE;
    WritableNode* pPrevious = nullptr;
    bRolledBack = FALSE;

    // A recording whose first event has not come yet is not over: the user may pause before working.
    while (bStreaming && !Head() && IsCaptureRunning(*pSimCap))
        Sleep(1000);

    for (WritableNode* pNode = Last(); pNode; pNode = Newer(pNode))
    {
        if (bStreaming)
        {
            if (pPrevious)
            {
                Unlink(pPrevious);
                delete pPrevious;
            }
            // The head is read afresh on every test: new events arrive while we sleep.
            while ((pNode == Head() || Predecessor(pNode) == Head()) && IsCaptureRunning(*pSimCap))
                Sleep(1000);
            pPrevious = pNode;
        }

        BOOL bMember = pNode->IsEventBlockMember();
        if (bMember && !bEventsOpen)
        {
            if (!OpenEventsBlock(*pSimCap, nCurrentDepth)) return FALSE;
            bEventsOpen = TRUE;
            nCurrentDepth++;
        }
        else if (!bMember && bEventsOpen)
        {
            nCurrentDepth--;
            bEventsOpen = FALSE;
            if (!CloseEventsBlock(*pSimCap, nCurrentDepth)) return FALSE;
        }

        OutputMark mark = pSimCap->MarkOutput();
        if (!pNode->Write(nCurrentDepth))
        {
            // The element's partial output is cut off and the open block closed, so the stream stays a
            // well-formed run of whole elements that can still be finished and saved.
            if (bStreaming && pSimCap->RollBackOutput(mark))
                bRolledBack = !bEventsOpen || CloseEventsBlock(*pSimCap, nCurrentDepth - 1);
            return FALSE;
        }
    }

    if (bStreaming && pPrevious)
    {
        Unlink(pPrevious);
        delete pPrevious;
    }
    if (bEventsOpen && !CloseEventsBlock(*pSimCap, nCurrentDepth - 1)) return FALSE;
    return TRUE;
}
