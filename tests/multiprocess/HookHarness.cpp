#include "tests/multiprocess/HookHarness.h"

#include "hooks/SharedData.h"
#include "host/Hotkeys.h"
#include "tests/targets/TargetApp.h"

namespace
{
std::vector<SeenMessage> g_seen;
std::vector<UINT> g_commands;
WNDPROC g_pfnRecorderProc;

DWORD ProcessOfWindow(DWORD dwHwnd)
{
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(dwHwnd)), &dwProcessId);
    return dwProcessId;
}

// The window a record names: the mouse window, the message's window, the destroyed window.
DWORD WindowNamedIn(const SeenMessage& seen)
{
    if (seen.dwData == COPYDATA_HOOKEVENT)
        if (const auto* p = seen.Record<SIMCAP_COPYDATA_HOOKEVENT>())
            return p->dwKind == HOOKEVENT_KIND_MOUSE ? p->mouse.hwnd : p->msg.hwnd;
    if (seen.dwData == COPYDATA_CBTEVENT)
        if (const auto* p = seen.Record<SIMCAP_COPYDATA_CBTEVENT>()) return p->wParam;
    return 0;
}

// Logs, then lets the recorder handle the message; commands are logged and not carried out, so the
// recorder's state stays what the test set.
LRESULT CALLBACK LoggingProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_COMMAND)
    {
        g_commands.push_back(LOWORD(wParam));
        return 0;
    }
    if (uMsg == WM_COPYDATA)
    {
        const auto* pcds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const BYTE* pb = static_cast<const BYTE*>(pcds->lpData);
        SeenMessage seen = {};
        seen.uMsg = uMsg;
        seen.dwData = pcds->dwData;
        if (pb) seen.bytes.assign(pb, pb + pcds->cbData);
        DWORD dwHwnd = WindowNamedIn(seen);
        seen.dwWindowProcessId = ProcessOfWindow(dwHwnd);
        seen.bWindowAlive = IsWindow(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(dwHwnd)));
        size_t iSeen = g_seen.size();
        g_seen.push_back(seen);
        LRESULT lResult = CallWindowProcA(g_pfnRecorderProc, hwnd, uMsg, wParam, lParam);
        MSG msg;
        while (PeekMessageA(&msg, hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE | PM_QS_POSTMESSAGE))
        {
            g_seen[iSeen].commands.push_back(LOWORD(msg.wParam));
            g_commands.push_back(LOWORD(msg.wParam));
        }
        return lResult;
    }
    if (uMsg != 0 && (uMsg == g_shared.nWM_SIM_ADD_PROCESS || uMsg == g_shared.nWM_SIM_REMOVE_PROCESS))
    {
        SeenMessage seen = {};
        seen.uMsg = uMsg;
        seen.wParam = wParam;
        seen.dwWindowProcessId = ProcessOfWindow(static_cast<DWORD>(wParam));
        seen.bWindowAlive = IsWindow(reinterpret_cast<HWND>(wParam));
        g_seen.push_back(seen);
    }
    return CallWindowProcA(g_pfnRecorderProc, hwnd, uMsg, wParam, lParam);
}

std::string TargetPath()
{
    char szPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string path = szPath;
    return path.substr(0, path.find_last_of('\\') + 1) + TARGET_EXE_NAME;
}

HWND TopLevelWindowOf(DWORD dwProcessId, LPCSTR pszClass)
{
    for (HWND hwnd = FindWindowExA(nullptr, nullptr, pszClass, nullptr); hwnd;
         hwnd = FindWindowExA(nullptr, hwnd, pszClass, nullptr))
    {
        DWORD dwOwner = 0;
        GetWindowThreadProcessId(hwnd, &dwOwner);
        if (dwOwner == dwProcessId && IsWindowVisible(hwnd)) return hwnd;
    }
    return nullptr;
}
} // namespace

bool JournalRunsInReceivingProcess()
{
    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    return hNtdll && GetProcAddress(hNtdll, "wine_get_version");
}

TargetProcess::~TargetProcess()
{
    Stop();
}

