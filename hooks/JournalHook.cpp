// The recording journal hook: keystrokes, clicks and other input of the included processes become journal
// events, and the step, stop and abort keys become commands of the recorder window.
#include "host/SimCap.h"

#include "hooks/JournalTransport.h"
#include "hooks/SharedData.h"
#include "host/Hotkeys.h"
#include "util/Diag.h"

UINT g_nLastKeyTransition;
UINT g_nLastKeyCode;

namespace
{
BOOL IsKeyboardMessage(UINT message)
{
    switch (message)
    {
    case WM_ACTIVATE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SETHOTKEY:
    case WM_GETHOTKEY:
    case WM_CHAR:
    case WM_DEADCHAR:
    case WM_SYSCHAR:
    case WM_SYSDEADCHAR:
    case WM_HOTKEY: return TRUE;
    }
    return FALSE;
}

BOOL IsMouseMessage(UINT message)
{
    if (message >= WM_NCLBUTTONDOWN && message <= WM_NCMBUTTONDBLCLK) return TRUE;
    if (message >= WM_LBUTTONDOWN && message <= WM_MOUSEWHEEL) return TRUE;
    return message == WM_MOUSEACTIVATE || message == WM_NCHITTEST || message == WM_CAPTURECHANGED;
}

BOOL IsClick(UINT message)
{
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

// Navigation, modifier and function keys type nothing, so they make no keystroke sound.
BOOL IsSilentKey(UINT nVirtualKey)
{
    return (nVirtualKey >= VK_SHIFT && nVirtualKey <= VK_CAPITAL) || nVirtualKey == VK_ESCAPE ||
           (nVirtualKey >= VK_PRIOR && nVirtualKey <= VK_INSERT) || nVirtualKey == VK_HELP ||
           (nVirtualKey >= VK_LWIN && nVirtualKey <= VK_APPS) ||
           (nVirtualKey >= VK_F1 && nVirtualKey <= VK_F24);
}

// A window of 0 (or one that has gone) matches no process.
BOOL IsOfIncludedProcess(const SIMCAP& simcap, HWND hwnd)
{
    DWORD dwProcessId = 0;
    if (!hwnd || !GetWindowThreadProcessId(hwnd, &dwProcessId)) return FALSE;
    return simcap.aInclProcesses.Find(dwProcessId);
}
} // namespace

LRESULT CALLBACK SIMCAP::JournalHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode < 0)
    {
        DebugOut("SIMCAP:JournalHookProc(): skipping nCode < 0 mouse event\n");
        return CallNextHookEx(g_hhkJournal, nCode, wParam, lParam);
    }
    if (!(RunJournalLogic(JOURNAL_HOOK_RECORD, nCode, reinterpret_cast<EVENTMSG*>(lParam)) & JOURNAL_PASS_ON))
        return 0;
    // Outside the recorder's process the handle is null; the system ignores it and continues the chain.
    return CallNextHookEx(g_hhkJournal, nCode, wParam, lParam);
}

