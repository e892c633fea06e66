// snapshot/BOGUSRecordEvent.h — a placeholder shaped like a journal record event. The streaming writer
// holds back the two newest elements while a recording runs; two placeholders queued after a snapshot
// let it through at once. They write nothing.
#pragma once
#include <windows.h>

#include "snapshot/SimCapElement.h"

class BOGUSRecordEvent : public SIMCAP_ELEMENT
{
  public:
    BOGUSRecordEvent(UINT nHookCode, const EVENTMSG& record);

    BOOL IsEventBlockMember() const override { return FALSE; }
    BOOL Write(int) override { return TRUE; }
    LPCSTR GetEventType() const override { return "BOGUSRecordEvent"; }

    // The pair that follows a snapshot: record messages 1 then 2, hook code 0, other fields 0. FALSE
    // when one cannot be allocated.
    static BOOL QueuePair();

    UINT nCode;
    EVENTMSG em;
};
