// The library's entry: one recorder per desktop, its setup, and the UI thread's message loop.
#include "host/SimCap.h"

#include <new>

#include "hooks/SharedData.h"

namespace
{
// Named mutex held for the whole run; released and closed when the entry returns.
class InstanceMutex
{
  public:
    InstanceMutex()
    {
        SetLastError(0);
        h = CreateMutexA(nullptr, TRUE, "QuillmarkAutomatedCaptureTool_WinMain");
        bAlreadyRunning = GetLastError() == ERROR_ALREADY_EXISTS;
    }
    ~InstanceMutex()
    {
        if (h)
        {
            ReleaseMutex(h);
            CloseHandle(h);
        }
    }
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;
    BOOL AlreadyRunning() const { return bAlreadyRunning; }

  private:
    HANDLE h = nullptr;
    BOOL bAlreadyRunning = FALSE;
};

void DestroyRecorder()
{
    delete g_pSimCap;
    g_pSimCap = nullptr;
}
} // namespace

extern "C" int WINAPI SimCap_WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR pszCmdLine,
                                     int nCmdShow)
{
    InstanceMutex mutex;
    if (mutex.AlreadyRunning())
    {
        // The other recorder's Define Target dialog, if it has one up, comes to the front.
        HWND hwndDialog = g_shared.hwndDefTgtDlg;
        if (hwndDialog)
        {
            SetForegroundWindow(hwndDialog);
            ShowWindow(hwndDialog, SW_SHOW);
            UpdateWindow(hwndDialog);
        }
        return 0;
    }

    g_pSimCap = new (std::nothrow) SIMCAP;
    if (!g_pSimCap) return 0;
    // After a failed start the destructor ends the threads before the object goes away.
    if (!g_pSimCap->Init(hInstance, hPrevInstance, pszCmdLine, nCmdShow) ||
        !g_pSimCap->CallSetup(hInstance, SIMCAP::Window()))
    {
        DestroyRecorder();
        return 0;
    }

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        if (msg.message == WM_CANCELJOURNAL) g_pSimCap->StopCapture();
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    DestroyRecorder();
    return static_cast<int>(msg.wParam);
}
