// Installing and removing the system-wide hooks. Handles live in the shared section so that the hook
// procedures in every process can pass them on.
#include "host/SimCap.h"

#include "hooks/JournalTransport.h"
#include "hooks/SharedData.h"
#include "host/Hotkeys.h"
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
    if (!*hook.phhk) return;
    DebugOut(hook.pszClearing);
    BOOL bUnhooked = UnhookWindowsHookEx(*hook.phhk);
    DWORD dwError = GetLastError();
    *hook.phhk = nullptr;
    // The system drops journal hooks by itself on Ctrl+Esc or Ctrl+Alt+Del; their handle is then stale.
    if (!bUnhooked && !(bIgnoreStaleHandle && dwError == ERROR_INVALID_HOOK_HANDLE))
        pSimCap->OutputLastError(hook.pszClearError, dwError);
}
} // namespace

void SIMCAP::HookAll(HWND hwnd)
{
    // The hotkey hook never runs beside the capture hooks.
    UnhookKeys(hwnd);
    NewHandOverKey();
    ForgetKeyHistory();
    struct HookToSet
    {
        int idHook;
        HOOKPROC pfnHook;
        HHOOK* phhk;
        BOOL bWanted;
        LPCSTR pszError;
    };
    const HookToSet aHooks[] = {
        {WH_MOUSE, MouseHookProc, &g_shared.hhkMouse, bIncludeMouseEvents != 0,
         "SIMCAP::HookAll(): Error setting Mouse Hook Proc - "},
        {WH_JOURNALRECORD, JournalHookProc, &g_hhkJournal, TRUE,
         "SIMCAP::HookAll(): Error setting Journal Hook Proc - "},
        {WH_SYSMSGFILTER, SysMsgHookProc, &g_shared.hhkSysMsg, TRUE,
         "SIMCAP::HookAll(): Error setting SysMsg Hook Proc - "},
        {WH_CALLWNDPROCRET, CallWndRetHookProc, &g_shared.hhkCallWndRet, TRUE,
         "SIMCAP::HookAll(): Error setting CallWndProcRet Hook Proc - "},
        {WH_SHELL, SimShellHookProc, &g_shared.hhkSimShell, TRUE,
         "SIMCAP::HookAll(): Error setting SimShell Hook Proc - "},
        {WH_CBT, CbtHookProc, &g_shared.hhkCbt, TRUE, "SIMCAP::HookAll(): Error setting Cbt Hook Proc - "},
    };
    // A hook that fails does not keep the others out.
    for (const HookToSet& hook : aHooks)
    {
        if (!hook.bWanted) continue;
        *hook.phhk = SetWindowsHookExA(hook.idHook, hook.pfnHook, g_hModule, 0);
        if (!*hook.phhk) OutputLastError(hook.pszError, GetLastError());
    }
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

void SIMCAP::HookKeys(HWND)
{
    if (g_shared.hhkJournalKeys) return;
    DebugOut("SIMCAP::HookKeys(): Installing JournalHookKeyProc.\n");
    NewHandOverKey();
    ForgetKeyHistory();
    g_shared.hhkJournalKeys = SetWindowsHookExA(WH_JOURNALRECORD, JournalHookKeyProc, g_hModule, 0);
    if (!g_shared.hhkJournalKeys)
    {
        OutputLastError("SIMCAP::HookKeys(): Error setting JournalHookKeyProc - ", GetLastError());
        return;
    }
    bKeysHooked = 1;
}

void SIMCAP::UnhookKeys(HWND)
{
    SetLastError(0);
    if (!g_shared.hhkJournalKeys) return;
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
