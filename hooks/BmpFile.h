// hooks/BmpFile.h — bitmaps saved as BMP files in the session folder: the screenshot of every state, and
// the menu and button bitmaps that the collectors save inside the target's process.
#pragma once
#include <windows.h>

// The header block for a bitmap: a BITMAPINFOHEADER followed by room for the colour table, from
// LocalAlloc (the caller frees it with LocalFree). Null when the bitmap cannot be read or memory runs out.
PBITMAPINFO CreateBitmapInfoStruct(HBITMAP hbm);
// Reads the pixels through the device context and writes the file, replacing an existing one. TRUE when
// the whole file was written and closed; a partly written file stays.
BOOL CreateBMPFile(LPCSTR pszPath, PBITMAPINFO pbi, HBITMAP hbm, HDC hdc);
// Both, for a control bitmap, with a size limit that keeps a collector short. A null bitmap succeeds
// and writes nothing.
BOOL SaveBmpToDisk(HBITMAP hbm, LPCSTR pszPath);
// Writes at psz + ich the file name of a menu bitmap: kind 1 checked, 2 unchecked, 3 item. Any other kind
// makes the whole text empty.
void CreateMenuBitmapName(LPSTR psz, UINT ich, UINT nKind, DWORD dwNumber);

// The colour-table size in bytes that follows a header of this kind.
DWORD ColourTableBytes(const BITMAPINFOHEADER& bih);
