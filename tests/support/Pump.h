// tests/support/Pump.h — waits that keep the calling thread's messages flowing, so its windows (and the
// hooks and threads that send to them) are answered meanwhile.
#pragma once
#include <windows.h>

#include <functional>

// Pumps until done() holds or the time is up; answers done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD dwTimeoutMs)
{
    for (DWORD dwStart = GetTickCount();;)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        if (done()) return true;
        if (GetTickCount() - dwStart >= dwTimeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void PumpFor(DWORD dwMs)
{
    PumpUntil([] { return false; }, dwMs);
}
