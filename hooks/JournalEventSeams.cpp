// Journal event objects arrive with the event classes; until then a journal event is not recorded.
#include "host/SimCap.h"

BOOL SIMCAP::OnJournalKeyboardEvent(LONG, const EVENTMSG&)
{
    return FALSE;
}

BOOL SIMCAP::OnJournalMouseEvent(LONG, const EVENTMSG&)
{
    return FALSE;
}

BOOL SIMCAP::OnJournalEvent(LONG, const EVENTMSG&)
{
    return FALSE;
}
