// hooks/SharedData.h — the values every process that maps the library sees, and the library's own globals.
#pragma once
#include <windows.h>

#include <stddef.h>

// Eighteen 32-bit values in a section shared by every process that maps the library; zero at load.
// Hook procedures in other processes may read nothing of the recorder but this.
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
};
static_assert(sizeof(SHARED_DATA) == 72, "the shared section holds eighteen 32-bit values");
static_assert(offsetof(SHARED_DATA, hwndSimCap) == 0x1C, "recorder window at 0x1C");
static_assert(offsetof(SHARED_DATA, hhkCbt) == 0x34, "CBT hook at 0x34");
static_assert(offsetof(SHARED_DATA, hhkDlgShell) == 0x44, "dialog shell hook at 0x44");

extern SHARED_DATA g_shared;

// Process-local data of the library (zero in every hooked process but the recorder's).
extern HMODULE g_hModule;         // the library's own module: every global hook names it
extern DWORD g_dwOwnProcessId;    // the recorder's process id, from its window
extern BOOL g_bIsNT;              // GetVersionExA reported VER_PLATFORM_WIN32_NT
extern BOOL g_bOwnProcessIsWow64; // the recorder runs under WOW64
extern HHOOK g_hhkJournal;        // the recording journal hook; journal hooks live in the recorder process

// Answers the shared section's address, so a test can see that two processes share it.
extern "C" __declspec(dllexport) SHARED_DATA* WINAPI SimCap_GetSharedData();
