// tests/output/WriterTestSupport.h — a recorder object whose recording file lies in a temporary folder,
// windows standing in for the recorder window and the "Saving Data" dialog, and a message pump for the
// test thread, which plays the UI thread.
#pragma once
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "config/PrivProf.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "output/WrThread.h"
#include "snapshot/SimCapList.h"
#include "tests/config/ConfigTestFiles.h"
#include "tests/support/Pump.h"

namespace writertest
{
// Names in a folder, sorted, folders included.
inline std::vector<std::string> ListNames(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do
    {
        if (lstrcmpA(fd.cFileName, ".") && lstrcmpA(fd.cFileName, "..")) names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// Runs work on a thread of its own, as the writer would, while this thread pumps; answers whether it
// finished in time. A writer still waiting then is told to exit, so the test fails instead of hanging.
inline bool RunAsWriter(const std::function<void()>& work, DWORD dwTimeoutMs = 3000)
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
    PumpFor(50); // posted commands arrive after the writer has returned
    return bInTime;
}

// A recorder object as the writer thread sees it: OutputPath in a private INI file names the recording.
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
    SIMCAP* operator->() const { return pSimCap; }

    configtest::TempDir dir;
    std::string output;    // the folder of the recording file
    std::string recording; // the recording file's path
    SIMCAP* pSimCap;
};

// One WM_COMMAND that reached a stand-in window; text is what GetBkgndMsg gave the dialog for 3 and 4.
struct Command
{
    std::string window; // "recorder" or "dialog"
    UINT nId;
    LPARAM lParam;
    bool bSent; // sent from another thread rather than posted
    std::string text;
    bool operator==(const Command& o) const
    {
        return std::tie(window, nId, lParam, bSent, text) ==
               std::tie(o.window, o.nId, o.lParam, o.bSent, o.text);
    }
};

inline std::ostream& operator<<(std::ostream& os, const Command& c)
{
    return os << "{" << c.window << " " << c.nId << "/" << c.lParam << (c.bSent ? " sent" : " posted")
              << " \"" << c.text << "\"}";
}

inline Command ToDialog(LPARAM lParam, bool bSent, const std::string& text = "")
{
    return {"dialog", IDC_SAVING_DATA_NOTIFY, lParam, bSent, text};
}

// The recorder window shows the error box on 1021 and, on a stop, does what StopCapture does (menu state,
// then the "Saving Data" dialog registers). The dialog fetches its text for 3 and 4 and, as the real one
// does, takes itself away once it has ended (1, 2, 4).
class StandIns
{
  public:
    StandIns()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = s_StandInProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "WriterTestStandIn";
        RegisterClassA(&wc);
        for (HWND* phwnd : {&hwndRecorder, &hwndDialog})
        {
            *phwnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     wc.hInstance, nullptr);
            SetWindowLongPtrA(*phwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
        g_shared.hwndSimCap = hwndRecorder;
    }
    ~StandIns()
    {
        g_shared.hwndSimCap = nullptr;
        DestroyWindow(hwndRecorder);
        DestroyWindow(hwndDialog);
        UnregisterClassA("WriterTestStandIn", GetModuleHandleA(nullptr));
    }
    StandIns(const StandIns&) = delete;
    StandIns& operator=(const StandIns&) = delete;

    void RegisterDialog() { g_pSimCap->SetBkgndMsgTarget(hwndDialog, TRUE); }
    std::vector<Command> DialogCommands() const
    {
        std::vector<Command> dialog;
        std::copy_if(commands.begin(), commands.end(), std::back_inserter(dialog),
                     [](const Command& c) { return c.window == "dialog"; });
        return dialog;
    }

    HWND hwndRecorder;
    HWND hwndDialog;
    std::vector<Command> commands;
    UINT nStateOnStop = 0; // the menu state a stop command sets; 0 leaves it alone
    bool bDialogOnStop = false;

  private:
    static LRESULT CALLBACK s_StandInProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        auto* pThis = reinterpret_cast<StandIns*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!pThis || uMsg != WM_COMMAND) return DefWindowProcA(hwnd, uMsg, wParam, lParam);
        UINT nId = LOWORD(wParam);
        bool bDialog = hwnd == pThis->hwndDialog;
        Command command{bDialog ? "dialog" : "recorder", nId, lParam, InSendMessage() != FALSE, ""};
        char sz[520] = "";
        // Texts (3), errors (4) and notices (5) carry a text; only an error or a result ends the dialog.
        bool bText = lParam == 3 || lParam == 4 || lParam == 5;
        if (bDialog && bText && g_pSimCap->GetBkgndMsg(hwnd, sz, sizeof(sz))) command.text = sz;
        pThis->commands.push_back(command);
        if (!bDialog && nId == IDM_SHOW_ERROR) g_pSimCap->ShowErrorBox();
        if (!bDialog && nId == IDM_STOP && pThis->nStateOnStop) g_pSimCap->nMenuState = pThis->nStateOnStop;
        if (!bDialog && nId == IDM_STOP && pThis->bDialogOnStop) pThis->RegisterDialog();
        if (bDialog && nId == IDC_SAVING_DATA_NOTIFY && lParam != 3 && lParam != 5)
            g_pSimCap->SetBkgndMsgTarget(hwnd, FALSE);
        return 0;
    }
};
} // namespace writertest
