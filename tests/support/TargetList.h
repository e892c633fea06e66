// tests/support/TargetList.h — the Define Target dialog's list of applications, read and ticked from
// another process as a user would tick it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The text of a list box item of another process; Wine answers such queries in UTF-16.
inline std::string ItemText(HWND hwndList, int i)
{
    LRESULT cch = SendMessageA(hwndList, LB_GETTEXTLEN, i, 0);
    if (cch < 0 || cch > 500) return std::string();
    std::vector<char> buffer(2 * (cch + 1) + 2, 0);
    SendMessageA(hwndList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
    if (cch > 0 && buffer[1] == '\0')
    {
        std::string text;
        for (LRESULT k = 0; k < cch; ++k)
            text += buffer[2 * k];
        return text;
    }
    return std::string(buffer.data());
}

// Ticks the list entry with this title, clicking its check box as a user would.
inline bool TickEntry(HWND hwndList, const std::string& title)
{
    LRESULT n = SendMessageA(hwndList, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i)
    {
        if (ItemText(hwndList, i) != title) continue;
        SendMessageA(hwndList, LB_SETTOPINDEX, i, 0);
        int nTop = static_cast<int>(SendMessageA(hwndList, LB_GETTOPINDEX, 0, 0));
        int cy = static_cast<int>(SendMessageA(hwndList, LB_GETITEMHEIGHT, 0, 0));
        LPARAM lPoint = MAKELPARAM(2, (i - nTop) * cy + cy / 2);
        PostMessageA(hwndList, WM_LBUTTONDOWN, MK_LBUTTON, lPoint);
        PostMessageA(hwndList, WM_LBUTTONUP, 0, lPoint);
        return true;
    }
    return false;
}
