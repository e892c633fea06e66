#include "snapshot/BOGUSRecordEvent.h"

#include <initializer_list>
#include <new>

BOGUSRecordEvent::BOGUSRecordEvent(UINT nHookCode, const EVENTMSG& record) : nCode(nHookCode), em(record) {}

BOOL BOGUSRecordEvent::QueuePair()
{
    for (UINT nMessage : {1u, 2u})
    {
        EVENTMSG record = {};
        record.message = nMessage;
        // The list owns the placeholder from its construction on.
        if (!new (std::nothrow) BOGUSRecordEvent(0, record)) return FALSE;
    }
    return TRUE;
}
