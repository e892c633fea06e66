// bench/ControlSnapshotBench.cpp — what reading control contents inside the target adds to a snapshot:
// the window tree of SimTarget.exe started with large contents (a 1,000-item list box, a 200-item combo
// box, a 40-button toolbar and a 100-item menu), taken with its contents and, in the same run, without
// them (no request message is known, so no request is made and the same objects are written empty).
//
// Run from the build's bin folder: ControlSnapshotBench.exe [rounds]. This process is the recorder (a
// real recorder object of the test library with its hooks installed); SimTarget.exe stands beside it.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "snapshot/SimCapWindow.h"
#include "tests/targets/TargetApp.h"

namespace
{
double Seconds(const LARGE_INTEGER& liStart, const LARGE_INTEGER& liEnd)
{
    LARGE_INTEGER liFrequency;
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(liEnd.QuadPart - liStart.QuadPart) / static_cast<double>(liFrequency.QuadPart);
}

void Pump(DWORD dwMs)
{
    DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < dwMs)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// One snapshot of the window tree; its time in seconds, or a negative value when it failed.
double Snapshot(HWND hwnd)
{
    LARGE_INTEGER liStart, liEnd;
    QueryPerformanceCounter(&liStart);
    SIMCAP_WINDOW* pWindow = SIMCAP_WINDOW::CreateWindowObject(hwnd);
    QueryPerformanceCounter(&liEnd);
    if (!pWindow) return -1;
    delete pWindow;
    return Seconds(liStart, liEnd);
}
} // namespace

int main(int argc, char** argv)
{
    int nRounds = argc > 1 ? atoi(argv[1]) : 3;
    g_pSimCap = new SIMCAP;
    if (!g_pSimCap->Init(GetModuleHandleA(nullptr), nullptr, nullptr, SW_HIDE))
    {
        printf("recorder: Init failed\n");
        return 1;
    }
    g_pSimCap->HookAll(SIMCAP::Window());

    char szPath[MAX_PATH];
    GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    lstrcpyA(strrchr(szPath, '\\') + 1, TARGET_EXE_NAME);
    char szCommand[MAX_PATH + 20];
    wsprintfA(szCommand, "\"%s\" %s", szPath, TARGET_ARG_LARGE);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(szPath, szCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    {
        printf("the target did not start\n");
        return 1;
    }
    HWND hwnd = nullptr;
    for (int i = 0; i < 600 && !hwnd; ++i)
    {
        Pump(50);
        hwnd = FindWindowA(TARGET_MAIN_CLASS, nullptr);
    }
    Pump(1000);

    const UINT anSaved[] = {g_shared.nWM_GetToolBarButton, g_shared.nWM_GetListBoxData,
                            g_shared.nWM_GetComboBoxData, g_shared.nWM_GetMenuItemData,
                            g_shared.nWM_GetButtonImage};
    UINT* apnMessage[] = {&g_shared.nWM_GetToolBarButton, &g_shared.nWM_GetListBoxData,
                          &g_shared.nWM_GetComboBoxData, &g_shared.nWM_GetMenuItemData,
                          &g_shared.nWM_GetButtonImage};
    // list box 1, combo box 1, the empty extended combo box 1, toolbar 40, menu bar 1 + 2 items, "&File"
    // 1 + 3, "&Items" 1 + 100
    const int cRequests = 1 + 1 + 1 + TARGET_LARGE_TOOL_BUTTONS + 3 + 4 + 1 + TARGET_LARGE_MENU_ITEMS;
    double dWith = 0, dWithout = 0;
    int nFailed = 0;
    for (int nRound = 0; nRound < nRounds; ++nRound)
    {
        for (int i = 0; i < 5; ++i)
            *apnMessage[i] = 0;
        double d = Snapshot(hwnd);
        nFailed += d < 0;
        dWithout += d;
        for (int i = 0; i < 5; ++i)
            *apnMessage[i] = anSaved[i];
        d = Snapshot(hwnd);
        nFailed += d < 0;
        dWith += d;
    }
    dWith /= nRounds;
    dWithout /= nRounds;
    printf("rounds: %d, requests per snapshot with contents: %d\n", nRounds, cRequests);
    printf("snapshot without contents: %.1f ms\n", 1e3 * dWithout);
    printf("snapshot with contents: %.1f ms\n", 1e3 * dWith);
    printf("ratio with/without: %.2f\n", dWith / dWithout);
    printf("per request: %.2f ms\n", 1e3 * (dWith - dWithout) / cRequests);

    PostMessageA(hwnd, WM_COMMAND, TARGET_CMD_EXIT, 0);
    Pump(500);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    g_pSimCap->UnhookAll(SIMCAP::Window());
    return nFailed ? 1 : 0;
}
