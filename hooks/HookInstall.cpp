// Installing and removing the system-wide hooks. Handles live in the shared section so that the hook
// procedures in every process can pass them on.
#include "host/SimCap.h"

#include "hooks/SharedData.h"
#include "util/Diag.h"

namespace
{
struct CaptureHook
{
    HHOOK* phhk;
    LPCSTR pszClearing;
    LPCSTR pszClearError;
};

// Removes one hook; the handle is forgotten whether or not the system agreed.
void ClearHook(SIMCAP* pSimCap, const CaptureHook& hook, BOOL bIgnoreStaleHandle)
{
    if (!*hook.phhk)
        return;
    DebugOut(hook.pszClearing);
    BOOL bUnhooked = UnhookWindowsHookEx(*hook.phhk);
    DWORD dwError = GetLastError();
    *hook.phhk = nullptr;
    // The system drops journal hooks by itself on Ctrl+Esc or Ctrl+Alt+Del; their handle is then stale.
    if (!bUnhooked && !(bIgnoreStaleHandle && dwError == ERROR_INVALID_HOOK_HANDLE))
        pSimCap->OutputLastError(hook.pszClearError, dwError);
}
} // namespace

// The capture hooks need the hook procedures, which arrive with the event capture; until then nothing is
// installed, and the hotkey hook is still removed first as it always is.
void SIMCAP::HookAll(HWND hwnd)
{
    UnhookKeys(hwnd);
    DebugOut("SIMCAP::HookAll(): capture hooks are not available in this build\n");
}

void SIMCAP::UnhookAll(HWND)
{
    SetLastError(0);
    const CaptureHook aHooks[] = {
        {&g_hhkJournal, "SIMCAP::UnhookAll(): Clearing Journal Hook Proc\n",
         "SIMCAP::UnhookAll(): Error Clearing Journal Hook Proc - "},
        {&g_shared.hhkMouse, "SIMCAP::UnhookAll(): Clearing Mouse Hook Proc\n",
         "SIMCAP::UnhookAll(): Error Clearing Mouse Hook Proc - "},
        {&g_shared.hhkSysMsg, "SIMCAP::UnhookAll(): Clearing SysMsg Hook Proc\n",
         "SIMCAP::UnhookAll(): Error Clearing SysMsg Hook Proc - "},
        {&g_shared.hhkCallWndRet, "SIMCAP::UnhookAll(): Clearing CallWndProcRet Hook Proc\n",
         "SIMCAP::UnhookAll(): Error Clearing CallWndProcRet Hook Proc - "},
        {&g_shared.hhkSimShell, "SIMCAP::UnhookAll(): Clearing SimShell Hook Proc\n",
         "SIMCAP::UnhookAll(): Error Clearing SimShell Hook Proc - "},
        {&g_shared.hhkCbt, "SIMCAP::UnhookAll(): Clearing Cbt Hook Proc\n",
         "SIMCAP::UnhookAll(): Error Clearing Cbt Hook Proc - "},
    };
    for (const CaptureHook& hook : aHooks)
        ClearHook(this, hook, hook.phhk == &g_hhkJournal);
}

// The hotkey hook procedure arrives with the hotkeys; until then no hook is installed and bKeysHooked
// stays as it was, exactly as after a failed installation.
void SIMCAP::HookKeys(HWND)
{
    if (g_shared.hhkJournalKeys)
        return;
    DebugOut("SIMCAP::HookKeys(): Installing JournalHookKeyProc.\n");
    DebugOut("SIMCAP::HookKeys(): the hotkey hook is not available in this build\n");
}

void SIMCAP::UnhookKeys(HWND)
{
    SetLastError(0);
    if (!g_shared.hhkJournalKeys)
        return;
    DebugOut("SIMCAP::UnhookKeys(): Clearing JournalHookKeyProc\n");
    if (!UnhookWindowsHookEx(g_shared.hhkJournalKeys))
    {
        DWORD dwError = GetLastError();
        g_shared.hhkJournalKeys = nullptr;
        OutputLastError("SIMCAP::UnhookKeys(): Error Clearing JournalHookKeyProc - ", dwError);
        return;
    }
    bKeysHooked = 0;
    g_shared.hhkJournalKeys = nullptr;
}