bool TargetProcess::Start()
{
    std::string path = TargetPath();
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    if (!CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    dwProcessId = pi.dwProcessId;
    // Hooks of this process may already be waiting for it to handle their records: pump while waiting.
    // The main window shows before its children exist.
    if (!PumpUntil(
            [this] {
                hwndMain = TopLevelWindowOf(dwProcessId, TARGET_MAIN_CLASS);
                hwndButton = hwndMain ? GetDlgItem(hwndMain, TARGET_ID_BUTTON) : nullptr;
                hwndEdit = hwndMain ? GetDlgItem(hwndMain, TARGET_ID_EDIT) : nullptr;
                return hwndButton && hwndEdit;
            },
            60000))
        return false;
    dwThreadId = GetWindowThreadProcessId(hwndMain, nullptr);
    return true;
}

void TargetProcess::Stop()
{
    if (!pi.hProcess) return;
    if (hwndMain) PostMessageA(hwndMain, WM_COMMAND, TARGET_CMD_EXIT, 0);
    HANDLE hProcess = pi.hProcess;
    if (!PumpUntil([hProcess] { return WaitForSingleObject(hProcess, 0) == WAIT_OBJECT_0; }, 30000))
        TerminateProcess(hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    pi = {};
    hwndMain = nullptr;
}

void TargetProcess::Command(UINT nCommand) const
{
    PostMessageA(hwndMain, WM_COMMAND, nCommand, 0);
}

bool TargetProcess::Activate() const
{
    Command(TARGET_CMD_ACTIVATE);
    HWND hwnd = hwndMain;
    return PumpUntil([hwnd] { return GetForegroundWindow() == hwnd; }, 3000);
}

HWND TargetProcess::FindDialog() const
{
    return TopLevelWindowOf(dwProcessId, "#32770");
}

RecorderUnderTest::RecorderUnderTest()
{
    g_seen.clear();
    g_commands.clear();
    pSimCap = new SIMCAP;
    g_pSimCap = pSimCap;
    if (!pSimCap->Init(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL)) return;
    hwnd = SIMCAP::Window();
    g_pfnRecorderProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LoggingProc)));
    // The configuration may have set them; each test chooses its own.
    pSimCap->bIncludeMouseEvents = 0;
    pSimCap->bIncludeJournalEvents = 1;
    pSimCap->nSnapshotKey = 0x2C;
    pSimCap->nStopKey = 0x2002C;
    diag.Clear();
}

RecorderUnderTest::~RecorderUnderTest()
{
    if (pSimCap)
    {
        pSimCap->UnhookKeys(hwnd);
        pSimCap->UnhookAll(hwnd);
        // Records already on their way are handled before the window goes.
        PumpFor(50);
    }
    delete pSimCap;
    g_pSimCap = nullptr;
    g_nPendingHotkey = 0;
    g_bCtrlPending = FALSE;
    g_bAltPending = FALSE;
    g_bSysModal = FALSE;
    g_nLastKeyTransition = KEY_TRANSITION_NONE;
    g_nLastKeyCode = 0;
}

const std::vector<SeenMessage>& RecorderUnderTest::Seen() const
{
    return g_seen;
}

void RecorderUnderTest::ClearSeen()
{
    g_seen.clear();
    g_commands.clear();
}

std::vector<const SeenMessage*> RecorderUnderTest::Records(ULONG_PTR dwData) const
{
    std::vector<const SeenMessage*> records;
    for (const SeenMessage& seen : g_seen)
        if (seen.uMsg == WM_COPYDATA && seen.dwData == dwData) records.push_back(&seen);
    return records;
}

std::vector<UINT> RecorderUnderTest::Commands() const
{
    return g_commands;
}

std::vector<SIMCAP_COPYDATA_JOURNALEVENT> RecorderUnderTest::JournalEvents(DWORD dwHook) const
{
    std::vector<SIMCAP_COPYDATA_JOURNALEVENT> events;
    for (const SeenMessage* pSeen : Records(COPYDATA_JOURNALEVENT))
        if (const auto* p = pSeen->Record<SIMCAP_COPYDATA_JOURNALEVENT>())
            if (p->dwHook == dwHook) events.push_back(*p);
    return events;
}

void SendKeys(const std::vector<KeyStroke>& strokes)
{
    std::vector<INPUT> inputs;
    for (const KeyStroke& stroke : strokes)
    {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = stroke.wVirtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(stroke.wVirtualKey, 0));
        input.ki.dwFlags = stroke.bUp ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void ClickOn(HWND hwnd, int nOffset)
{
    RECT rc = {};
    GetWindowRect(hwnd, &rc);
    SetCursorPos((rc.left + rc.right) / 2 + nOffset, (rc.top + rc.bottom) / 2);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}
