// tests/fuzz/CopyDataFuzz.cpp — seeded random and mutated WM_COPYDATA records sent to the real recorder
// while it is idle (Define Target up), armed and recording, as any process on the desktop could send
// them. After every batch the recorder must still answer; after the armed batches Print Screen must still
// start a recording and after each recording Ctrl+Print Screen must still stop it, with the Data Saved
// dialog at the end. The recordings are left in the folder for an independent reader (run_fuzz.py), which
// also watches the exception lines that Wine prints for faults it would otherwise hide.
//
// Usage: CopyDataFuzz --folder=DIR [--records=N] [--seed=S] [--recordings=R]
//   N records per situation (default 2000), the recording situation split into R recordings (default 1).
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "hooks/CopyDataRecords.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/DebugListener.h"
#include "tests/support/RecorderProcess.h"
#include "tests/targets/TargetApp.h"

namespace
{
const DWORD c_dwWaitMs = 60000;
const DWORD c_dwAnswerMs = 30000;
const int c_nTargetList = 2004;    // Define Target: the application list
const int c_nDataSavedPath = 2301; // Data Saved: the recording's path
const UINT c_nBatch = 500;         // records between two checks outside a recording
const char c_szCapturing[] = "SIMCAP::StartCapture(): We're now capturing events\n";
const char c_szArmed[] = "SIMCAP::HookKeys(): Installing JournalHookKeyProc.\n";

// Messages the recorder writes with children of their own, and a few it never sees.
const DWORD c_adwMessages[] = {5,   6,   7,   8,   15,  33,   50,   132,   160,       161, 165,
                               169, 256, 257, 258, 260, 263,  275,  287,   512,       513, 514,
                               517, 521, 522, 533, 786, 1024, 1025, 32768, 0xFFFFFFFF};
const LONG c_anExtremes[] = {0, 1, -1, 0x7FFFFFFF, LONG(0x80000000), 0xFFFF, -120, 0x10000};
const ULONG_PTR c_adwKnown[] = {
    COPYDATA_HOOKEVENT,      COPYDATA_TOOLBAR_BUTTON_REPLY, COPYDATA_LISTBOX_REPLY, COPYDATA_COMBOBOX_REPLY,
    COPYDATA_MENUITEM_REPLY, COPYDATA_BUTTON_IMAGE_REPLY,   COPYDATA_CBTEVENT,      COPYDATA_JOURNALEVENT};

// Windows a record may name: the target's, the recorder's, this process's, the system's, gone and made up.
struct KnownWindows
{
    DWORD adw[10];
};

class RecordMaker
{
  public:
    RecordMaker(FuzzRandom& random, const KnownWindows& windows, bool bSpareTargetDestroy)
        : rnd(random), known(windows), bSpareDestroy(bSpareTargetDestroy)
    {
    }

    // One record: its dwData and bytes.
    std::vector<BYTE> Make(ULONG_PTR* pdwData)
    {
        ULONG_PTR dwKind = rnd.Pick(c_adwKnown);
        std::vector<BYTE> bytes = Structured(dwKind);
        switch (rnd.Below(8))
        {
        case 0: dwKind = rnd.Next(); break;    // any dwData
        case 1: dwKind = rnd.Below(20); break; // the neighbours of the known ones
        case 2: dwKind = COPYDATA_JOURNALEVENT + rnd.Below(3) - 1; break;
        case 3: dwKind = rnd.Pick(c_adwKnown); break; // one kind's bytes under another's code
        }
        *pdwData = dwKind;
        Resize(bytes);
        return bytes;
    }

  private:
    DWORD Window() { return rnd.OneIn(8) ? rnd.Next() : known.adw[rnd.Below(ARRAYSIZE(known.adw))]; }
    DWORD Value() { return rnd.OneIn(2) ? DWORD(rnd.Pick(c_anExtremes)) : rnd.Next(); }
    DWORD Count() { return rnd.OneIn(3) ? rnd.Below(8) : Value(); }
    void Put(std::vector<BYTE>& bytes, size_t ib, DWORD dw)
    {
        if (bytes.size() < ib + 4) bytes.resize(ib + 4);
        memcpy(bytes.data() + ib, &dw, 4);
    }
    // Texts without their terminating zero, or with bytes of every kind.
    void Text(std::vector<BYTE>& bytes, size_t ib, size_t cb)
    {
        if (bytes.size() < ib + cb) bytes.resize(ib + cb);
        for (size_t i = 0; i < cb; ++i)
            bytes[ib + i] = static_cast<BYTE>(rnd.OneIn(4) ? rnd.Next() : 'A' + rnd.Below(26));
        if (cb && rnd.OneIn(2)) bytes[ib + cb - 1] = 0;
    }

