// System errors with their Windows text, and the error box the writer thread asks the UI thread to show.
#include "host/SimCap.h"

#include <new>

#include "hooks/JournalEvents.h"
#include "util/Diag.h"

void SIMCAP::OutputLastError(LPCSTR pszPrefix, DWORD dwError)
{
    char szCode[32];
    wsprintfA(szCode, "[%lu] ", dwError);

    LPSTR pszSystemText = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_FROM_SYSTEM,
                   nullptr, dwError, 0x400, reinterpret_cast<LPSTR>(&pszSystemText), 0, nullptr);
    char szUnknown[64];
    LPCSTR pszText = pszSystemText;
    if (!pszText)
    {
        // The system has no text for some codes; the user still learns the number.
        wsprintfA(szUnknown, "Unknown error %lu.", dwError);
        pszText = szUnknown;
    }

    ShowMessage(Window(), pszText, MB_ICONINFORMATION);
    DebugOut(pszPrefix ? pszPrefix : "SIMCAP::OutputLastError(): ");
    DebugOut(szCode);
    DebugOut(pszText);
    DebugOut("\n");
    // The error reaches the capture file as a comment between events.
    SIMCAP_ERROREVENT* pEvent = new (std::nothrow) SIMCAP_ERROREVENT;
    if (!pEvent)
        DebugOut("SIMCAP::OutputLastError(): unable to allocate Error Event Object\n");
    else if (!pEvent->Init(pszPrefix, pszText))
        DebugOut("SIMCAP::OutputLastError(): unable to initialize Error Event Object\n");

    if (pszSystemText) LocalFree(pszSystemText);
    SetLastError(dwError);
}

void SIMCAP::ShowErrorBox()
{
    BOOL bDue = FALSE;
    char szText[sizeof(szBkgndMsg)];
    EnterCriticalSection(&csBkgndMsg);
    if (szBkgndMsg[0] && nMsgMode == BM_ERROR_PENDING)
    {
        bDue = TRUE;
        lstrcpynA(szText, szBkgndMsg, sizeof(szText));
    }
    LeaveCriticalSection(&csBkgndMsg);

    if (bDue)
        ShowMessage(Window(), szText, MB_ICONERROR | MB_TOPMOST);
    else
        DebugOut("SIMCAP - ShowErrorBox called with no valid error.\n");

    EnterCriticalSection(&csBkgndMsg);
    hMsgTarget = nullptr;
    szBkgndMsg[0] = '\0';
    nMsgMode = BM_NONE;
    LeaveCriticalSection(&csBkgndMsg);
}
