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
    union
    {
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
