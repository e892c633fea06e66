// bench/HookRoundTripBench.cpp — what one hook record costs from a target process into the event list,
// against a bare cross-process SendMessage(WM_COPYDATA) of the same size in the same run.
//
// Run without arguments: this process becomes the recorder (a real recorder object and window of the
// test library), starts itself again as the sender, and pumps messages until the sender is done. The
// sender calls the system-message hook procedure of its own copy of the library N times, exactly as a
// hooked thread would, then sends N bare records to a window that only takes them.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "hooks/CopyDataRecords.h"
#include "host/SimCap.h"
#include "snapshot/SimCapList.h"
#include "tests/support/LibraryHookProc.h"

namespace
{
const int c_nRecords = 20000;

LRESULT CALLBACK BareWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_COPYDATA) return reinterpret_cast<const COPYDATASTRUCT*>(lParam)->cbData != 0;
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}

double Seconds(const LARGE_INTEGER& liStart, const LARGE_INTEGER& liEnd)
{
    LARGE_INTEGER liFrequency;
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(liEnd.QuadPart - liStart.QuadPart) / static_cast<double>(liFrequency.QuadPart);
}

int RunSender(HWND hwndBare)
{
    HOOKPROC pfnSysMsgHookProc = LibraryHookProc(GetModuleHandleA("SimCapT.dll"), "SysMsgHookProc");
    HWND hwnd =
        CreateWindowExA(0, "STATIC", "sender", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (!pfnSysMsgHookProc || !hwnd)
    {
        printf("sender: the hook procedure or a window is missing\n");
        return 1;
    }
    MSG msg = {};
    msg.hwnd = hwnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = 'A';
    msg.lParam = 0x001E0001;

    LARGE_INTEGER liStart, liHook, liBare;
    QueryPerformanceCounter(&liStart);
    for (int i = 0; i < c_nRecords; ++i)
        pfnSysMsgHookProc(MSGF_DIALOGBOX, 0, reinterpret_cast<LPARAM>(&msg));
    QueryPerformanceCounter(&liHook);
    SIMCAP_COPYDATA_HOOKEVENT record = {};
    for (int i = 0; i < c_nRecords; ++i)
    {
        COPYDATASTRUCT cds = {0x42415245, sizeof(record), &record};
        SendMessageA(hwndBare, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    }
    QueryPerformanceCounter(&liBare);

    double dHook = Seconds(liStart, liHook), dBare = Seconds(liHook, liBare);
    printf("records: %d\n", c_nRecords);
    printf("hook record into the event list: %.1f us each\n", 1e6 * dHook / c_nRecords);
    printf("bare WM_COPYDATA of the same size: %.1f us each\n", 1e6 * dBare / c_nRecords);
    printf("ratio hook/bare: %.2f\n", dHook / dBare);
    return 0;
}

int RunRecorder()
{
    g_pSimCap = new SIMCAP;
    if (!g_pSimCap->Init(GetModuleHandleA(nullptr), nullptr, nullptr, SW_HIDE))
    {
        printf("recorder: Init failed\n");
        return 1;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BareWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HookRoundTripBare";
    RegisterClassA(&wc);
    HWND hwndBare = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                    wc.hInstance, nullptr);

    char szExe[MAX_PATH], szCommand[MAX_PATH + 40];
    GetModuleFileNameA(nullptr, szExe, sizeof(szExe));
    wsprintfA(szCommand, "\"%s\" --sender %lu", szExe,
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwndBare)));
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(szExe, szCommand, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    {
        printf("recorder: the sender did not start\n");
        return 1;
    }
    g_pSimCap->aInclProcesses.Include(pi.dwProcessId);
    // Records arrive as sent messages, handled while this thread waits here.
    while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 60000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    int nQueued = 0;
    for (LIST_NODE* p = EventList().Head(); p; p = p->pNext)
        ++nQueued;
    printf("events queued by the recorder: %d\n", nQueued);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EventList().DeleteAll();
    DestroyWindow(SIMCAP::Window());
    delete g_pSimCap;
    g_pSimCap = nullptr;
    return nQueued == c_nRecords ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && lstrcmpA(argv[1], "--sender") == 0)
        return RunSender(reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoul(argv[2], nullptr, 10))));
    return RunRecorder();
}
