// tests/output/WriterTestSupport.h — a recorder object whose recording file lies in a temporary folder,
// windows standing in for the recorder window and the "Saving Data" dialog, and a message pump for the
// test thread, which plays the UI thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "config/PrivProf.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "output/WrThread.h"
#include "snapshot/SimCapList.h"
#include "tests/config/ConfigTestFiles.h"

namespace writertest
{
// Runs the message loop of this thread until done() or the timeout; answers done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD dwTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        if (done()) return true;
        if (GetTickCount() - dwStart >= dwTimeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Runs work on a thread of its own, as the writer thread would, while this thread pumps; answers
// whether it finished within the time. A writer still waiting then is told to exit, which ends every
// wait of the writer, so the test fails instead of hanging.
inline bool RunAsWriter(const std::function<void()>& work, DWORD dwTimeoutMs)
{
    std::atomic<bool> bDone{false};
    std::thread writer([&] {
        work();
        bDone = true;
    });
    bool bInTime = PumpUntil([&] { return bDone.load(); }, dwTimeoutMs);
    if (!bInTime && g_pSimCap) g_pSimCap->nWrThreadStatus = TS_EXIT;
    PumpUntil([&] { return bDone.load(); }, dwTimeoutMs);
    writer.join();
    // Posted commands arrive after the writer has returned.
    PumpUntil([] { return false; }, 50);
    return bInTime;
}

// A recorder object as the writer thread sees it: settings from a private INI file whose OutputPath names
// the recording file, and the background-message lock ready.
class TestRecorder
{
  public:
    explicit TestRecorder(const std::string& recordingName = "rec.qmr")
    {
        output = dir.path + "\\out";
        CreateDirectoryA(output.c_str(), nullptr);
        pSimCap = new SIMCAP;
        InitializeCriticalSection(&pSimCap->csBkgndMsg);
        pSimCap->pPrivProf = new PrivProf(pSimCap, GetModuleHandleA(nullptr), nullptr);
        pSimCap->pPrivProf->SetUserConfigPath(dir.Path("QM57REC.INI").c_str());
        SetRecording(output + "\\" + recordingName);
        g_pSimCap = pSimCap;
        g_bErrorReported = FALSE;
        g_bSessionFinished = FALSE;
    }
    ~TestRecorder()
    {
        // As teardown does: the writer thread, if any, ends before the object goes.
        pSimCap->bQuitting = TRUE;
        pSimCap->nWrThreadStatus = TS_EXIT;
        pSimCap->DestroyWrThread();
        g_shared.hwndSimCap = nullptr;
        DeleteCriticalSection(&pSimCap->csBkgndMsg);
        delete pSimCap;
        g_pSimCap = nullptr;
        EventList().DeleteAll();
        g_bErrorReported = FALSE;
    }
    TestRecorder(const TestRecorder&) = delete;
    TestRecorder& operator=(const TestRecorder&) = delete;

    void SetRecording(const std::string& path)
    {
        recording = path;
        WritePrivateProfileStringA("Settings", "OutputPath", path.c_str(), dir.Path("QM57REC.INI").c_str());
    }
    SIMCAP& operator*() const { return *pSimCap; }
    SIMCAP* operator->() const { return pSimCap; }

    configtest::TempDir dir;
    std::string output;    // the folder of the recording file
    std::string recording; // the recording file's path
    SIMCAP* pSimCap;
};

// One WM_COMMAND that reached a stand-in window.
struct Command
{
    std::string window; // "recorder" or "dialog"
    UINT nId;
    LPARAM lParam;
    bool bSent;       // sent from another thread rather than posted
    std::string text; // what GetBkgndMsg gave the dialog for the text commands
    bool operator==(const Command& other) const
    {
        return window == other.window && nId == other.nId && lParam == other.lParam && bSent == other.bSent &&
               text == other.text;
    }
};

inline std::ostream& operator<<(std::ostream& os, const Command& c)
{
    return os << "{" << c.window << " " << c.nId << "/" << c.lParam << (c.bSent ? " sent" : " posted")
              << " \"" << c.text << "\"}";
}

// The recorder window shows the error box on command 1021 and, on a stop, can do what StopCapture does
// (menu state, then the "Saving Data" dialog registers). The dialog fetches its text for 3 and 4, and
// takes itself away once it has ended (1, 2, 4), as the real dialog does.
class StandIns
{
  public:
    StandIns()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = s_StandInProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = c_szClass;
        RegisterClassA(&wc);
        hwndRecorder = Create();
        hwndDialog = Create();
        g_shared.hwndSimCap = hwndRecorder;
    }
    ~StandIns()
    {
        g_shared.hwndSimCap = nullptr;
        DestroyWindow(hwndRecorder);
        DestroyWindow(hwndDialog);
        UnregisterClassA(c_szClass, GetModuleHandleA(nullptr));
    }
    StandIns(const StandIns&) = delete;
    StandIns& operator=(const StandIns&) = delete;

    void RegisterDialog() { g_pSimCap->SetBkgndMsgTarget(hwndDialog, TRUE); }

    HWND hwndRecorder;
    HWND hwndDialog;
    std::vector<Command> commands;
    // What the recorder window does on a stop command: the menu state it sets, and whether the dialog
    // then comes up. 0 leaves the state alone.
    UINT nStateOnStop = 0;
    bool bDialogOnStop = false;

  private:
    static constexpr const char* c_szClass = "WriterTestStandIn";

    HWND Create()
    {
        HWND hwnd = CreateWindowExA(0, c_szClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        return hwnd;
    }

    void OnCommand(HWND hwnd, UINT nId, LPARAM lParam, bool bSent)
    {
        Command command{hwnd == hwndRecorder ? "recorder" : "dialog", nId, lParam, bSent, ""};
        if (hwnd == hwndDialog && (lParam == 3 || lParam == 4))
        {
            char sz[520] = "";
            g_pSimCap->GetBkgndMsg(hwndDialog, sz, sizeof(sz));
            command.text = sz;
        }
        commands.push_back(command);
        if (hwnd == hwndRecorder && nId == IDM_SHOW_ERROR) g_pSimCap->ShowErrorBox();
        if (hwnd == hwndRecorder && nId == IDM_STOP)
        {
            if (nStateOnStop) g_pSimCap->nMenuState = nStateOnStop;
            if (bDialogOnStop) RegisterDialog();
        }
        if (hwnd == hwndDialog && nId == IDC_SAVING_DATA_NOTIFY && lParam != 3)
            g_pSimCap->SetBkgndMsgTarget(hwndDialog, FALSE);
    }

    static LRESULT CALLBACK s_StandInProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        auto* pThis = reinterpret_cast<StandIns*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (pThis && uMsg == WM_COMMAND)
        {
            pThis->OnCommand(hwnd, LOWORD(wParam), lParam, InSendMessage() != FALSE);
            return 0;
        }
        return DefWindowProcA(hwnd, uMsg, wParam, lParam);
    }
};
} // namespace writertest
