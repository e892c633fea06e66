// util/Diag.h — the one place that writes debug lines and shows message boxes, so tests can watch both.
#pragma once
#include <windows.h>

// Caption of every message box the recorder shows.
extern const char c_szCaption[];

// Writes one debug message (OutputDebugStringA), exactly as given.
void DebugOut(LPCSTR pszText);
// printf-style debug message; texts longer than 1023 characters are cut.
void DebugOutF(LPCSTR pszFormat, ...);
// MessageBoxA with the recorder's caption; answers what the box answered.
int ShowMessage(HWND hwndOwner, LPCSTR pszText, UINT uFlags);

// Observers for tests in the recorder's own process. A message-box observer also replaces the box:
// ShowMessage then answers what the observer answers. Both are plain function pointers (no static
// constructor runs in the hooked processes).
typedef void (*DebugObserver)(LPCSTR pszText);
typedef int (*MessageObserver)(HWND hwndOwner, LPCSTR pszText, UINT uFlags);
void SetDebugObserver(DebugObserver pfn);
void SetMessageObserver(MessageObserver pfn);
