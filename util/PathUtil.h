// util/PathUtil.h — paths, numbers and profile strings, byte by byte on ANSI text.
#pragma once
#include <windows.h>

BOOL AppendWithSeparator(LPCSTR pszTail, char chSeparator, LPSTR pszPath, UINT cchPath);
BOOL AppendPath(LPCSTR pszTail, LPSTR pszPath, UINT cchPath);
void StripLastComponent(LPSTR pszPath);
LPSTR FindFileName(LPSTR pszPath);
LPCSTR FindFileName(LPCSTR pszPath);
LPSTR FindExtension(LPSTR pszPath);
LPCSTR FindExtension(LPCSTR pszPath);
BOOL ParseNumber(LPCSTR pszText, DWORD* pdwValue);
// Answers a locked GlobalAlloc block (GMEM_MOVEABLE | GMEM_SHARE) holding the whole value, or null when
// memory runs out; free it with FreeProfileString.
LPSTR ReadProfileString(LPCSTR pszSection, LPCSTR pszKey, LPCSTR pszDefault, LPCSTR pszFile);
void FreeProfileString(LPSTR psz);
