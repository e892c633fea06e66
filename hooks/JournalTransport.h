// hooks/JournalTransport.h — where the journal logic runs: on the recorder's UI thread, whichever thread
// the system calls a journal-record procedure on.
#pragma once
#include <windows.h>

// What a journal procedure saw at the moment of the event besides the event itself. The recogniser needs
// the modifiers as the thread that received the input saw them.
struct JournalMoment
{
    HWND hwndForeground;
    BOOL bCtrlDown;
    BOOL bAltDown;
};

// Outcome of the journal logic for one event; also the recorder's answer to a handed-over event.
enum : UINT
{
    JOURNAL_PASS_ON = 0x1,     // call the next hook (clear only when Ctrl+Break is swallowed)
    JOURNAL_RECORDED = 0x2,    // a journal event object was asked for
    JOURNAL_SOUNDED = 0x4,     // the click or keystroke sound was asked for
    JOURNAL_HWND_FILLED = 0x8, // the event had no window and took the foreground window
    JOURNAL_ANSWERED = 0x100,  // in every answer, so a failed send (0) reads as "pass on"
};

// This thread's view: the foreground window, and Ctrl and Alt by GetKeyState.
JournalMoment CurrentJournalMoment();

// Runs the journal logic of one hook (JOURNAL_HOOK_*) for an event of nCode >= 0: directly when called on
// the recorder's UI thread, otherwise by handing the event to the recorder window. Uses only the stack
// and the shared section outside the UI thread. May store the foreground window into pem->hwnd, as the
// logic does to the event it records.
UINT RunJournalLogic(DWORD dwHook, int nCode, EVENTMSG* pem);

// Draws a new hand-over key into the shared section; called by the recorder as it installs a journal
// hook, so records of earlier hooks and records made up by other processes no longer match.
void NewHandOverKey();
