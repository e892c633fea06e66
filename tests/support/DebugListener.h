// tests/support/DebugListener.h — collects the debug lines (OutputDebugString) of every process on the
// desktop while it lives, through the system's shared debug buffer. One listener at a time.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

class DebugListener
{
  public:
    DebugListener();
    ~DebugListener();
    DebugListener(const DebugListener&) = delete;
    DebugListener& operator=(const DebugListener&) = delete;

    bool IsListening() const { return hThread != nullptr; }
    // The lines of one process, in the order they were written.
    std::vector<std::string> LinesOf(DWORD dwProcessId);
    // Waits until a line of the process contains the text; answers whether it did in time.
    bool WaitForLine(DWORD dwProcessId, const std::string& text, DWORD dwTimeoutMs);
    bool HasLine(DWORD dwProcessId, const std::string& text);
    size_t CountLines(DWORD dwProcessId, const std::string& text);

  private:
    static DWORD WINAPI s_ListenProc(LPVOID pv);
    void Listen();

    HANDLE hBufferReady = nullptr;
    HANDLE hDataReady = nullptr;
    HANDLE hMapping = nullptr;
    const BYTE* pbBuffer = nullptr;
    HANDLE hThread = nullptr;
    std::atomic<bool> bStop{false};
    CRITICAL_SECTION cs;
    std::vector<std::pair<DWORD, std::string>> lines;
};