UINT SIMCAP::OnJournalRecord(LONG nCode, EVENTMSG& em, const JournalMoment& moment)
{
    if (nCode != HC_ACTION)
    {
        if (nCode == HC_SYSMODALON)
            g_bSysModal = TRUE;
        else if (nCode == HC_SYSMODALOFF)
            g_bSysModal = FALSE;
        else
            DebugOut("SIMCAP::JournalHookProc(): Unknown nCode\n");
        return JOURNAL_PASS_ON;
    }
    if (g_bSysModal) return JOURNAL_PASS_ON;

    UINT nVirtualKey = LOBYTE(em.paramL);
    switch (em.message)
    {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE: return JOURNAL_PASS_ON;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (nVirtualKey == VK_CANCEL)
        {
            PostMessageA(Window(), WM_COMMAND, IDM_STOP, 0);
            return 0;
        }
        // Auto-repeat of Ctrl and Alt is not recorded.
        if (g_nLastKeyTransition == KEY_TRANSITION_DOWN && g_nLastKeyCode == nVirtualKey &&
            (nVirtualKey == VK_CONTROL || nVirtualKey == VK_MENU))
            return JOURNAL_PASS_ON;
        g_nLastKeyTransition = KEY_TRANSITION_DOWN;
        g_nLastKeyCode = nVirtualKey;
        break; // a keyboard event, below
    case WM_KEYUP:
    case WM_SYSKEYUP: return JOURNAL_PASS_ON | OnJournalKeyUp(em, moment);
    }

    if (em.message == WM_KEYDOWN || em.message == WM_SYSKEYDOWN || IsKeyboardMessage(em.message))
    {
        if (!IsOfIncludedProcess(*this, em.hwnd ? em.hwnd : moment.hwndForeground)) return JOURNAL_PASS_ON;
        return JOURNAL_PASS_ON | RecordKeyboardEvent(em, moment);
    }
    if (!IsOfIncludedProcess(*this, em.hwnd)) return JOURNAL_PASS_ON;
    UINT nOutcome = JOURNAL_PASS_ON | JOURNAL_RECORDED;
    if (IsClick(em.message) && (bIncludeJournalEvents || bIncludeMouseEvents))
    {
        sounds.PlaySound(SOUND_MOUSECLICK);
        nOutcome |= JOURNAL_SOUNDED;
    }
    if (IsMouseMessage(em.message))
        OnJournalMouseEvent(0, em);
    else
        OnJournalEvent(0, em);
    return nOutcome;
}

UINT SIMCAP::OnJournalKeyUp(EVENTMSG& em, const JournalMoment& moment)
{
    UINT nVirtualKey = LOBYTE(em.paramL);
    if (g_nLastKeyTransition == KEY_TRANSITION_UP && g_nLastKeyCode == nVirtualKey &&
        (nVirtualKey == VK_CONTROL || nVirtualKey == VK_MENU))
        return 0;
    g_nLastKeyTransition = KEY_TRANSITION_UP;
    g_nLastKeyCode = nVirtualKey;

    BOOL bIncluded = IsOfIncludedProcess(*this, em.hwnd ? em.hwnd : moment.hwndForeground);
    // The snapshot key is tested first, so when both codes are equal the key means a step.
    UINT nCommand = 0;
    UINT nState = nMenuState;
    if ((nState == MS_READY || nState == MS_CAPTURING) &&
        HotkeyMatches(em, nSnapshotKey, moment.bCtrlDown, moment.bAltDown))
        nCommand = IDM_STEP;
    if (!nCommand && (nState == MS_CAPTURING || nState == MS_PAUSED) &&
        HotkeyMatches(em, nStopKey, moment.bCtrlDown, moment.bAltDown))
        nCommand = IDM_STOP;

    UINT nOutcome = 0;
    if (bIncluded)
    {
        if (bIncludeJournalEvents && !nCommand && !IsSilentKey(nVirtualKey))
        {
            sounds.PlaySound(SOUND_TYPESTROKE);
            nOutcome |= JOURNAL_SOUNDED;
        }
        nOutcome |= RecordKeyboardEvent(em, moment);
    }
    // Posted, so the command runs after the hook has returned and the key-up is in the event list.
    if (nCommand) PostMessageA(Window(), WM_COMMAND, nCommand, 0);
    return nOutcome;
}

// Keyboard events without a window of their own belong to the foreground window.
UINT SIMCAP::RecordKeyboardEvent(EVENTMSG& em, const JournalMoment& moment)
{
    UINT nOutcome = JOURNAL_RECORDED;
    if (!em.hwnd)
    {
        em.hwnd = moment.hwndForeground;
        nOutcome |= JOURNAL_HWND_FILLED;
    }
    OnJournalKeyboardEvent(0, em);
    return nOutcome;
}
