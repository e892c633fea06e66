#include "util/BoundedSend.h"

namespace
{
// Only the recorder's window thread takes snapshots; plain values suffice.
BOOL g_bBudgetOpen = FALSE;
DWORD g_dwBudgetLeftMs = 0;
} // namespace

SendBudget::SendBudget(DWORD dwTotalMs) : bOwner(!g_bBudgetOpen)
{
    if (!bOwner) return;
    g_bBudgetOpen = TRUE;
    g_dwBudgetLeftMs = dwTotalMs;
}

SendBudget::~SendBudget()
{
    if (bOwner) g_bBudgetOpen = FALSE;
}

DWORD SendBudget::Remaining()
{
    return g_bBudgetOpen ? g_dwBudgetLeftMs : c_dwSendTimeoutMs;
}

void SendBudget::Spend(DWORD dwMs)
{
    if (g_bBudgetOpen) g_dwBudgetLeftMs = dwMs < g_dwBudgetLeftMs ? g_dwBudgetLeftMs - dwMs : 0;
}

BOOL BoundedSend(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, DWORD_PTR* pdwResult)
{
    *pdwResult = 0;
    DWORD dwLeft = SendBudget::Remaining();
    if (dwLeft == 0)
    {
        SetLastError(ERROR_TIMEOUT);
        return FALSE;
    }
    DWORD dwWait = dwLeft < c_dwSendTimeoutMs ? dwLeft : c_dwSendTimeoutMs;
    DWORD dwStart = GetTickCount();
    if (SendMessageTimeoutA(hwnd, uMsg, wParam, lParam, SMTO_ABORTIFHUNG, dwWait, pdwResult)) return TRUE;
    DWORD dwError = GetLastError();
    *pdwResult = 0;
    // Only what came to nothing is charged: a healthy target costs the budget nothing.
    SendBudget::Spend(GetTickCount() - dwStart);
    SetLastError(dwError);
    return FALSE;
}
