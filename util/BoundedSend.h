// util/BoundedSend.h — messages the recorder sends to windows of other processes while it takes a
// snapshot. Each send waits a bounded time and gives up at once on a hung thread; the sends of one
// snapshot share a budget for the waits that came to nothing, and a thread that let one of them time out
// is not asked again in that snapshot, so a hung target delays a state by a second or so and a few hung
// ones by a few seconds at most, however many windows they have.
#pragma once
#include <windows.h>

// The longest one send may wait.
const DWORD c_dwSendTimeoutMs = 1000;
// What failed sends may cost one snapshot together.
const DWORD c_dwSnapshotSendBudgetMs = 5000;

// Opens a budget for the sends made on the recorder's window thread until the object goes. An inner
// budget while one is open changes nothing: the outer one goes on counting.
class SendBudget
{
  public:
    explicit SendBudget(DWORD dwTotalMs);
    ~SendBudget();
    SendBudget(const SendBudget&) = delete;
    SendBudget& operator=(const SendBudget&) = delete;

    // Milliseconds still to be spent; the open budget's, or the single send's bound when none is open.
    static DWORD Remaining();

  private:
    static void Spend(DWORD dwMs);
    friend BOOL BoundedSend(HWND, UINT, WPARAM, LPARAM, DWORD_PTR*);

    BOOL bOwner;
};

// SendMessageTimeoutA with SMTO_ABORTIFHUNG, waiting at most the per-send bound or what is left of the
// budget. FALSE when nothing came back (hung, gone, timed out, or, without a send and with ERROR_TIMEOUT,
// the budget is spent or the window's thread already let a send of it time out); *pdwResult is then 0.
BOOL BoundedSend(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, DWORD_PTR* pdwResult);
