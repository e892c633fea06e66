#include "hooks/SimCapProcess.h"

#include <new>

#include "hooks/LateBoundApi.h"
#include "host/SimCap.h"
#include "output/Tags.h"
#include "util/Diag.h"
#include "util/GlobalText.h"
#include "util/Handles.h"

namespace
{
BOOL CopyText(LPCSTR psz, LPSTR* ppszCopy)
{
    *ppszCopy = GlobalTextCopy(psz);
    return *ppszCopy != nullptr;
}

void ReportAllocation(LPCSTR pszPrefix)
{
    DWORD dwError = GetLastError();
    if (g_pSimCap)
        g_pSimCap->OutputLastError(pszPrefix, dwError);
    else
        DebugOut(pszPrefix);
}
} // namespace

SIMCAP_TASK::SIMCAP_TASK(DWORD dwThreadIdIn, WORD hMod16In, WORD hTask16In)
    : dwThreadId(dwThreadIdIn), hMod16(hMod16In), hTask16(hTask16In), lpModName(nullptr), lpFileName(nullptr)
{
}

SIMCAP_TASK::~SIMCAP_TASK()
{
    GlobalTextFree(lpModName);
    GlobalTextFree(lpFileName);
}

BOOL SIMCAP_TASK::Init(LPCSTR pszModName, LPCSTR pszFileName)
{
    if (!CopyText(pszModName, &lpModName))
    {
        DebugOut("SIMCAP_PROCESS::Init(): Unable to allocate this->lpModName\n");
        return FALSE;
    }
    if (!CopyText(pszFileName, &lpFileName))
    {
        DebugOut("SIMCAP_PROCESS::Init(): Unable to allocate this->lpFileName\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_TASK::Write(int nDepth)
{
    if (WriteContent(nDepth)) return TRUE;
    DebugOut("SIMCAP_TASK::Write(): Failed to Write Task Info\n");
    return FALSE;
}

BOOL SIMCAP_TASK::WriteContent(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    LPCSTR pszTask = Tags::TagTxt(TAG_TASK);
    int d = nDepth + 1;
    return p && p->WriteIndent(nDepth) && p->WriteStartTag(pszTask, nullptr, 0, nullptr, nullptr) &&
           p->WriteEscaped("\n") &&
           p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_THREADID), dwThreadId, nullptr) &&
           p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_HTASK16), hTask16, nullptr) &&
           p->WriteSimpleTagUInt(d, Tags::TagTxt(TAG_HMOD16), hMod16, nullptr) &&
           p->WriteSimpleTag(d, "ModName", lpModName ? lpModName : "", nullptr) &&
           p->WriteSimpleTag(d, "FileName", lpFileName ? lpFileName : "", nullptr) &&
           p->WriteIndent(nDepth) && p->WriteEndTag(pszTask) && p->WriteEscaped("\n");
}

SIMCAP_PROCESS::SIMCAP_PROCESS(DWORD dwProcessIdIn, DWORD dwModuleIdIn)
    : dwProcessId(dwProcessIdIn), dwModuleId(dwModuleIdIn), lpProcessExeFile(nullptr),
      lpModuleFileName(nullptr), lpModuleBaseName(nullptr)
{
}

SIMCAP_PROCESS::~SIMCAP_PROCESS()
{
    GlobalTextFree(lpProcessExeFile);
    GlobalTextFree(lpModuleFileName);
    GlobalTextFree(lpModuleBaseName);
}

