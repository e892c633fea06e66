// tests/support/Keyboard.h — keys typed as a user types them, through the system's input queue.
#pragma once
#include <windows.h>

// One key change sent at once, without the pause a typing user makes after it.
inline void SendKey(WORD wVirtualKey, bool bUp)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = wVirtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(wVirtualKey, 0));
    input.ki.dwFlags = bUp ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

// One key down or up; the pause lets the hooks and the foreground application see it before the next.
inline void Key(WORD wVirtualKey, bool bUp)
{
    SendKey(wVirtualKey, bUp);
    Sleep(120);
}

inline void Press(WORD wVirtualKey)
{
    Key(wVirtualKey, false);
    Key(wVirtualKey, true);
}
