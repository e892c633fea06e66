// tests/support/RecorderProcess.h — the real host executable, started beside the test and watched from
// outside: its window, its exit code, its configuration files.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Folder of the running test executable, with a trailing backslash; the host is built beside it.
std::string ModuleFolder();
// Path of the user's own configuration file (roaming application data).
std::string UserConfigPath();
// Removes every configuration file the recorder would read, so a start sees none.
void RemoveAllConfigFiles();
std::string ReadWholeFile(const std::string& path);

// The first top-level window of the process that accept takes, or null.
HWND FindProcessWindow(DWORD dwProcessId, const std::function<bool(HWND)>& accept);
// The same, looked for until the timeout or until keepWaiting (when given) says no more; null then.
HWND WaitForProcessWindow(DWORD dwProcessId, const std::function<bool(HWND)>& accept, DWORD dwTimeoutMs,
                          const std::function<bool()>& keepWaiting = nullptr);
// A visible dialog (class "#32770"), such as a message box.
bool IsVisibleDialog(HWND hwnd);

class RecorderProcess
{
  public:
    RecorderProcess() = default;
    ~RecorderProcess();
    RecorderProcess(const RecorderProcess&) = delete;
    RecorderProcess& operator=(const RecorderProcess&) = delete;

    bool Start();
    // Waits for the hidden recorder window of this process.
    HWND WaitForWindow(DWORD dwTimeoutMs);
    // Waits for a visible dialog of this process that holds a control with the given id.
    HWND WaitForDialog(int nControlId, DWORD dwTimeoutMs);
    // Waits for the process to end; answers false when it is still running after the timeout.
    bool WaitForExit(DWORD dwTimeoutMs);
    DWORD ExitCode() const;
    bool IsRunning() const;
    DWORD ProcessId() const { return pi.dwProcessId; }
    DWORD ThreadId() const { return pi.dwThreadId; }

  private:
    PROCESS_INFORMATION pi = {};
};
