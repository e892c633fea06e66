// snapshot/CaptureReady.h — an event is queued when it is constructed, and the UI thread may still be
// filling it when the streaming writer reaches it: events that other processes send while a snapshot
// waits for a window's answer are queued behind it. The writer waits until the filling is over.
#pragma once
#include <windows.h>

#include <atomic>

class CaptureReady
{
  public:
    // The UI thread has finished with the object, whatever came of it.
    void Set() { bReady.store(TRUE, std::memory_order_release); }
    // On the writer thread: waits until Set; FALSE when the writer is told to give up first.
    BOOL Wait() const;

  private:
    std::atomic<BOOL> bReady{FALSE};
};
