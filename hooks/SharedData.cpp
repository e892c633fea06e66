#include "hooks/SharedData.h"

// Initialised data in a shared section: every process that maps the library sees the same bytes.
SHARED_DATA g_shared __attribute__((section(".shared"), shared)) = {};

HMODULE g_hModule;
DWORD g_dwOwnProcessId;
BOOL g_bIsNT;
BOOL g_bOwnProcessIsWow64;
HHOOK g_hhkJournal;

extern "C" SHARED_DATA* WINAPI SimCap_GetSharedData()
{
    return &g_shared;
}
