// bench/ControlSnapshotBench.cpp — what reading control contents inside the target adds to a snapshot:
// the window tree of SimTarget.exe started with large contents (a 1,000-item list box, a 200-item combo
// box, a 40-button toolbar and a 100-item menu), taken with its contents and, in the same run, without
// them (no request message is known, so no request is made and the same objects are written empty).
//
// Run from the build's bin folder: ControlSnapshotBench.exe [rounds]. This process is the recorder (a
// real recorder object of the test library with its hooks installed, the control classes configured
// beside it); SimTarget.exe stands beside it. The rounds start once the target has filled its controls.
// Failed snapshots are counted and left out of the figures, which are medians over the rounds; the
// exit code is non-zero when a whole kind of snapshot failed or the contents were not read.
#include <windows.h>

#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "snapshot/SimCapWindow.h"
#include "tests/output/TempCaptureFile.h"
#include "tests/support/ClassLists.h"
#include "tests/targets/TargetApp.h"
#include "util/BoundedSend.h"

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

// Pumps until the target's toolbar answers with all its buttons, the last control it fills.
bool WaitUntilFilled(HWND hwndMain, DWORD dwTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        HWND hwndToolbar = GetDlgItem(hwndMain, TARGET_ID_TOOLBAR);
        DWORD_PTR dwCount = 0;
        if (hwndToolbar &&
            SendMessageTimeoutA(hwndToolbar, TB_BUTTONCOUNT, 0, 0, SMTO_ABORTIFHUNG, 100, &dwCount) &&
            dwCount == TARGET_LARGE_TOOL_BUTTONS)
            return true;
        if (GetTickCount() - dwStart >= dwTimeoutMs) return false;
        Pump(50);
    }
}

// One snapshot of the window tree, under the budget a state's snapshot has; its time in seconds, or a
// negative value when it failed. With pXml, the tree is also written and the text handed back.
double Snapshot(HWND hwnd, std::string* pXml)
{
    LARGE_INTEGER liStart, liEnd;
    SIMCAP_WINDOW* pWindow;
    {
        SendBudget budget(c_dwSnapshotSendBudgetMs);
        QueryPerformanceCounter(&liStart);
        pWindow = SIMCAP_WINDOW::CreateWindowObject(hwnd);
        QueryPerformanceCounter(&liEnd);
    }
    if (!pWindow) return -1;
    if (pXml)
    {
        outputtest::TempCaptureFile file(*g_pSimCap);
        BOOL bWritten = pWindow->Write(1);
        *pXml = bWritten ? file.Contents() : std::string();
    }
    delete pWindow;
    return Seconds(liStart, liEnd);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Whether the written tree holds the last item of each large control, as only a reply brings it.
bool ContentsRead(const std::string& xml)
{
    char szList[64], szCombo[64], szButton[64], szMenu[64];
    wsprintfA(szList, "<Text>List item %u</Text>", TARGET_LARGE_LIST_ITEMS);
    wsprintfA(szCombo, "<Text>Combo item %u</Text>", TARGET_LARGE_COMBO_ITEMS);
    wsprintfA(szButton, "<pszText>B%u</pszText>", TARGET_LARGE_TOOL_BUTTONS);
    wsprintfA(szMenu, "<Text>Item %u</Text>", TARGET_LARGE_MENU_ITEMS);
    bool bAll = true;
    for (const char* psz : {szList, szCombo, szButton, szMenu})
        if (xml.find(psz) == std::string::npos)
        {
            printf("contents missing from the snapshot with contents: %s\n", psz);
            bAll = false;
        }
    return bAll;
}
} // namespace

int main(int argc, char** argv)
{
    int nRounds = argc > 1 ? atoi(argv[1]) : 5;
    if (nRounds < 1) nRounds = 1;
    ClassListsBesideProgram classLists; // before the recorder, which reads them
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
        g_pSimCap->UnhookAll(SIMCAP::Window());
        return 1;
    }
    HWND hwnd = nullptr;
    for (int i = 0; i < 600 && !hwnd; ++i)
    {
        Pump(50);
        hwnd = FindWindowA(TARGET_MAIN_CLASS, nullptr);
    }
    // The main window shows before its controls are filled, and filling them under the hooks takes
    // seconds: a snapshot taken meanwhile only measures sends that time out.
    DWORD dwStart = GetTickCount();
    bool bFilled = hwnd && WaitUntilFilled(hwnd, 120000);
    printf("target ready after %lu ms\n", static_cast<unsigned long>(GetTickCount() - dwStart));
    if (!bFilled) hwnd = nullptr;

    const UINT anSaved[] = {g_shared.nWM_GetToolBarButton, g_shared.nWM_GetListBoxData,
                            g_shared.nWM_GetComboBoxData, g_shared.nWM_GetMenuItemData,
                            g_shared.nWM_GetButtonImage};
    UINT* apnMessage[] = {&g_shared.nWM_GetToolBarButton, &g_shared.nWM_GetListBoxData,
                          &g_shared.nWM_GetComboBoxData, &g_shared.nWM_GetMenuItemData,
                          &g_shared.nWM_GetButtonImage};
    // list box 1, combo box 1, the empty extended combo box 1, toolbar 40, menu bar 1 + 2 items, "&File"
    // 1 + 3, "&Items" 1 + 100
    const int cRequests = 1 + 1 + 1 + TARGET_LARGE_TOOL_BUTTONS + 3 + 4 + 1 + TARGET_LARGE_MENU_ITEMS;
    std::vector<double> aWith, aWithout;
    int nFailedWith = 0, nFailedWithout = 0;
    bool bContents = true;
    for (int nRound = 0; nRound < nRounds && hwnd; ++nRound)
    {
        for (UINT* pn : apnMessage)
            *pn = 0;
        double d = Snapshot(hwnd, nullptr);
        if (d < 0)
            ++nFailedWithout;
        else
            aWithout.push_back(d);
        for (int i = 0; i < 5; ++i)
            *apnMessage[i] = anSaved[i];
        // The first snapshot with contents is also written, to show its contents were read.
        std::string xml;
        d = Snapshot(hwnd, nRound == 0 ? &xml : nullptr);
        if (d < 0)
            ++nFailedWith;
        else
            aWith.push_back(d);
        if (nRound == 0 && d >= 0) bContents = ContentsRead(xml);
    }

    printf("rounds: %d, requests per snapshot with contents: %d\n", nRounds, cRequests);
    printf("failed snapshots: without contents %d, with contents %d (left out)\n", nFailedWithout,
           nFailedWith);
    int nResult = 0;
    if (!hwnd || aWith.empty() || aWithout.empty())
    {
        printf("no figures: %s\n",
               !hwnd ? "the target's window did not appear" : "every snapshot of a kind failed");
        nResult = 1;
    }
    else
    {
        double dWith = Median(aWith);
        double dWithout = Median(aWithout);
        printf("snapshot without contents (median): %.1f ms\n", 1e3 * dWithout);
        printf("snapshot with contents (median): %.1f ms\n", 1e3 * dWith);
        printf("ratio with/without: %.2f\n", dWith / dWithout);
        printf("per request: %.3f ms\n", 1e3 * (dWith - dWithout) / cRequests);
        if (!bContents) nResult = 1;
    }

    if (hwnd) PostMessageA(hwnd, WM_COMMAND, TARGET_CMD_EXIT, 0);
    Pump(500);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    g_pSimCap->UnhookAll(SIMCAP::Window());
    return nResult;
}
