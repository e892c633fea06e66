// Journal-record procedures are called on the installing thread on Windows. Under Wine 8 they are called
// in the process whose thread receives the input, on that thread, while it takes the message from its
// queue (measured: a key typed into another process's window reached the procedure in that process and
// thread; GetKeyState there shows the modifiers as they were before the event itself, GetAsyncKeyState
// answered 0 for keys made by SendInput; ReplyMessage in the recorder's handler reached the sender). So
// the procedures run the journal logic where it belongs, on the UI thread, either directly or by handing
// the event over with one SendMessageA.
#include "hooks/JournalTransport.h"

#include <ntsecapi.h>

#include "hooks/CopyDataRecords.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "util/Diag.h"

namespace
{
DWORD HandleValue(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hwnd));
}

// The hotkey hook looks at key messages only; every other event would cost a blocking send for nothing.
BOOL WorthHandingOver(DWORD dwHook, int nCode, UINT message)
{
    if (nCode != HC_ACTION) return TRUE;
    // Mouse moves are dropped before any record is made, as the journal logic drops them.
    if (message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE) return FALSE;
    if (dwHook == JOURNAL_HOOK_KEYS)
        return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
               message == WM_SYSKEYUP;
    return TRUE;
}

// Outside the UI thread: the stack, the shared section and one blocking send; nothing else.
UINT HandOver(HWND hwndRecorder, DWORD dwHook, int nCode, EVENTMSG* pem)
{
    if (!WorthHandingOver(dwHook, nCode, pem->message)) return JOURNAL_PASS_ON;
    JournalMoment moment = CurrentJournalMoment();
    SIMCAP_COPYDATA_JOURNALEVENT record = {};
    record.dwHook = dwHook;
    record.nCode = nCode;
    record.message = pem->message;
    record.paramL = pem->paramL;
    record.paramH = pem->paramH;
    record.time = pem->time;
    record.hwnd = HandleValue(pem->hwnd);
    record.hwndForeground = HandleValue(moment.hwndForeground);
    record.fModifiers =
        (moment.bCtrlDown ? DWORD{JOURNAL_MOD_CTRL} : 0) | (moment.bAltDown ? DWORD{JOURNAL_MOD_ALT} : 0);
    record.dwProcessId = GetCurrentProcessId();
    record.dwThreadId = GetCurrentThreadId();
    record.dwKey = g_shared.dwHandOverKey;
    COPYDATASTRUCT cds = {COPYDATA_JOURNALEVENT, sizeof(record), &record};
    UINT nAnswer =
        static_cast<UINT>(SendMessageA(hwndRecorder, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)));
    // No answer (the recorder has gone): the event goes on as if nothing had looked at it.
    if (!(nAnswer & JOURNAL_ANSWERED)) return JOURNAL_PASS_ON;
    if ((nAnswer & JOURNAL_HWND_FILLED) && !pem->hwnd) pem->hwnd = moment.hwndForeground;
    return nAnswer;
}
} // namespace

JournalMoment CurrentJournalMoment()
{
    JournalMoment moment;
    moment.hwndForeground = GetForegroundWindow();
    moment.bCtrlDown = GetKeyState(VK_CONTROL) < 0;
    moment.bAltDown = GetKeyState(VK_MENU) < 0;
    return moment;
}

void NewHandOverKey()
{
    DWORD dwKey = 0;
    // Without the system's generator the key is still new to every installation, only guessable.
    if (!RtlGenRandom(&dwKey, sizeof(dwKey)))
    {
        LARGE_INTEGER counter = {};
        QueryPerformanceCounter(&counter);
        dwKey = counter.LowPart * 2654435761u ^ GetTickCount() ^ (g_shared.dwHandOverKey << 7);
    }
    // Zero stands for "no hook installed yet" and never matches.
    g_shared.dwHandOverKey = dwKey ? dwKey : 1;
}

UINT RunJournalLogic(DWORD dwHook, int nCode, EVENTMSG* pem)
{
    HWND hwndRecorder = g_shared.hwndSimCap;
    if (!hwndRecorder || !pem) return JOURNAL_PASS_ON;
    // The recogniser and the event list belong to the UI thread: any other thread hands over, even one of
    // the recorder's own process.
    if (GetWindowThreadProcessId(hwndRecorder, nullptr) != GetCurrentThreadId() || !g_pSimCap)
        return HandOver(hwndRecorder, dwHook, nCode, pem);
    JournalMoment moment = CurrentJournalMoment();
    if (dwHook == JOURNAL_HOOK_KEYS) return g_pSimCap->OnHotkeyRecord(nCode, *pem, moment);
    return g_pSimCap->OnJournalRecord(nCode, *pem, moment);
}

// The UI-thread side of the hand-over. The answer goes back by ReplyMessage: the window procedure answers
// every WM_COPYDATA with 0.
LRESULT SIMCAP::OnJournalHandOver(const SIMCAP_COPYDATA_JOURNALEVENT& record)
{
    EVENTMSG em = {};
    em.message = record.message;
    em.paramL = record.paramL;
    em.paramH = record.paramH;
    em.time = record.time;
    em.hwnd = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(record.hwnd));
    JournalMoment moment;
    moment.hwndForeground = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(record.hwndForeground));
    moment.bCtrlDown = (record.fModifiers & JOURNAL_MOD_CTRL) != 0;
    moment.bAltDown = (record.fModifiers & JOURNAL_MOD_ALT) != 0;

    // A procedure may still be on its way here after its hook was removed; the event is not ours then.
    // Neither is a record that lacks the key of the hooks installed now: any process can send one.
    UINT nOutcome = JOURNAL_PASS_ON;
    if (!g_shared.dwHandOverKey || record.dwKey != g_shared.dwHandOverKey)
        DebugOut("SIMCAP::OnCopyData(): journal record without the key of this session's hooks; dropped\n");
    else if (record.nCode < 0)
        DebugOut("SIMCAP::OnCopyData(): journal record with nCode < 0; dropped\n");
    else if (record.dwHook == JOURNAL_HOOK_RECORD && g_hhkJournal)
        nOutcome = OnJournalRecord(record.nCode, em, moment);
    else if (record.dwHook == JOURNAL_HOOK_KEYS && g_shared.hhkJournalKeys)
        nOutcome = OnHotkeyRecord(record.nCode, em, moment);
    LRESULT lAnswer = static_cast<LRESULT>(nOutcome | JOURNAL_ANSWERED);
    ReplyMessage(lAnswer);
    return lAnswer;
}
