// hooks/CopyDataRecords.h — fixed little-endian records that hook procedures in other processes send to
// the recorder window with WM_COPYDATA. They are a wire format: sizes and offsets never change.
#pragma once
#include <windows.h>

#include <stddef.h>

enum : ULONG_PTR
{
    COPYDATA_HOOKEVENT = 7,
    COPYDATA_TOOLBAR_BUTTON_REPLY = 8,
    COPYDATA_LISTBOX_REPLY = 9,
    COPYDATA_COMBOBOX_REPLY = 10,
    COPYDATA_MENUITEM_REPLY = 11,
    COPYDATA_BUTTON_IMAGE_REPLY = 12,
    COPYDATA_CBTEVENT = 13,
};

enum : DWORD
{
    HOOKEVENT_KIND_MOUSE = 2,
    HOOKEVENT_KIND_SYSMSG = 3,
    CBTEVENT_KIND = 4,
};

struct SIMCAP_COPYDATA_HOOKEVENT
{
    DWORD dwKind;
    DWORD hwndForeground;
    LONG nCode;
    DWORD wParam;
    union {
        struct
        {
            LONG x;
            LONG y;
            DWORD hwnd;
            DWORD wHitTestCode;
            DWORD dwExtraInfo;
            DWORD adwZero[5];
        } mouse;
        struct
        {
            DWORD hwnd;
            DWORD message;
            DWORD wParam;
            LONG lParam;
            DWORD time;
            LONG x;
            LONG y;
            DWORD adwUnused[3];
        } msg;
    };
};
static_assert(sizeof(SIMCAP_COPYDATA_HOOKEVENT) == 56, "hook event record is 56 bytes");
static_assert(offsetof(SIMCAP_COPYDATA_HOOKEVENT, wParam) == 12, "message number at 12");
static_assert(offsetof(SIMCAP_COPYDATA_HOOKEVENT, mouse.hwnd) == 24, "mouse window at 24");
static_assert(offsetof(SIMCAP_COPYDATA_HOOKEVENT, msg.y) == 40, "message point y at 40");

struct SIMCAP_COPYDATA_CBTEVENT
{
    DWORD dwKind;
    LONG nCode;
    DWORD wParam;
    DWORD hwnd;
    DWORD adwReserved[19];
};
static_assert(sizeof(SIMCAP_COPYDATA_CBTEVENT) == 92, "CBT event record is 92 bytes");
static_assert(offsetof(SIMCAP_COPYDATA_CBTEVENT, wParam) == 8, "destroyed window at 8");

// Under Wine a journal-record procedure runs in the process whose thread receives the input, not on the
// recorder's UI thread that installed it. There it hands the event, with what the hotkey recogniser needs
// from that moment, to the recorder window; the journal logic then runs on the UI thread exactly as when
// the procedure is called there (as on Windows). The recorder's answer is a set of JOURNAL_* flags
// (hooks/JournalTransport.h); a send that fails answers 0, which the procedure reads as "pass on".
constexpr ULONG_PTR COPYDATA_JOURNALEVENT = 0x4A524E4C;
static_assert(COPYDATA_JOURNALEVENT != 6 && COPYDATA_JOURNALEVENT != 14 &&
                  (COPYDATA_JOURNALEVENT < ULONG_PTR{COPYDATA_HOOKEVENT} ||
                   COPYDATA_JOURNALEVENT > ULONG_PTR{COPYDATA_CBTEVENT}),
              "the journal hand-over must not be taken for a record of the wire format");

enum : DWORD
{
    JOURNAL_HOOK_RECORD = 1, // JournalHookProc, the recording journal hook
    JOURNAL_HOOK_KEYS = 2,   // JournalHookKeyProc, the hotkey hook
};

enum : DWORD
{
    JOURNAL_MOD_CTRL = 0x1,
    JOURNAL_MOD_ALT = 0x2,
};

struct SIMCAP_COPYDATA_JOURNALEVENT
{
    DWORD dwHook;  // JOURNAL_HOOK_*
    LONG nCode;    // the hook code as received, never negative
    DWORD message; // the EVENTMSG as received
    DWORD paramL;
    DWORD paramH;
    DWORD time;
    DWORD hwnd;
    DWORD hwndForeground; // GetForegroundWindow in the receiving thread
    DWORD fModifiers;     // JOURNAL_MOD_*: GetKeyState of Ctrl and Alt in the receiving thread
    DWORD dwProcessId;    // where the procedure ran
    DWORD dwThreadId;
    DWORD dwKey; // the shared section's dwHandOverKey when the procedure ran
};
static_assert(sizeof(SIMCAP_COPYDATA_JOURNALEVENT) == 48, "journal hand-over record is 48 bytes");
static_assert(offsetof(SIMCAP_COPYDATA_JOURNALEVENT, dwKey) == 44, "hand-over key at 44");
static_assert(offsetof(SIMCAP_COPYDATA_JOURNALEVENT, hwndForeground) == 28, "foreground window at 28");
