// snapshot/SimCapObject.h — the base of snapshot objects (windows, menus, processes ...): they live in
// the lists of the object that captured them and are never queued in the event list.
#pragma once
#include "snapshot/SimCapList.h"

// Answers FALSE to IsEventBlockMember; every subclass writes itself (Write stays pure).
class SIMCAP_OBJECT : public WritableNode
{
  public:
    constexpr SIMCAP_OBJECT() = default;
};