    std::vector<BYTE> Structured(ULONG_PTR dwKind)
    {
        std::vector<BYTE> b;
        switch (dwKind)
        {
        case COPYDATA_HOOKEVENT:
            b.assign(sizeof(SIMCAP_COPYDATA_HOOKEVENT), 0);
            Put(b, 0, rnd.OneIn(6) ? Value() : HOOKEVENT_KIND_MOUSE + rnd.Below(2));
            Put(b, 4, Window());
            Put(b, 8, rnd.OneIn(2) ? 0 : Value());
            Put(b, 12, rnd.OneIn(4) ? Value() : rnd.Pick(c_adwMessages));
            Put(b, 16, Window()); // kind 3: the message's window; kind 2: x
            Put(b, 20, rnd.OneIn(4) ? Value() : rnd.Pick(c_adwMessages));
            Put(b, 24, rnd.OneIn(2) ? Window() : Value());
            for (size_t ib = 28; ib < 56; ib += 4)
                Put(b, ib, Value());
            break;
        case COPYDATA_CBTEVENT: {
            b.assign(sizeof(SIMCAP_COPYDATA_CBTEVENT), 0);
            Put(b, 0, rnd.OneIn(6) ? Value() : CBTEVENT_KIND);
            LONG nCode = rnd.OneIn(2) ? HCBT_DESTROYWND : LONG(rnd.OneIn(4) ? Value() : rnd.Below(10));
            DWORD dwWindow = Window();
            // Destroy records of a target window cost the whole recording where the snapshot of the
            // destroyed window is not built yet; such builds are fuzzed with them left out.
            if (bSpareDestroy && nCode == HCBT_DESTROYWND &&
                (dwWindow == known.adw[0] || dwWindow == known.adw[1] || dwWindow == known.adw[2]))
                dwWindow = known.adw[3];
            Put(b, 4, DWORD(nCode));
            Put(b, 8, dwWindow);
            Put(b, 12, rnd.OneIn(2) ? dwWindow : Window());
            if (rnd.OneIn(3))
                for (size_t ib = 16; ib < 92; ib += 4)
                    Put(b, ib, Value());
            break;
        }
        case COPYDATA_JOURNALEVENT: {
            static const DWORD c_adwKeys[] = {VK_SNAPSHOT, VK_CANCEL, VK_CONTROL, VK_MENU, 'A', 0};
            static const DWORD c_adwJournalMessages[] = {
                WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_CHAR};
            b.assign(sizeof(SIMCAP_COPYDATA_JOURNALEVENT), 0);
            Put(b, 0, rnd.OneIn(6) ? Value() : JOURNAL_HOOK_RECORD + rnd.Below(2));
            // HC_SYSMODALON (4) would switch the hotkeys off if it were taken.
            Put(b, 4, rnd.OneIn(2) ? HC_SYSMODALON : (rnd.OneIn(3) ? Value() : rnd.Below(6)));
            Put(b, 8, rnd.OneIn(4) ? Value() : rnd.Pick(c_adwJournalMessages));
            Put(b, 12, rnd.OneIn(4) ? Value() : rnd.Pick(c_adwKeys));
            Put(b, 16, Value());
            Put(b, 20, Value());
            Put(b, 24, Window());
            Put(b, 28, Window());
            Put(b, 32, rnd.Below(4));
            Put(b, 36, Value());
            Put(b, 40, Value());
            Put(b, 44, rnd.OneIn(2) ? 0 : rnd.Next()); // the key cannot be known outside the hooks
            break;
        }
        case COPYDATA_TOOLBAR_BUTTON_REPLY:
            b.assign(2128, 0);
            Put(b, 0, Window());
            Put(b, 4, Count());
            Put(b, 8, Value()); // an object no request waits for
            for (size_t ib = 12; ib < 80; ib += 4)
                Put(b, ib, Value());
            Text(b, 80, 1024);
            Text(b, 1104, 1024);
            break;
        case COPYDATA_LISTBOX_REPLY: {
            // The three sizes of the record's parts, consistent or pointing past it.
            DWORD n = rnd.Below(6), s = rnd.Below(4), t = rnd.Below(64);
            b.assign(20 + 16 * n + 4 * s + t, 0);
            Put(b, 0, Window());
            Put(b, 4, Value());
            Put(b, 8, rnd.OneIn(3) ? Count() : 16 * n);
            Put(b, 12, rnd.OneIn(3) ? Count() : s);
            Put(b, 16, rnd.OneIn(3) ? Count() : t);
            for (size_t ib = 20; ib + 4 <= 20 + 16 * n + 4 * s; ib += 4)
                Put(b, ib, Value());
            Text(b, 20 + 16 * n + 4 * s, t);
            break;
        }
        case COPYDATA_COMBOBOX_REPLY: {
            DWORD t = rnd.Below(64);
            b.assign(80 + t, 0);
            Put(b, 0, Window());
            Put(b, 4, Value());
            for (size_t ib = 8; ib < 76; ib += 4)
                Put(b, ib, rnd.OneIn(3) ? Window() : Value());
            Put(b, 76, rnd.OneIn(3) ? Count() : t);
            Text(b, 80, t);
            break;
        }
        case COPYDATA_MENUITEM_REPLY:
            b.assign(24, 0);
            for (size_t ib = 0; ib < 24; ib += 4)
                Put(b, ib, Value());
            break;
        case COPYDATA_BUTTON_IMAGE_REPLY:
            b.assign(8, 0);
            Put(b, 0, Value());
            Put(b, 4, Value());
            break;
        }
        return b;
    }

