// util/Assert.h — the one assertion routine. It does nothing and reports success: processing goes on
// after a failed assertion, which only shows up in what the caller answers.
#pragma once
#include <windows.h>

// Hands one assertion text ("ASSERT <class> <operation>: <message>") to the routine; answers TRUE.
BOOL Assert(LPCSTR pszText);
// printf-style; the text is formatted first (cut at 511 characters), then handed to Assert.
BOOL AssertF(LPCSTR pszFormat, ...);

// Lets tests see the texts; a plain function pointer, so no static constructor runs.
typedef void (*AssertObserver)(LPCSTR pszText);
void SetAssertObserver(AssertObserver pfn);
