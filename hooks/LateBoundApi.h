// hooks/LateBoundApi.h — system functions bound at run time, each with a fallback of the recorder's own
// for systems that lack it.
#pragma once
#include <windows.h>

// 16-bit task enumeration callback of the VDM debugging library.
typedef BOOL(WINAPI* TASKENUMPROCEX)(DWORD dwThreadId, WORD hMod16, WORD hTask16, PSZ pszModName,
                                     PSZ pszFileName, LPARAM lpUserDefined);

class LateBoundApi
{
  public:
    typedef INT(WINAPI* PFN_VDMEnumTaskWOWEx)(DWORD dwProcessId, TASKENUMPROCEX fp, LPARAM lparam);
    typedef DWORD(WINAPI* PFN_GetProcessId)(HANDLE hProcess);
    typedef BOOL(WINAPI* PFN_IsWow64Process)(HANDLE hProcess, PBOOL pbWow64Process);
    typedef BOOL(WINAPI* PFN_EnumProcessModules)(HANDLE hProcess, HMODULE* phModule, DWORD cb,
                                                 LPDWORD pcbNeeded);
    typedef DWORD(WINAPI* PFN_GetModuleBaseNameA)(HANDLE hProcess, HMODULE hModule, LPSTR pszBaseName,
                                                  DWORD nSize);

    LateBoundApi();
    ~LateBoundApi();
    LateBoundApi(const LateBoundApi&) = delete;
    LateBoundApi& operator=(const LateBoundApi&) = delete;

    // The fallbacks, public so that they can be exercised on a system that has the real functions.
    static INT WINAPI NoTasks(DWORD dwProcessId, TASKENUMPROCEX fp, LPARAM lparam);
    static DWORD WINAPI ProcessIdFromHandle(HANDLE hProcess);
    static BOOL WINAPI NotWow64(HANDLE hProcess, PBOOL pbWow64Process);
    static BOOL WINAPI ToolhelpEnumProcessModules(HANDLE hProcess, HMODULE* phModule, DWORD cb,
                                                  LPDWORD pcbNeeded);
    static DWORD WINAPI LocalModuleBaseName(HANDLE hProcess, HMODULE hModule, LPSTR pszBaseName, DWORD nSize);

    HMODULE hVdmDbg;
    HMODULE hKernel32;
    HMODULE hPsapi;
    PFN_VDMEnumTaskWOWEx VDMEnumTaskWOWEx;
    PFN_GetProcessId GetProcessId;
    PFN_IsWow64Process IsWow64Process;
    PFN_EnumProcessModules EnumProcessModules;
    PFN_GetModuleBaseNameA GetModuleBaseNameA;
};
