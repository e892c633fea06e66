#include "util/Diag.h"

#include <stdarg.h>
#include <stdio.h>

const char c_szCaption[] = "Quillmark Sim Stepforge";

static DebugObserver s_pfnDebugObserver;
static MessageObserver s_pfnMessageObserver;

void SetDebugObserver(DebugObserver pfn)
{
    s_pfnDebugObserver = pfn;
}

void SetMessageObserver(MessageObserver pfn)
{
    s_pfnMessageObserver = pfn;
}

void DebugOut(LPCSTR pszText)
{
    if (!pszText) return;
    OutputDebugStringA(pszText);
    if (s_pfnDebugObserver) s_pfnDebugObserver(pszText);
}

void DebugOutF(LPCSTR pszFormat, ...)
{
    char sz[1024];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(sz, sizeof(sz), pszFormat, args);
    va_end(args);
    sz[sizeof(sz) - 1] = '\0';
    DebugOut(sz);
}

int ShowMessage(HWND hwndOwner, LPCSTR pszText, UINT uFlags)
{
    if (s_pfnMessageObserver) return s_pfnMessageObserver(hwndOwner, pszText, uFlags);
    return MessageBoxA(hwndOwner, pszText, c_szCaption, uFlags);
}
