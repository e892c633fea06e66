// Which processes and windows take part in a recording.
#include "host/SimCap.h"

#include "hooks/LateBoundApi.h"
#include "hooks/SharedData.h"
#include "util/Diag.h"
#include "util/Handles.h"

namespace
{
// The lists hold window handles as 32-bit numbers.
DWORD WindowNumber(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd));
}

HWND WindowOfNumber(DWORD dw)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(dw));
}

DWORD ProcessOfWindow(HWND hwnd)
{
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hwnd, &dwProcessId);
    return dwProcessId;
}
} // namespace

BOOL SIMCAP::IsDebugExclusion(DWORD dwProcessId)
{
    if (!bDebugExclusions) return FALSE;
    char szName[MAX_PATH] = {};
    if (!GetProcessName(dwProcessId, szName, sizeof(szName)) || !aExclApplications.Find(szName)) return FALSE;
    DebugOut("$$$$$ IsDebugExclusion -- <");
    DebugOut(szName);
    DebugOut("> is being excluded.\n");
    return TRUE;
}

BOOL SIMCAP::GetProcessName(DWORD dwProcessId, LPSTR pszName, DWORD cchName)
{
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, dwProcessId));
    // The first module of a process is its executable; one slot is all the name needs.
    HMODULE hModule = nullptr;
    DWORD cbNeeded = 0;
    if (process.Get() && pLateBoundApi &&
        pLateBoundApi->EnumProcessModules(process.Get(), &hModule, sizeof(hModule), &cbNeeded) &&
        pLateBoundApi->GetModuleBaseNameA(process.Get(), hModule, pszName, cchName))
        return TRUE;
    DebugOut("SIMCAP:InclExcl:GetProcessName - Unable to get process name.\n");
    return FALSE;
}

// Included entries go into the excluded lists too: readers test the included lists first.
BOOL SIMCAP::AddProcessAndWindow(HWND hwnd, DWORD dwProcessId, BOOL bInclude)
{
    if (dwProcessId == g_dwOwnProcessId && !bSelfCapture) return TRUE;

    if (!IsDebugExclusion(dwProcessId) && bInclude)
    {
        if (!aInclProcesses.Include(dwProcessId)) return FALSE;
        aExclProcesses.Exclude(dwProcessId);
        // The process is in; a window that cannot be listed does not undo that.
        if (hwnd && aInclWindows.Include(WindowNumber(hwnd))) aExclWindows.Exclude(WindowNumber(hwnd));
        return TRUE;
    }

    if (!aExclProcesses.Exclude(dwProcessId)) return FALSE;
    aInclProcesses.Remove(dwProcessId);
    if (hwnd && aExclWindows.Exclude(WindowNumber(hwnd))) aInclWindows.Remove(WindowNumber(hwnd));
    return TRUE;
}

