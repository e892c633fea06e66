// hooks/SimCapProcess.h — a process taking part in a recording, as a state lists it: identifiers,
// executable and first module, and the 16-bit tasks when the process is the 16-bit subsystem host.
#pragma once
#include <windows.h>

#include "snapshot/SimCapObject.h"

class SIMCAP_TASK : public SIMCAP_OBJECT
{
  public:
    SIMCAP_TASK(DWORD dwThreadId, WORD hMod16, WORD hTask16);
    ~SIMCAP_TASK() override;

    BOOL Write(int nDepth) override;
    virtual BOOL Init(LPCSTR pszModName, LPCSTR pszFileName);

    DWORD dwThreadId;
    WORD hMod16;
    WORD hTask16;
    LPSTR lpModName;  // GlobalAlloc, owned
    LPSTR lpFileName; // GlobalAlloc, owned

  private:
    BOOL WriteContent(int nDepth);
};

class SIMCAP_PROCESS : public SIMCAP_OBJECT
{
  public:
    SIMCAP_PROCESS(DWORD dwProcessId, DWORD dwModuleId);
    ~SIMCAP_PROCESS() override;

    BOOL Write(int nDepth) override;
    // Reads the first module; a process whose modules cannot be read keeps empty module data.
    virtual BOOL Init(LPCSTR pszExeFile);

    // VDMEnumTaskWOWEx callback; lParam is the process object. FALSE goes on, TRUE stops.
    static BOOL WINAPI TaskEnumProcEx(DWORD dwThreadId, WORD hMod16, WORD hTask16, PSZ pszModName,
                                      PSZ pszFileName, LPARAM lParam);

    DWORD dwProcessId;
    DWORD dwModuleId;
    LPSTR lpProcessExeFile; // GlobalAlloc, owned
    LPSTR lpModuleFileName; // GlobalAlloc, owned
    LPSTR lpModuleBaseName; // GlobalAlloc, owned
    SIMCAP_LIST tasks;

  private:
    BOOL WriteContent(int nDepth);
};
