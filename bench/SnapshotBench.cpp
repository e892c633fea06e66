// bench/SnapshotBench.cpp — one whole state (Init and Write, screenshot file included) of a target with
// 1,000 controls, against the floor measured in the same run: the enumeration of the same windows with
// WM_GETTEXT and GetClassNameA for each, and one screen copy, with nothing written.
//
// Run without arguments: the program starts itself again as the target (one window holding the controls,
// a third each static, button and edit), then alternates floor and snapshot and prints the medians and
// their ratio.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/PrivProf.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "snapshot/SimCapGetStateEvent.h"
#include "snapshot/SimCapList.h"

namespace
{
const int c_nControls = 1000;
const int c_nRounds = 7;
const char c_szTargetClass[] = "SnapshotBenchTarget";

LRESULT CALLBACK TargetWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}

int RunTarget(LPCSTR pszReadyEvent)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TargetWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = c_szTargetClass;
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, c_szTargetClass, "Snapshot bench target", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                0, 0, 1200, 1000, nullptr, nullptr, wc.hInstance, nullptr);
    static const char* const c_apszClasses[] = {"STATIC", "BUTTON", "EDIT"};
    for (int i = 0; i < c_nControls; ++i)
    {
        char szText[32];
        wsprintfA(szText, "Control %d", i);
        CreateWindowExA(0, c_apszClasses[i % 3], szText, WS_CHILD | WS_VISIBLE, (i % 25) * 46, (i / 25) * 24,
                        44, 22, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1000 + i)), wc.hInstance,
                        nullptr);
    }
    HANDLE hReady = OpenEventA(EVENT_MODIFY_STATE, FALSE, pszReadyEvent);
    if (hReady) SetEvent(hReady);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

double Now()
{
    LARGE_INTEGER li, liFrequency;
    QueryPerformanceCounter(&li);
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(li.QuadPart) / static_cast<double>(liFrequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The floor: what any snapshot of these windows must at least do.
struct FloorWalk
{
    DWORD dwProcessId;
    int nWindows;
};

// The messages a state cannot do without besides the text: the font of an edit, the state of a button.
// Counted apart, so the note can tell the snapshot's own cost from the messages the target answers.
bool g_bClassMessages = false;

void ReadWindow(HWND hwnd, FloorWalk* pWalk)
{
    char szText[1024], szClass[1024];
    DWORD_PTR dwResult = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(szText), reinterpret_cast<LPARAM>(szText), SMTO_ABORTIFHUNG,
                        1000, &dwResult);
    GetClassNameA(hwnd, szClass, sizeof(szClass));
    if (g_bClassMessages && !lstrcmpiA(szClass, "Edit"))
        SendMessageTimeoutA(hwnd, WM_GETFONT, 0, 0, SMTO_ABORTIFHUNG, 1000, &dwResult);
    else if (g_bClassMessages && !lstrcmpiA(szClass, "Button"))
        SendMessageTimeoutA(hwnd, BM_GETSTATE, 0, 0, SMTO_ABORTIFHUNG, 1000, &dwResult);
    pWalk->nWindows++;
}

BOOL CALLBACK FloorChild(HWND hwnd, LPARAM lParam)
{
    ReadWindow(hwnd, reinterpret_cast<FloorWalk*>(lParam));
    return TRUE;
}

BOOL CALLBACK FloorTop(HWND hwnd, LPARAM lParam)
{
    auto* pWalk = reinterpret_cast<FloorWalk*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hwnd, &dwProcessId);
    if (dwProcessId != pWalk->dwProcessId) return TRUE;
    ReadWindow(hwnd, pWalk);
    EnumChildWindows(hwnd, FloorChild, lParam);
    return TRUE;
}

int Floor(DWORD dwProcessId)
{
    FloorWalk walk = {dwProcessId, 0};
    EnumWindows(FloorTop, reinterpret_cast<LPARAM>(&walk));
    HDC hdcScreen = GetDC(nullptr);
    int cx = GetDeviceCaps(hdcScreen, HORZRES), cy = GetDeviceCaps(hdcScreen, VERTRES);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, cx, cy);
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    BitBlt(hdcMem, 0, 0, cx, cy, hdcScreen, 0, 0, SRCCOPY);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    DeleteObject(hbm);
    ReleaseDC(nullptr, hdcScreen);
    return walk.nWindows;
}

