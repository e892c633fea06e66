#include <windows.h>

#include "hooks/SharedData.h"

// Only the attach notification matters: its module handle is the one every global hook is installed with.
BOOL WINAPI DllMain(HINSTANCE hinstDll, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) g_hModule = hinstDll;
    return TRUE;
}
