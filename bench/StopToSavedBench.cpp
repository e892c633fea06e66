// bench/StopToSavedBench.cpp — from the stop hotkey to the Data Saved dialog for a recording of ten steps
// of the project's target, driven as a user drives it, against the baseline measured in the same run: one
// step, from its Print Screen to the end of its state's snapshot.
//
// Run from the folder that holds QM57REC.exe and SimTarget.exe: wine StopToSavedBench.exe [steps]
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/DebugListener.h"
#include "tests/support/Keyboard.h"
#include "tests/support/RecorderProcess.h"
#include "tests/support/TargetList.h"
#include "tests/targets/TargetApp.h"

namespace
{
const DWORD c_dwWaitMs = 60000;
const int c_nTargetList = 2004;
const int c_nUserAssistance = 2601;
const int c_nDataSavedPath = 2301;
const char c_szStateDone[] = "SIMCAP_GETSTATEEVENT::Init(): done";

double Now()
{
    LARGE_INTEGER li, liFrequency;
    QueryPerformanceCounter(&li);
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(li.QuadPart) / static_cast<double>(liFrequency.QuadPart);
}

// Waits until the recorder has written one more state than before; answers the seconds it took.
double WaitForState(DebugListener& debug, DWORD dwProcessId, size_t nBefore, double dStart)
{
    DWORD dwStart = GetTickCount();
    while (debug.CountLines(dwProcessId, c_szStateDone) <= nBefore)
    {
        if (GetTickCount() - dwStart > c_dwWaitMs) return -1;
        Sleep(5);
    }
    return Now() - dStart;
}

int Fail(const char* pszWhat)
{
    printf("failed: %s\n", pszWhat);
    return 1;
}

struct TargetProcess
{
    ~TargetProcess()
    {
        if (!pi.hProcess) return;
        TerminateProcess(pi.hProcess, 0);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    PROCESS_INFORMATION pi = {};
};

HWND WaitForTarget()
{
    for (int i = 0; i < 2400; ++i, Sleep(50))
        if (HWND hwnd = FindWindowA(TARGET_MAIN_CLASS, nullptr)) return hwnd;
    return nullptr;
}
} // namespace

int main(int argc, char** argv)
{
    int nSteps = argc > 1 ? atoi(argv[1]) : 10;
    if (nSteps < 1) nSteps = 10;
    DebugListener debug;
    if (!debug.IsListening()) return Fail("no debug listener");

    char szTemp[MAX_PATH] = {};
    GetTempPathA(sizeof(szTemp), szTemp);
    std::string recording = std::string(szTemp) + "stopbench.qmr";
    DeleteFileA(recording.c_str());
    RemoveAllConfigFiles();
    std::string config = UserConfigPath();
    CreateDirectoryA(config.substr(0, config.find_last_of('\\')).c_str(), nullptr);
    WritePrivateProfileStringA("Settings", "OutputPath", recording.c_str(), config.c_str());

    TargetProcess target;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    std::string command = ModuleFolder() + TARGET_EXE_NAME;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &target.pi))
        return Fail("the target did not start");
    WaitForInputIdle(target.pi.hProcess, 120000);
    HWND hwndTarget = WaitForTarget();
    if (!hwndTarget) return Fail("no target window");
    char szTitle[256] = {};
    GetWindowTextA(hwndTarget, szTitle, sizeof(szTitle));

    RecorderProcess recorder;
    if (!recorder.Start()) return Fail("the recorder did not start");
    DWORD dwRecorder = recorder.ProcessId();
    HWND hwndSetup = recorder.WaitForDialog(c_nTargetList, c_dwWaitMs);
    if (!hwndSetup || !TickEntry(GetDlgItem(hwndSetup, c_nTargetList), szTitle)) return Fail("Define Target");
    Sleep(200);
    PostMessageA(GetDlgItem(hwndSetup, IDOK), BM_CLICK, 0, 0);
    HWND hwndAssist = recorder.WaitForDialog(c_nUserAssistance, c_dwWaitMs);
    if (!hwndAssist) return Fail("User Assistance");
    PostMessageA(GetDlgItem(hwndAssist, IDOK), BM_CLICK, 0, 0);
    if (!debug.WaitForLine(dwRecorder, "SIMCAP::HookKeys(): Installing JournalHookKeyProc.\n", c_dwWaitMs))
        return Fail("the hotkeys were not armed");
    Sleep(300);
    SetForegroundWindow(hwndTarget);

    // The start and each step: the user types a letter, then marks the step.
    std::vector<double> steps;
    for (int i = 0; i <= nSteps; ++i)
    {
        if (i > 0) Press(static_cast<WORD>('A' + i % 26));
        size_t nBefore = debug.CountLines(dwRecorder, c_szStateDone);
        double dStart = Now();
        SendKey(VK_SNAPSHOT, false);
        SendKey(VK_SNAPSHOT, true);
        double dStep = WaitForState(debug, dwRecorder, nBefore, dStart);
        if (dStep < 0) return Fail("a state was not written");
        steps.push_back(dStep);
        Sleep(300);
    }

    SendKey(VK_CONTROL, false);
    SendKey(VK_SNAPSHOT, false);
    SendKey(VK_SNAPSHOT, true);
    double dStop = Now();
    SendKey(VK_CONTROL, true); // the stop fires on this release
    HWND hwndSaved = recorder.WaitForDialog(c_nDataSavedPath, c_dwWaitMs);
    double dSaved = Now() - dStop;
    if (!hwndSaved) return Fail("no Data Saved dialog");
    PostMessageA(GetDlgItem(hwndSaved, IDCANCEL), BM_CLICK, 0, 0);
    recorder.WaitForExit(c_dwWaitMs);

    WIN32_FILE_ATTRIBUTE_DATA fad = {};
    GetFileAttributesExA(recording.c_str(), GetFileExInfoStandard, &fad);
    std::sort(steps.begin(), steps.end());
    double dStepMedian = steps[steps.size() / 2];
    printf("%d steps, recording of %lu bytes\n", nSteps, fad.nFileSizeLow);
    printf("one step (Print Screen to its snapshot taken), median %.0f ms\n", dStepMedian * 1000);
    printf("stop hotkey to Data Saved %.0f ms, ratio to one step %.2f\n", dSaved * 1000,
           dSaved / dStepMedian);
    DeleteFileA(recording.c_str());
    RemoveAllConfigFiles();
    return 0;
}