// A recorder object that writes into a capture file in a fresh folder, with the session folder beside it.
struct BenchRecorder
{
    explicit BenchRecorder(const std::string& folderIn) : folder(folderIn)
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        std::string ini = folder + "\\QM57REC.INI";
        WritePrivateProfileStringA("Settings", "OutputPath", (folder + "\\bench.qmr").c_str(), ini.c_str());
        p = new SIMCAP;
        InitializeCriticalSection(&p->csBkgndMsg);
        p->pPrivProf = new PrivProf(p, GetModuleHandleA(nullptr), nullptr);
        p->pPrivProf->SetUserConfigPath(ini.c_str());
        p->pPrivProf->LoadConfigurationFile(ini.c_str());
        g_pSimCap = p;
        p->nSessionId = 1;
        char szSession[MAX_PATH] = {};
        p->GetSessionFolder(szSession, sizeof(szSession));
        session = szSession;
        CreateDirectoryA(session.c_str(), nullptr);
        p->ofCapture.cBytes = sizeof(OFSTRUCT);
        p->hCaptureFile = OpenFile((session + "\\bench.xml").c_str(), &p->ofCapture, OF_CREATE | OF_WRITE);
    }
    ~BenchRecorder()
    {
        p->FlushOutput();
        if (p->hCaptureFile != HFILE_ERROR) _lclose(p->hCaptureFile);
        SIMCAP::DeleteDirAndContents(session.c_str(), "*.*", TRUE);
        DeleteFileA((folder + "\\QM57REC.INI").c_str());
        RemoveDirectoryA(folder.c_str());
        DeleteCriticalSection(&p->csBkgndMsg);
        g_pSimCap = nullptr;
        delete p;
    }

    std::string folder;
    std::string session;
    SIMCAP* p;
};

double Now();

// One state: answers whether it was written, and how long Init and Write took.
bool Snapshot(double* pdInit = nullptr, double* pdWrite = nullptr)
{
    auto* pState = new SIMCAP_GETSTATEEVENT;
    double dStart = Now();
    bool bOk = pState->Init();
    double dInit = Now();
    bOk = bOk && pState->Write(1) && g_pSimCap->FlushOutput();
    if (pdInit) *pdInit = dInit - dStart;
    if (pdWrite) *pdWrite = Now() - dInit;
    EventList().DeleteAll();
    return bOk;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && !strcmp(argv[1], "/target")) return RunTarget(argv[2]);

    OSVERSIONINFOA osvi = {};
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    g_bIsNT = GetVersionExA(&osvi) && osvi.dwPlatformId == VER_PLATFORM_WIN32_NT;
    char szReady[64];
    wsprintfA(szReady, "SnapshotBenchReady_%lu", GetCurrentProcessId());
    HANDLE hReady = CreateEventA(nullptr, TRUE, FALSE, szReady);
    char szExe[MAX_PATH];
    GetModuleFileNameA(nullptr, szExe, sizeof(szExe));
    std::string command = std::string("\"") + szExe + "\" /target " + szReady;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) ||
        WaitForSingleObject(hReady, 30000) != WAIT_OBJECT_0)
    {
        printf("the target did not start\n");
        return 1;
    }

    char szTemp[MAX_PATH];
    GetTempPathA(sizeof(szTemp), szTemp);
    char szFolder[64];
    wsprintfA(szFolder, "snapbench_%lu", GetCurrentProcessId());
    int nResult = 0;
    {
        BenchRecorder recorder(std::string(szTemp) + szFolder);
        recorder.p->aInclProcesses.Include(pi.dwProcessId);
        std::vector<double> floor, messages, snapshot, init, write;
        int nWindows = Floor(pi.dwProcessId); // warms both processes up
        Snapshot();
        for (int i = 0; i < c_nRounds && nResult == 0; ++i)
        {
            double dStart = Now();
            Floor(pi.dwProcessId);
            double dFloor = Now();
            g_bClassMessages = true;
            Floor(pi.dwProcessId);
            g_bClassMessages = false;
            double dMessages = Now();
            double dInit = 0, dWrite = 0;
            if (!Snapshot(&dInit, &dWrite)) nResult = 1;
            floor.push_back(dFloor - dStart);
            messages.push_back(dMessages - dFloor);
            snapshot.push_back(Now() - dMessages);
            init.push_back(dInit);
            write.push_back(dWrite);
        }
        if (nResult)
            printf("a snapshot failed\n");
        else
        {
            printf("%d windows: floor %.1f ms, snapshot (Init + Write) %.1f ms, ratio %.2f\n", nWindows,
                   Median(floor) * 1000, Median(snapshot) * 1000, Median(snapshot) / Median(floor));
            printf("floor with the font and button-state messages %.1f ms, ratio %.2f; Init %.1f ms, Write "
                   "%.1f ms\n",
                   Median(messages) * 1000, Median(snapshot) / Median(messages), Median(init) * 1000,
                   Median(write) * 1000);
        }
    }
    HWND hwndTarget = FindWindowA(c_szTargetClass, nullptr);
    if (hwndTarget) PostMessageA(hwndTarget, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(hReady);
    return nResult;
}
