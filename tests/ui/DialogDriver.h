// tests/ui/DialogDriver.h — drives a modal dialog of this process from a second thread; a started
// notepad gives the tests an application of another process.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "tests/support/Pump.h"

namespace dialogtest
{
inline bool WaitFor(const std::function<bool()>& fn, DWORD dwMs = 10000)
{
    return PumpUntil(fn, dwMs);
}

struct Drive
{
    HWND hdlg;      // null when no dialog with the caption came up
    bool bLeftOpen; // the steps did not end the dialog
};

// Runs fnRun on this thread (it shows a modal dialog, or should not) while fnSteps drives the visible
// dialog with the caption from a second thread. A dialog left open is cancelled, so a faulty one fails
// its test instead of hanging it; the search ends when fnRun returns.
inline Drive DriveDialog(LPCSTR pszCaption, const std::function<void()>& fnRun,
                         const std::function<void(HWND)>& fnSteps)
{
    std::atomic<bool> bReturned{false};
    Drive drive{nullptr, false};
    std::thread driver([&] {
        WaitFor([&] {
            HWND hwnd = FindWindowA("#32770", pszCaption);
            DWORD dwProcessId = 0;
            if (hwnd) GetWindowThreadProcessId(hwnd, &dwProcessId);
            if (hwnd && dwProcessId == GetCurrentProcessId() && IsWindowVisible(hwnd)) drive.hdlg = hwnd;
            return bReturned || drive.hdlg;
        });
        if (!drive.hdlg) return;
        fnSteps(drive.hdlg);
        drive.bLeftOpen = !WaitFor([&] { return !IsWindow(drive.hdlg); }, 3000);
        if (drive.bLeftOpen) PostMessageA(drive.hdlg, WM_COMMAND, IDCANCEL, 0);
    });
    fnRun();
    bReturned = true;
    driver.join();
    return drive;
}

inline void Click(HWND hdlg, int id)
{
    SendDlgItemMessageA(hdlg, id, BM_CLICK, 0, 0);
}

inline std::string WindowText(HWND hwnd)
{
    char sz[600] = {};
    GetWindowTextA(hwnd, sz, sizeof(sz));
    return sz;
}

inline std::string ItemText(HWND hdlg, int id)
{
    return WindowText(GetDlgItem(hdlg, id));
}

// A top-level window of this process, made on the calling thread.
struct OwnWindow
{
    explicit OwnWindow(LPCSTR pszTitle = "own window", DWORD dwExStyle = 0,
                       DWORD dwStyle = WS_POPUP | WS_VISIBLE, HWND hwndOwner = nullptr)
        : hwnd(CreateWindowExA(dwExStyle, "STATIC", pszTitle, dwStyle, 20, 20, 120, 40, hwndOwner, nullptr,
                               nullptr, nullptr))
    {
    }
    ~OwnWindow() { DestroyWindow(hwnd); }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    HWND hwnd;
};

// A started notepad and its main window; ended when the object goes.
struct Notepad
{
    Notepad()
    {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        char szCommand[] = "notepad.exe";
        if (!CreateProcessA(nullptr, szCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return;
        WaitForInputIdle(pi.hProcess, 120000);
        WaitFor([this] {
            DWORD dwProcessId = 0;
            for (HWND h = nullptr; !hwnd && (h = FindWindowExA(nullptr, h, nullptr, nullptr)) != nullptr;)
                if (GetWindowThreadProcessId(h, &dwProcessId) && dwProcessId == pi.dwProcessId &&
                    IsWindowVisible(h) && !GetWindow(h, GW_OWNER))
                    hwnd = h;
            return hwnd != nullptr;
        });
    }
    ~Notepad()
    {
        if (pi.hProcess && TerminateProcess(pi.hProcess, 0)) WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    Notepad(const Notepad&) = delete;
    Notepad& operator=(const Notepad&) = delete;
    PROCESS_INFORMATION pi = {};
    HWND hwnd = nullptr;
};
} // namespace dialogtest