BOOL SIMCAP_PROCESS::Init(LPCSTR pszExeFile)
{
    MODULEENTRY32 me = {};
    me.dwSize = sizeof(me);
    BOOL bHaveModule = FALSE;
    {
        ToolhelpSnapshot snapshot(TH32CS_SNAPMODULE, dwProcessId);
        if (!snapshot.IsValid())
        {
            DWORD dwError = GetLastError();
            // Another user's process, or one that has no modules yet, is listed without module data.
            if (dwError != ERROR_ACCESS_DENIED && dwError != ERROR_NO_MORE_FILES)
            {
                if (g_pSimCap)
                    g_pSimCap->OutputLastError("SIMCAP_PROCESS::Init(): CreateToolhelp32Snapshot() failed - ",
                                               dwError);
                return FALSE;
            }
        }
        else if (Module32First(snapshot.Get(), &me))
            bHaveModule = TRUE;
        else if (GetLastError() != ERROR_NO_MORE_FILES)
        {
            if (g_pSimCap)
                g_pSimCap->OutputLastError("SIMCAP_PROCESS::Init(): Modules32First() failed - ",
                                           GetLastError());
            return FALSE;
        }
    }
    dwModuleId = bHaveModule ? me.th32ModuleID : 0;
    if (!CopyText(pszExeFile, &lpProcessExeFile))
    {
        ReportAllocation("SIMCAP_PROCESS::Init(): Unable to allocate this->lpProcessExeFile - ");
        return FALSE;
    }
    if (!CopyText(bHaveModule ? me.szExePath : "", &lpModuleFileName))
    {
        ReportAllocation("SIMCAP_PROCESS::Init(): Unable to allocate this->lpModuleFileName - ");
        return FALSE;
    }
    if (!CopyText(bHaveModule ? me.szModule : "", &lpModuleBaseName))
    {
        ReportAllocation("SIMCAP_PROCESS::Init(): Unable to allocate this->lpModuleBaseName - ");
        return FALSE;
    }
    if (!lstrcmpiA(lpModuleBaseName, "NTVDM.EXE"))
    {
        DebugOut(
            "SIMCAP_PROCESS::Init(): We have an instance of the NTVDM and are looking for 16-bit tasks\n");
        LateBoundApi* pApi = g_pSimCap ? g_pSimCap->pLateBoundApi : nullptr;
        LateBoundApi::PFN_VDMEnumTaskWOWEx pfnEnum = pApi ? pApi->VDMEnumTaskWOWEx : LateBoundApi::NoTasks;
        pfnEnum(dwProcessId, TaskEnumProcEx, reinterpret_cast<LPARAM>(this));
    }
    return TRUE;
}

BOOL WINAPI SIMCAP_PROCESS::TaskEnumProcEx(DWORD dwThreadId, WORD hMod16, WORD hTask16, PSZ pszModName,
                                           PSZ pszFileName, LPARAM lParam)
{
    SIMCAP_PROCESS* pProcess = reinterpret_cast<SIMCAP_PROCESS*>(lParam);
    SIMCAP_TASK* pTask = new (std::nothrow) SIMCAP_TASK(dwThreadId, hMod16, hTask16);
    if (!pTask)
    {
        DebugOut("SIMCAP_PROCESS::TaskEnumProcEx(): could not allocate pTask\n");
        return TRUE;
    }
    if (!pTask->Init(pszModName, pszFileName))
    {
        DebugOut("SIMCAP_PROCESS::TaskEnumProcEx(): could not initialize pTask\n");
        delete pTask;
        return TRUE;
    }
    // Lists grow at the head and are written oldest first: tasks keep the order they were found in.
    if (!pProcess->tasks.Insert(pTask, nullptr))
    {
        DebugOut("SIMCAP_PROCESS::TaskEnumProcEx(): could not insert pTask in Task List\n");
        delete pTask;
        return TRUE;
    }
    return FALSE;
}

BOOL SIMCAP_PROCESS::Write(int nDepth)
{
    if (WriteContent(nDepth)) return TRUE;
    DebugOut("SIMCAP_PROCESS::Write(): Failed to Write Process Info\n");
    return FALSE;
}

BOOL SIMCAP_PROCESS::WriteContent(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    LPCSTR pszProcess = Tags::TagTxt(TAG_PROCESS);
    int d = nDepth + 1;
    return p && p->WriteIndent(nDepth) && p->WriteStartTag(pszProcess, nullptr, 0, nullptr, nullptr) &&
           p->WriteEscaped("\n") && p->WriteSimpleTagUInt(d, "ProcessID", dwProcessId, nullptr) &&
           p->WriteSimpleTagUInt(d, "ModuleID", dwModuleId, nullptr) &&
           p->WriteSimpleTag(d, "ProcessExeFile", lpProcessExeFile ? lpProcessExeFile : "", nullptr) &&
           p->WriteSimpleTag(d, "ModuleFileName", lpModuleFileName ? lpModuleFileName : "", nullptr) &&
           p->WriteSimpleTag(d, "ModuleBaseName", lpModuleBaseName ? lpModuleBaseName : "", nullptr) &&
           tasks.Write(d) && p->WriteIndent(nDepth) && p->WriteEndTag(pszProcess) && p->WriteEscaped("\n");
}
