// host/Hotkeys.h — the hotkey recogniser both journal hooks use, and the cutting of hotkey keystrokes out of
// recorded event text.
#pragma once
#include <windows.h>

// A hotkey code: the low 16 bits a virtual-key code, and the modifiers that must be held with it.
enum : UINT
{
    HOTKEY_ALT = 0x10000,
    HOTKEY_CTRL = 0x20000,
};

// The last key transition the recording journal hook saw.
enum : UINT
{
    KEY_TRANSITION_NONE = 0,
    KEY_TRANSITION_DOWN = 1,
    KEY_TRANSITION_UP = 2,
};

// Process-local state of the journal hooks, used only on the recorder's UI thread; all 0 at start.
extern UINT g_nPendingHotkey; // a combination whose main key came up while its modifiers are held
extern BOOL g_bCtrlPending;   // the pending combination still waits for the Ctrl release
extern BOOL g_bAltPending;    // ... and for the Alt release
extern BOOL g_bSysModal;      // a system-modal dialog is up: both journal hooks ignore events
extern UINT g_nLastKeyTransition;
extern UINT g_nLastKeyCode;

// Each new journal hook starts with no key history: a combination left half-done when the last hook went
// (a recording ended while Ctrl was still held) would otherwise keep every hotkey after it from firing.
void ForgetKeyHistory();

// Called for key-ups only: TRUE when this one completes the hotkey nHotkey. bCtrlDown and bAltDown are the
// modifiers as the thread that received the key saw them. A combination fires on the release of its last
// modifier, after its main key came up while the modifiers were held.
BOOL HotkeyMatches(const EVENTMSG& em, UINT nHotkey, BOOL bCtrlDown, BOOL bAltDown);

// Cuts the keystrokes of the hotkey that ended a finished "Events" block out of its text (*pcbText bytes,
// not terminated), moving the rest up and shrinking *pcbText. TRUE when the keystrokes formed a hotkey.
BOOL RemoveHotKeyFromText(char* pText, DWORD* pcbText, UINT nSnapshotKey, UINT nStopKey);
