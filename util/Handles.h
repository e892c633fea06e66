// util/Handles.h — kernel handles that close themselves. Null and INVALID_HANDLE_VALUE are kept apart:
// each kind knows which one its creating call answers on failure.
#pragma once
#include <windows.h>

#include <tlhelp32.h>

template <LONG_PTR nInvalid> class KernelHandle
{
    static HANDLE Invalid() { return reinterpret_cast<HANDLE>(nInvalid); }

  public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE hIn) : h(hIn) {}
    ~KernelHandle() { Reset(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    BOOL IsValid() const { return h != Invalid(); }
    HANDLE Get() const { return h; }
    void Reset(HANDLE hNew = Invalid())
    {
        if (h != Invalid()) CloseHandle(h);
        h = hNew;
    }

  private:
    HANDLE h = Invalid();
};

// Processes, threads, events, mutexes: their creating calls answer null on failure.
typedef KernelHandle<0> UniqueHandle;

// Toolhelp snapshots answer INVALID_HANDLE_VALUE on failure.
class ToolhelpSnapshot : public KernelHandle<-1>
{
  public:
    ToolhelpSnapshot(DWORD dwFlags, DWORD dwProcessId)
        : KernelHandle<-1>(CreateToolhelp32Snapshot(dwFlags, dwProcessId))
    {
    }
};