BOOL CALLBACK SIMCAP::WndEnumProc(HWND hwnd, LPARAM lParam)
{
    auto* pThis = reinterpret_cast<SIMCAP*>(lParam);
    DWORD dwProcessId = ProcessOfWindow(hwnd);
    if (!pThis->AddProcessAndWindow(hwnd, dwProcessId, pThis->aInclProcesses.Find(dwProcessId)))
    {
        DebugOut("SIMCAP:WndEnumProc - Failure processing new window in array lists.");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP::SetupInclExcl()
{
    if (!EnumWindows(WndEnumProc, reinterpret_cast<LPARAM>(this)))
    {
        DebugOut("SIMCAP:SetupInclExcl - Failure enumerating top-level windows\n");
        return FALSE;
    }

    ToolhelpSnapshot snapshot(TH32CS_SNAPPROCESS, 0);
    if (!snapshot.IsValid())
    {
        DebugOut("SIMCAP::SetupInclExcl(): CreateToolhelp32Snapshot() failed\n");
        return FALSE;
    }
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    if (!Process32First(snapshot.Get(), &pe)) return TRUE;

    // Processes without a top-level window were not met above; those not chosen stay out.
    do
    {
        if (pe.th32ProcessID == g_dwOwnProcessId && !bSelfCapture)
        {
            aExclProcesses.Exclude(pe.th32ProcessID);
            aExclWindows.Exclude(WindowNumber(Window()));
        }
        else if (!aInclProcesses.Find(pe.th32ProcessID))
            AddProcessAndWindow(nullptr, pe.th32ProcessID, FALSE);
    } while (Process32Next(snapshot.Get(), &pe));

    DWORD dwError = GetLastError();
    if (dwError != ERROR_NO_MORE_FILES)
        DebugOut("SIMCAP::SetupInclExcl(): Enumerating Processes exited with an unexpected error\n");
    SetLastError(0);
    return dwError == ERROR_NO_MORE_FILES;
}

// Owners are asked now, not when the windows were listed: a destroyed window belongs to no process.
BOOL SIMCAP::IsLastListedWindowOfProcess(HWND hwnd, DWORD dwProcessId, BOOL bInIncluded)
{
    const NUMBER_ARRAY& aWindows = bInIncluded ? static_cast<const NUMBER_ARRAY&>(aInclWindows)
                                               : static_cast<const NUMBER_ARRAY&>(aExclWindows);
    for (int i = 0; i < aWindows.Count(); i++)
    {
        DWORD dwWindow = aWindows.At(i);
        if (dwWindow != WindowNumber(hwnd) && ProcessOfWindow(WindowOfNumber(dwWindow)) == dwProcessId)
            return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP::ClearExcludedProcesses()
{
    return aExclProcesses.RemoveAll();
}

BOOL SIMCAP::ClearExcludedWindows()
{
    return aExclWindows.RemoveAll();
}

BOOL SIMCAP::ClearIncludedProcesses()
{
    return aInclProcesses.RemoveAll();
}

BOOL SIMCAP::ClearIncludedWindows()
{
    return aInclWindows.RemoveAll();
}

// The new-window and removed-window handlers keep the inclusion lists current while a recording runs.
void SIMCAP::OnAddProcess(HWND hwndNew)
{
    LONG lStyle = GetWindowLongA(hwndNew, GWL_STYLE);
    LONG lExStyle = GetWindowLongA(hwndNew, GWL_EXSTYLE);
    BOOL bHasParent = GetParent(hwndNew) != nullptr;
    DWORD dwProcessId = ProcessOfWindow(hwndNew);

    BOOL bCandidate = (lStyle & WS_VISIBLE) && !(lExStyle & WS_EX_TOOLWINDOW);
    // Windows announces a top-level window when it is first shown, and never a tool window; Wine announces
    // every one as it is made, still hidden. Such a window must not take an application that is being
    // recorded out of the recording: it is left to the snapshot, which takes in the windows of included
    // processes once they show.
    if (!bCandidate && aInclProcesses.Find(dwProcessId)) return;
    BOOL bInclude = FALSE;
    if (bCandidate)
    {
        if (!bHasParent)
        {
            if (aInclProcesses.Find(dwProcessId))
            {
                aInclWindows.Include(WindowNumber(hwndNew));
                return;
            }
            bInclude = bIncludeNewApps;
        }
        else
        {
            // A dialog belongs to the recording when its application already has a window in it.
            bInclude = !IsLastListedWindowOfProcess(hwndNew, dwProcessId, TRUE);
        }
    }
    AddProcessAndWindow(hwndNew, dwProcessId, bInclude);
}

// A process leaves a list with its last window there, so its later events are dropped.
void SIMCAP::OnRemoveProcess(HWND hwndGone)
{
    DWORD dwProcessId = ProcessOfWindow(hwndGone);
    if (aInclWindows.Find(WindowNumber(hwndGone)))
    {
        aInclWindows.Remove(WindowNumber(hwndGone));
        if (IsLastListedWindowOfProcess(hwndGone, dwProcessId, TRUE)) aInclProcesses.Remove(dwProcessId);
        return;
    }
    aExclWindows.Remove(WindowNumber(hwndGone));
    if (IsLastListedWindowOfProcess(hwndGone, dwProcessId, FALSE)) aExclProcesses.Remove(dwProcessId);
}
