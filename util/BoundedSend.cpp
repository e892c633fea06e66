#include "util/BoundedSend.h"

namespace
{
// Only the recorder's window thread takes snapshots; plain values suffice.
BOOL g_bBudgetOpen = FALSE;
DWORD g_dwBudgetLeftMs = 0;
// Threads that let a send of the open budget time out. A thread that did not answer one window would
// not answer its others either: asking them would only spend the budget that the windows of threads
// that do answer still need.
const int c_cSilentThreads = 32;
DWORD g_adwSilentThreads[c_cSilentThreads];
int g_cSilentThreads = 0;

BOOL IsSilent(DWORD dwThreadId)
{
    for (int i = 0; i < g_cSilentThreads; ++i)
        if (g_adwSilentThreads[i] == dwThreadId) return TRUE;
    return FALSE;
}
} // namespace

SendBudget::SendBudget(DWORD dwTotalMs) : bOwner(!g_bBudgetOpen)
{
    if (!bOwner) return;
    g_bBudgetOpen = TRUE;
    g_dwBudgetLeftMs = dwTotalMs;
    g_cSilentThreads = 0;
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
    // The window's thread is looked up only when some thread has been silent: a healthy snapshot pays
    // nothing for it.
    if (g_bBudgetOpen && g_cSilentThreads > 0 && IsSilent(GetWindowThreadProcessId(hwnd, nullptr)))
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
    DWORD dwThreadId =
        g_bBudgetOpen && dwError == ERROR_TIMEOUT ? GetWindowThreadProcessId(hwnd, nullptr) : 0;
    if (dwThreadId && g_cSilentThreads < c_cSilentThreads)
        g_adwSilentThreads[g_cSilentThreads++] = dwThreadId;
    SetLastError(dwError);
    return FALSE;
}
