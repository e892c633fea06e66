// hooks/SharedData.h — the values every process that maps the library sees, and the library's own globals.
#pragma once
#include <windows.h>

#include <stddef.h>

// Nineteen 32-bit values in a section shared by every process that maps the library; zero at load.
// Hook procedures in other processes may read nothing of the recorder but this. The first eighteen are
// the recorder's published layout; the last is the key of the journal hand-over.
struct SHARED_DATA
{
    UINT nWM_GetToolBarButton;
    UINT nWM_GetListBoxData;
    UINT nWM_GetComboBoxData;
    UINT nWM_GetMenuItemData;
    UINT nWM_GetButtonImage;
    UINT nWM_SIM_ADD_PROCESS;
    UINT nWM_SIM_REMOVE_PROCESS;
    HWND hwndSimCap;
    HHOOK hhkMouse;
    HHOOK hhkSysMsg;
    HHOOK hhkCallWndRet;
    HHOOK hhkJournalKeys;
    HHOOK hhkSimShell;
    HHOOK hhkCbt;
    HWND hwndDefTgtDlg;
    UINT nWM_ListBoxAddProcess;
    UINT nWM_ListBoxRemoveProcess;
    HHOOK hhkDlgShell;
    // Drawn afresh whenever a journal hook is installed and carried by every journal hand-over record:
    // a record without it was not made by this session's hook procedures and is dropped. It keeps out
    // processes that do not map the library; one that loads the library on purpose can read it.
    DWORD dwHandOverKey;
};
// The published layout is the 32-bit one; the 64-bit build, which runs the tests where a machine cannot
// run 32-bit programs, lays the handles out at their own width.
#ifndef _WIN64
static_assert(sizeof(SHARED_DATA) == 76, "the shared section holds nineteen 32-bit values");
static_assert(offsetof(SHARED_DATA, hwndSimCap) == 0x1C, "recorder window at 0x1C");
static_assert(offsetof(SHARED_DATA, hhkCbt) == 0x34, "CBT hook at 0x34");
static_assert(offsetof(SHARED_DATA, hhkDlgShell) == 0x44, "dialog shell hook at 0x44");
static_assert(offsetof(SHARED_DATA, dwHandOverKey) == 0x48, "hand-over key after the published values");
#endif

extern SHARED_DATA g_shared;

// Process-local data of the library (zero in every hooked process but the recorder's).
extern HMODULE g_hModule;         // the library's own module: every global hook names it
extern DWORD g_dwOwnProcessId;    // the recorder's process id, from its window
extern BOOL g_bIsNT;              // GetVersionExA reported VER_PLATFORM_WIN32_NT
extern BOOL g_bOwnProcessIsWow64; // the recorder runs under WOW64
extern HHOOK g_hhkJournal;        // the recording journal hook; journal hooks live in the recorder process

// Answers the shared section's address, so a test can see that two processes share it.
extern "C" __declspec(dllexport) SHARED_DATA* WINAPI SimCap_GetSharedData();
