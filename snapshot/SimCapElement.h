// snapshot/SimCapElement.h — the base of every queued event and the two counters that number states
// and events in a capture file.
#pragma once
#include <windows.h>

#include "snapshot/SimCapList.h"

// An event queues itself at the head of the event list when it is constructed; the list owns it from
// then on and deletes it once written. The writer reaches an element only when two newer ones exist
// while a recording runs, so a subclass's data must be complete by the time two more are queued.
class SIMCAP_ELEMENT : public WritableNode
{
  public:
    SIMCAP_ELEMENT();

    // Writes a reminder comment; every event class writes itself instead.
    BOOL Write(int nDepth) override;
    // The "EventType" attribute of the "Event" element.
    virtual LPCSTR GetEventType() const = 0;
    // The "Event" start tag with "StateID" and "EventType" and its "ID" child; takes the next event
    // sequence number whether or not the writing succeeds.
    virtual BOOL BeginWrite(int nDepth);
    virtual BOOL EndWrite(int nDepth);

    // Recorder-wide counters, not per list. The state number starts at 1: every event written after
    // snapshot n carries n + 1, and a snapshot takes it as its own number and leaves it one higher.
    // The event sequence number starts at 0. Both go back to their start for every capture file.
    static int CurrentStateNumber();
    static void SetCurrentStateNumber(int nState);
    static int EventSequenceNumber();
    static void SetEventSequenceNumber(int nNext);
    static void ResetCounters();
};
