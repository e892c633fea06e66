// hooks/CALLWNDR.h — the collectors that answer the recorder's control data requests from inside the
// target's process. CallWndRetHookProc calls them with the hooked window, wParam and lParam of the request.
#pragma once
#include <windows.h>

class CALLWNDR
{
  public:
    static void zDoTbGetButton(HWND hwnd, WPARAM wParam, LPARAM lParam);
    static void zDoLBGetData(HWND hwnd, WPARAM wParam, LPARAM lParam);
    static void zDoCBGetData(HWND hwnd, WPARAM wParam, LPARAM lParam);
    static void zDoGetMenuItemBmps(HWND hwnd, WPARAM wParam, LPARAM lParam);
    static void zDoGetButtonImage(HWND hwnd, WPARAM wParam, LPARAM lParam);
};