    // Size 0, exact, one short, one long, or anything up to 64 KiB with junk after the record.
    void Resize(std::vector<BYTE>& bytes)
    {
        size_t cbExact = bytes.size();
        switch (rnd.Below(6))
        {
        case 0: bytes.clear(); break;
        case 1: bytes.resize(cbExact ? cbExact - 1 : 0); break;
        case 2: bytes.resize(cbExact + 1, static_cast<BYTE>(rnd.Next())); break;
        case 3: {
            size_t cb = rnd.OneIn(2) ? rnd.Below(65537) : rnd.Below(256);
            size_t cbKeep = bytes.size() < cb ? bytes.size() : cb;
            bytes.resize(cb);
            for (size_t i = cbKeep; i < cb; ++i)
                bytes[i] = static_cast<BYTE>(rnd.Next());
            break;
        }
        }
    }

    FuzzRandom& rnd;
    const KnownWindows& known;
    bool bSpareDestroy;
};

class CopyDataFuzz
{
  public:
    CopyDataFuzz(uint32_t nSeed, bool bSpareTargetDestroy)
        : rnd(nSeed), maker(rnd, known, bSpareTargetDestroy)
    {
    }
    ~CopyDataFuzz()
    {
        if (target.hProcess)
        {
            TerminateProcess(target.hProcess, 0);
            CloseHandle(target.hThread);
            CloseHandle(target.hProcess);
        }
        if (hwndOwn) DestroyWindow(hwndOwn);
        // Later runs in this prefix would otherwise start with mouse events on.
        RemoveAllConfigFiles();
    }

    bool Run(uint32_t nRecords, uint32_t nRecordings, const std::string& folder, uint32_t nSeed)
    {
        recording = folder + "\\fuzzrec.qmr";
        DeleteFileA(recording.c_str());
        RemoveAllConfigFiles();
        std::string config = UserConfigPath();
        CreateFolders(config.substr(0, config.find_last_of('\\')));
        // Mouse records are taken too; the dialogs that would only ask are switched off.
        WriteWholeFile(config, "[Settings]\r\nOutputPath=" + recording +
                                   "\r\nIncludeMouseEvents=1\r\nUserAssistanceDlg=0\r\nOverwriteOKDlg=0\r\n");
        if (!StartTarget())
            return Fail(("the target did not start: error " + std::to_string(GetLastError())).c_str());
        if (!recorder.Start())
            return Fail(("the recorder did not start: error " + std::to_string(GetLastError())).c_str());
        hwndRecorder = recorder.WaitForWindow(c_dwWaitMs);
        HWND hwndSetup = recorder.WaitForDialog(c_nTargetList, c_dwWaitMs);
        if (!hwndRecorder || !hwndSetup) return Fail("no recorder window or Define Target dialog");
        known.adw[5] = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hwndRecorder));

