// snapshot/SimCapList.h — lists of objects that write themselves as XML, and the recorder's event list.
#pragma once
#include <windows.h>

#include "snapshot/LinkedList.h"

// What a SIMCAP_LIST holds: events (SIMCAP_ELEMENT) and snapshot objects (SIMCAP_OBJECT).
class WritableNode : public LIST_NODE
{
  public:
    constexpr WritableNode() = default;
    // TRUE for the events that are written together inside one "Events" block.
    virtual BOOL IsEventBlockMember() const { return FALSE; }
    // Writes the object at an indentation depth; FALSE on the first failed write.
    virtual BOOL Write(int nDepth) = 0;
};

// Deletes every node still in it when it is destroyed (the base only unlinks them).
class SIMCAP_LIST : public LINKED_LIST
{
  public:
    constexpr SIMCAP_LIST() = default;
    ~SIMCAP_LIST() override;

    BOOL Insert(WritableNode* pNode, WritableNode* pBefore) { return LINKED_LIST::Insert(pNode, pBefore); }
    // The oldest node; null for an empty list.
    WritableNode* Last() const;
    // Oldest to newest. Depth 1 is the event list streamed into the capture file: each element is deleted
    // once the next one is reached, and while capture runs an element waits until two newer ones exist.
    // Runs of event-block members stand inside one "Events" element. On a failed write the elements not
    // yet written stay in the list.
    virtual BOOL Write(int nDepth);
    // Unlinks and deletes every node.
    void DeleteAll();
    // After a streaming Write that failed: TRUE when the failed element's output was cut off again and the
    // stream ends after the last whole element, so the file can still be closed and kept.
    BOOL RolledBack() const { return bRolledBack; }

  private:
    WritableNode* Newer(const WritableNode* pNode) const;
    BOOL bRolledBack = FALSE;
};

// The recorder's event list: every event queues itself here when it is constructed. A static object of
// the library, emptied (its elements deleted) when the library is unloaded.
SIMCAP_LIST& EventList();
