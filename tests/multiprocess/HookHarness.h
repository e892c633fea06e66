// tests/multiprocess/HookHarness.h — this test process acts as the recorder: a real recorder object of the
// test library, whose window logs everything the hooks in other processes send it; and the target
// application, started beside it and driven with real input.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "hooks/CopyDataRecords.h"
#include "host/SimCap.h"
#include "tests/support/DiagCapture.h"
#include "tests/support/Pump.h"

// One message that reached the recorder window from a hook.
struct SeenMessage
{
    UINT uMsg;               // WM_COPYDATA, a registered message, or WM_COMMAND
    ULONG_PTR dwData;        // WM_COPYDATA only
    std::vector<BYTE> bytes; // the record as it arrived
    WPARAM wParam;
    DWORD dwWindowProcessId;    // process of the window a record names, taken while the sender waits
    BOOL bWindowAlive;          // whether that window still existed then
    std::vector<UINT> commands; // commands the recorder posted while it handled this record

    template <class TRecord> const TRecord* Record() const
    {
        return bytes.size() >= sizeof(TRecord) ? reinterpret_cast<const TRecord*>(bytes.data()) : nullptr;
    }
};

// Journal-record procedures run in the process that receives the input under Wine, on the recorder's
// thread on Windows; only the former hands journal events over.
bool JournalRunsInReceivingProcess();

class TargetProcess
{
  public:
    TargetProcess() = default;
    ~TargetProcess();
    TargetProcess(const TargetProcess&) = delete;
    TargetProcess& operator=(const TargetProcess&) = delete;

    bool Start();
    void Stop();
    void Command(UINT nCommand) const; // posts a TARGET_CMD_* command to the main window
    // Makes the main window the foreground window, focus in the edit box; true when it is.
    bool Activate() const;
    HWND FindDialog() const;

    DWORD dwProcessId = 0;
    DWORD dwThreadId = 0;
    HWND hwndMain = nullptr;
    HWND hwndButton = nullptr;
    HWND hwndEdit = nullptr;

  private:
    PROCESS_INFORMATION pi = {};
};

class RecorderUnderTest
{
  public:
    RecorderUnderTest();
    ~RecorderUnderTest();
    RecorderUnderTest(const RecorderUnderTest&) = delete;
    RecorderUnderTest& operator=(const RecorderUnderTest&) = delete;

    bool Ready() const { return pSimCap != nullptr && hwnd != nullptr; }

    const std::vector<SeenMessage>& Seen() const;
    void ClearSeen();
    std::vector<const SeenMessage*> Records(ULONG_PTR dwData) const;
    std::vector<UINT> Commands() const; // all posted, in the order taken from the queue
    std::vector<SIMCAP_COPYDATA_JOURNALEVENT> JournalEvents(DWORD dwHook) const;

    SIMCAP* pSimCap = nullptr;
    HWND hwnd = nullptr;
    DiagCapture diag;
};

struct KeyStroke
{
    WORD wVirtualKey;
    bool bUp;
};

// One SendInput call with all strokes, so none can be interleaved with other input.
void SendKeys(const std::vector<KeyStroke>& strokes);
// Moves the cursor to the centre of the window, nOffset pixels to the right, and clicks the left button
// there. Clicks at the same place in quick succession make a double click.
void ClickOn(HWND hwnd, int nOffset = 0);
