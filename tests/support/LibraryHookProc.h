// tests/support/LibraryHookProc.h — a hook procedure of the test library, looked up by its exported name.
// In a program that links the library the procedure's own name stands for an import thunk of the
// program, and a global hook must name the procedure inside the library's module.
#pragma once
#include <windows.h>

#include <string.h>

#include <string>

// pszName is a static hook procedure of SIMCAP taking (int, WPARAM, LPARAM). Its decorated name spells
// the types of WPARAM and LPARAM, which differ between the widths, and on 32 bits the stdcall byte count.
inline HOOKPROC LibraryHookProc(HMODULE hLibrary, const char* pszName)
{
    std::string name = "_ZN6SIMCAP" + std::to_string(strlen(pszName)) + pszName;
#ifdef _WIN64
    name += "Eiyx";
#else
    name += "Eijl@12";
#endif
    return reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(hLibrary, name.c_str())));
}