        if (!SendBatches("idle", nRecords) || !IsWindow(hwndSetup)) return Fail("idle: Define Target went");
        if (!Arm(hwndSetup) || !SendBatches("armed", nRecords)) return false;
        for (uint32_t k = 0; k < nRecordings; ++k)
        {
            if (!StartRecording()) return false;
            uint32_t nShare = nRecords / nRecordings + (k < nRecords % nRecordings ? 1 : 0);
            char szName[64];
            wsprintfA(szName, "recording %lu", static_cast<unsigned long>(k + 1));
            if (!SendBatches(szName, nShare, nShare)) return false;
            char szKept[MAX_PATH];
            wsprintfA(szKept, "%s\\copydata_%lu_%lu.qmr", folder.c_str(), static_cast<unsigned long>(nSeed),
                      static_cast<unsigned long>(k + 1));
            if (!StopRecording(szKept, k + 1 < nRecordings)) return false;
        }
        if (!recorder.WaitForExit(c_dwWaitMs) || recorder.ExitCode() != 0) return Fail("no clean exit");
        printf("done: %lu records sent, recorder ended with 0\n", static_cast<unsigned long>(nSent));
        return true;
    }

  private:
    bool Fail(const char* pszWhat)
    {
        printf("FAILED: %s\nlast debug lines of the recorder:\n", pszWhat);
        std::vector<std::string> lines = debug.LinesOf(recorder.ProcessId());
        for (size_t i = lines.size() > 30 ? lines.size() - 30 : 0; i < lines.size(); ++i)
            printf("  %s", lines[i].c_str());
        std::string box;
        if (FindMessageBox(recorder.ProcessId(), &box)) printf("message box up: %s\n", box.c_str());
        fflush(stdout);
        return false;
    }

    bool StartTarget()
    {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        std::string path = ModuleFolder() + TARGET_EXE_NAME;
        if (!CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &target))
            return false;
        HWND hwndMain = nullptr;
        for (int i = 0; i < 2400 && !(hwndMain && GetDlgItem(hwndMain, TARGET_ID_EDIT)); ++i, Sleep(50))
            hwndMain = FindWindowA(TARGET_MAIN_CLASS, nullptr);
        if (!hwndMain) return false;
        hwndTarget = hwndMain;
        // A window of this process, and one that has gone: handles the recorder must not trust either.
        hwndOwn = CreateWindowA("STATIC", "fuzz", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        HWND hwndGone =
            CreateWindowA("STATIC", "gone", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        DestroyWindow(hwndGone);
        HWND ahwnd[] = {hwndMain,
                        GetDlgItem(hwndMain, TARGET_ID_BUTTON),
                        GetDlgItem(hwndMain, TARGET_ID_EDIT),
                        hwndOwn,
                        GetDesktopWindow(),
                        nullptr,
                        hwndGone,
                        GetShellWindow(),
                        nullptr,
                        HWND(-1)};
        for (size_t i = 0; i < ARRAYSIZE(ahwnd); ++i)
            known.adw[i] = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(ahwnd[i]));
        return true;
    }

    bool SendOne()
    {
        ULONG_PTR dwData = 0;
        std::vector<BYTE> bytes = maker.Make(&dwData);
        COPYDATASTRUCT cds = {dwData, static_cast<DWORD>(bytes.size()),
                              bytes.empty() && rnd.OneIn(2) ? nullptr : bytes.data()};
        WPARAM wParam = rnd.OneIn(4) ? reinterpret_cast<WPARAM>(hwndOwn) : 0;
        DWORD_PTR dwResult = 0;
        ++nSent;
        if (SendMessageTimeoutA(hwndRecorder, WM_COPYDATA, wParam, reinterpret_cast<LPARAM>(&cds),
                                SMTO_ABORTIFHUNG | SMTO_BLOCK, c_dwAnswerMs, &dwResult))
            return true;
        printf("record %lu (dwData 0x%lX, %lu bytes) got no answer\n", static_cast<unsigned long>(nSent),
               static_cast<unsigned long>(dwData), static_cast<unsigned long>(bytes.size()));
        return false;
    }

    bool SendBatches(const char* pszSituation, uint32_t nRecords, uint32_t nBatch = c_nBatch)
    {
        DWORD dwStart = GetTickCount();
        for (uint32_t nDone = 0; nDone < nRecords;)
        {
            for (uint32_t i = 0; i < nBatch && nDone < nRecords; ++i, ++nDone)
                if (!SendOne()) return Fail(pszSituation);
            if (!recorder.IsRunning() || !Answers(hwndRecorder, c_dwAnswerMs))
                return Fail("the recorder no longer answers");
        }
        printf("%s: %lu records in %.1f s, the recorder answers\n", pszSituation,
               static_cast<unsigned long>(nRecords), (GetTickCount() - dwStart) / 1000.0);
        fflush(stdout);
        return true;
    }

    // Ticks the target in Define Target and confirms: armed once the hotkey hook is in.
    bool Arm(HWND hwndSetup)
    {
        size_t nArmed = debug.CountLines(recorder.ProcessId(), c_szArmed);
        if (!TickEntry(GetDlgItem(hwndSetup, c_nTargetList), "SimTarget")) return Fail("no SimTarget entry");
        Sleep(200);
        Click(hwndSetup, IDOK);
        DWORD dwStart = GetTickCount();
        while (debug.CountLines(recorder.ProcessId(), c_szArmed) == nArmed)
        {
            if (GetTickCount() - dwStart > c_dwWaitMs) return Fail("not armed");
            Sleep(50);
        }
        Sleep(300);
        return true;
    }

    // Print Screen, pressed in the target, must start the recording whatever was sent before.
    bool StartRecording()
    {
        size_t nStarted = debug.CountLines(recorder.ProcessId(), c_szCapturing);
        PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_ACTIVATE, 0);
        Sleep(300);
        Press(VK_SNAPSHOT);
        DWORD dwStart = GetTickCount();
        while (debug.CountLines(recorder.ProcessId(), c_szCapturing) == nStarted)
        {
            if (GetTickCount() - dwStart > c_dwWaitMs) return Fail("Print Screen did not start a recording");
            Sleep(50);
        }
        return true;
    }

    // Ctrl+Print Screen must stop it and the recording be saved; then either the next one or the end.
    bool StopRecording(LPCSTR pszKept, bool bAnother)
    {
        PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_ACTIVATE, 0);
        Sleep(300);
        PressWithCtrl(VK_SNAPSHOT);
        HWND hwndSaved = recorder.WaitForDialog(c_nDataSavedPath, 60000);
        if (!hwndSaved) return Fail("Ctrl+Print Screen did not end in the Data Saved dialog");
        if (!MoveFileExA(recording.c_str(), pszKept, MOVEFILE_REPLACE_EXISTING))
            return Fail("no recording file");
        printf("kept %s\n", pszKept);
        Click(hwndSaved, bAnother ? IDOK : IDCANCEL);
        if (!bAnother) return true;
        HWND hwndSetup = recorder.WaitForDialog(c_nTargetList, c_dwWaitMs);
        return hwndSetup ? Arm(hwndSetup) : Fail("no Define Target for the next recording");
    }

    FuzzRandom rnd;
    KnownWindows known = {};
    RecordMaker maker;
    DebugListener debug;
    RecorderProcess recorder;
    PROCESS_INFORMATION target = {};
    HWND hwndTarget = nullptr;
    HWND hwndOwn = nullptr;
    HWND hwndRecorder = nullptr;
    std::string recording;
    unsigned long nSent = 0;
};
} // namespace

int main(int argc, char** argv)
{
    uint32_t nSeed = OptionNumber(argc, argv, "seed", GetTickCount());
    uint32_t nRecords = OptionNumber(argc, argv, "records", 2000);
    uint32_t nRecordings = OptionNumber(argc, argv, "recordings", 1);
    std::string folder = OptionText(argc, argv, "folder", "");
    if (folder.empty() || nRecordings == 0)
    {
        printf("usage: CopyDataFuzz --folder=DIR [--records=N] [--seed=S] [--recordings=R] "
               "[--spare-target-destroy=1]\n");
        return 2;
    }
    CreateFolders(folder);
    printf("seed %lu, %lu records per situation\n", static_cast<unsigned long>(nSeed),
           static_cast<unsigned long>(nRecords));
    fflush(stdout);
    CopyDataFuzz fuzz(nSeed, OptionNumber(argc, argv, "spare-target-destroy", 0) != 0);
    return fuzz.Run(nRecords, nRecordings, folder, nSeed) ? 0 : 1;
}
