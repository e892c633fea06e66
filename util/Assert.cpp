#include "util/Assert.h"

#include <stdarg.h>
#include <stdio.h>

static AssertObserver s_pfnAssertObserver;

void SetAssertObserver(AssertObserver pfn)
{
    s_pfnAssertObserver = pfn;
}

BOOL Assert(LPCSTR pszText)
{
    if (s_pfnAssertObserver) s_pfnAssertObserver(pszText ? pszText : "");
    return TRUE;
}

BOOL AssertF(LPCSTR pszFormat, ...)
{
    char sz[512];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(sz, sizeof(sz), pszFormat, args);
    va_end(args);
    sz[sizeof(sz) - 1] = '\0';
    return Assert(sz);
}
