#include "util/GlobalText.h"

LPSTR GlobalTextAlloc(SIZE_T cb)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, cb);
    if (!h) return nullptr;
    LPSTR psz = static_cast<LPSTR>(GlobalLock(h));
    if (!psz) GlobalFree(h);
    return psz;
}

LPSTR GlobalTextCopy(LPCSTR psz, SIZE_T cch)
{
    LPSTR pszCopy = GlobalTextAlloc(cch + 1);
    if (pszCopy && psz) CopyMemory(pszCopy, psz, cch);
    return pszCopy;
}

void GlobalTextFree(LPSTR psz)
{
    if (!psz) return;
    HGLOBAL h = GlobalHandle(psz);
    if (!h) return;
    GlobalUnlock(h);
    GlobalFree(h);
}
