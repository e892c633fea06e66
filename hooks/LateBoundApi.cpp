#include "hooks/LateBoundApi.h"

#include "util/Handles.h"
#include "util/PathUtil.h"

namespace
{
template <class TPfn> TPfn Bind(HMODULE hModule, LPCSTR pszName, TPfn pfnFallback)
{
    FARPROC pfn = hModule ? GetProcAddress(hModule, pszName) : nullptr;
    return pfn ? reinterpret_cast<TPfn>(reinterpret_cast<void*>(pfn)) : pfnFallback;
}

} // namespace

LateBoundApi::LateBoundApi()
    : hVdmDbg(LoadLibraryA("VDMDBG")), hKernel32(LoadLibraryA("KERNEL32")), hPsapi(LoadLibraryA("PSAPI"))
{
    VDMEnumTaskWOWEx = Bind<PFN_VDMEnumTaskWOWEx>(hVdmDbg, "VDMEnumTaskWOWEx", NoTasks);
    GetProcessId = Bind<PFN_GetProcessId>(hKernel32, "GetProcessId", ProcessIdFromHandle);
    IsWow64Process = Bind<PFN_IsWow64Process>(hKernel32, "IsWow64Process", NotWow64);
    EnumProcessModules =
        Bind<PFN_EnumProcessModules>(hPsapi, "EnumProcessModules", ToolhelpEnumProcessModules);
    GetModuleBaseNameA = Bind<PFN_GetModuleBaseNameA>(hPsapi, "GetModuleBaseNameA", LocalModuleBaseName);
}

LateBoundApi::~LateBoundApi()
{
    if (hVdmDbg)
    {
        FreeLibrary(hVdmDbg);
        VDMEnumTaskWOWEx = nullptr;
    }
    if (hKernel32)
    {
        FreeLibrary(hKernel32);
        GetProcessId = nullptr;
        IsWow64Process = nullptr;
    }
    if (hPsapi)
    {
        FreeLibrary(hPsapi);
        EnumProcessModules = nullptr;
        GetModuleBaseNameA = nullptr;
    }
    hVdmDbg = hKernel32 = hPsapi = nullptr;
}

INT WINAPI LateBoundApi::NoTasks(DWORD, TASKENUMPROCEX, LPARAM)
{
    return 0;
}

// Systems without GetProcessId offer no way to read another process's id from a handle. The fallback
// recognises handles to the own process (the pseudo handle, or one whose process began at the same moment)
// and answers 0 for any other, which its callers treat as failure.
DWORD WINAPI LateBoundApi::ProcessIdFromHandle(HANDLE hProcess)
{
    if (hProcess == GetCurrentProcess()) return GetCurrentProcessId();
    FILETIME ftCreationA, ftExitA, ftKernelA, ftUserA, ftCreationB, ftExitB, ftKernelB, ftUserB;
    if (GetProcessTimes(hProcess, &ftCreationA, &ftExitA, &ftKernelA, &ftUserA) &&
        GetProcessTimes(GetCurrentProcess(), &ftCreationB, &ftExitB, &ftKernelB, &ftUserB) &&
        CompareFileTime(&ftCreationA, &ftCreationB) == 0)
        return GetCurrentProcessId();
    return 0;
}

BOOL WINAPI LateBoundApi::NotWow64(HANDLE, PBOOL pbWow64Process)
{
    if (pbWow64Process) *pbWow64Process = FALSE;
    return TRUE;
}

BOOL WINAPI LateBoundApi::ToolhelpEnumProcessModules(HANDLE hProcess, HMODULE* phModule, DWORD cb,
                                                     LPDWORD pcbNeeded)
{
    DWORD dwProcessId = ProcessIdFromHandle(hProcess);
    if (dwProcessId == 0) return FALSE;
    ToolhelpSnapshot snapshot(TH32CS_SNAPMODULE, dwProcessId);
    if (!snapshot.IsValid()) return FALSE;
    MODULEENTRY32 me = {};
    me.dwSize = sizeof(me);
    DWORD cbNeeded = 0;
    for (BOOL bMore = Module32First(snapshot.Get(), &me); bMore; bMore = Module32Next(snapshot.Get(), &me))
    {
        cbNeeded += sizeof(HMODULE);
        if (cbNeeded <= cb && phModule) phModule[cbNeeded / sizeof(HMODULE) - 1] = me.hModule;
    }
    if (pcbNeeded) *pcbNeeded = cbNeeded;
    return TRUE;
}

DWORD WINAPI LateBoundApi::LocalModuleBaseName(HANDLE, HMODULE hModule, LPSTR pszBaseName, DWORD nSize)
{
    char szPath[260];
    DWORD cch = GetModuleFileNameA(hModule, szPath, sizeof(szPath));
    if (cch == 0 || cch >= sizeof(szPath)) return 0;
    LPCSTR pszName = FindFileName(static_cast<LPCSTR>(szPath));
    DWORD cchName = lstrlenA(pszName);
    if (!pszBaseName || cchName >= nSize) return 0;
    lstrcpyA(pszBaseName, pszName);
    return cchName;
}
