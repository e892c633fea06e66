// util/GlobalText.h — owned texts of snapshot objects: each in its own moveable, zero-initialised global
// block, kept locked while the object lives.
#pragma once
#include <windows.h>

// A locked block of cch + 1 bytes holding the first cch bytes of psz (null psz: an empty text); null when
// memory runs out.
LPSTR GlobalTextCopy(LPCSTR psz, SIZE_T cch);
inline LPSTR GlobalTextCopy(LPCSTR psz)
{
    return GlobalTextCopy(psz, psz ? lstrlenA(psz) : 0);
}
// A locked, zero-filled block of cb bytes; null when memory runs out.
LPSTR GlobalTextAlloc(SIZE_T cb);
// Unlocks and frees a block from the two above; null is allowed.
void GlobalTextFree(LPSTR psz);
