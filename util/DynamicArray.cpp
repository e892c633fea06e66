#include "util/DynamicArray.h"

#include <string.h>

// Storage and string copies are moveable, zero-initialised blocks.
static const UINT c_uArrayFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;

namespace
{
// Scratch space for one element while elements are moved about.
class TempElement
{
  public:
    explicit TempElement(UINT cb) : pb(static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, cb))) {}
    ~TempElement()
    {
        if (pb) GlobalFree(pb);
    }
    TempElement(const TempElement&) = delete;
    TempElement& operator=(const TempElement&) = delete;
    BYTE* Get() const { return pb; }

  private:
    BYTE* pb;
};
} // namespace

BOOL DYNAMIC_ARRAY::DestroyElement(void*)
{
    return TRUE;
}

BOOL DYNAMIC_ARRAY::ConstructElement(void* pElement, const void* pSource)
{
    if (pSource)
        memcpy(pElement, pSource, ElementSize());
    else
        memset(pElement, 0, ElementSize());
    return TRUE;
}

void DYNAMIC_ARRAY::FreeStorage()
{
    if (hData)
    {
        GlobalUnlock(hData);
        GlobalFree(hData);
    }
    hData = nullptr;
    data = nullptr;
}

// Resizes the storage to nCount elements; on failure the old block stays as it was.
BOOL DYNAMIC_ARRAY::Reallocate(int nCount)
{
    SIZE_T cb = static_cast<SIZE_T>(ElementSize()) * static_cast<SIZE_T>(nCount);
    if (hData)
    {
        GlobalUnlock(hData);
        HGLOBAL hNew = GlobalReAlloc(hData, cb, c_uArrayFlags);
        if (hNew) hData = hNew;
        // A moveable block may have moved even when the reallocation failed, so lock it again either way.
        data = static_cast<BYTE*>(GlobalLock(hData));
        return hNew && data;
    }
    hData = GlobalAlloc(c_uArrayFlags, cb);
    if (!hData) return FALSE;
    data = static_cast<BYTE*>(GlobalLock(hData));
    if (!data)
    {
        GlobalFree(hData);
        hData = nullptr;
        return FALSE;
    }
    return TRUE;
}

BOOL DYNAMIC_ARRAY::Grow(int n)
{
    if (n < 0) return FALSE;
    if (n == 0) return TRUE;
    if (!Reallocate(count + n)) return FALSE;
    for (int i = count; i < count + n; i++)
    {
        if (!ConstructElement(ElementPtr(i), nullptr))
        {
            for (int j = i - 1; j >= count; j--)
                DestroyElement(ElementPtr(j));
            // Give back the room taken for the new elements, so the storage matches count again.
            if (count == 0)
                FreeStorage();
            else
                Reallocate(count);
            return FALSE;
        }
    }
    count += n;
    return TRUE;
}

BOOL DYNAMIC_ARRAY::Shrink(int n)
{
    for (; n > 0 && count > 0; n--)
    {
        if (!DestroyElement(ElementPtr(count - 1))) return FALSE;
        count--;
    }
    if (count <= 0)
    {
        FreeStorage();
        return TRUE;
    }
    return Reallocate(count);
}

BOOL DYNAMIC_ARRAY::Clear()
{
    for (int i = 0; i < count; i++)
    {
        if (!DestroyElement(ElementPtr(i))) return FALSE;
    }
    FreeStorage();
    count = 0;
    return TRUE;
}

void DYNAMIC_ARRAY::DestroyAll()
{
    for (int i = 0; i < count; i++)
        DestroyElement(ElementPtr(i));
    FreeStorage();
    count = 0;
}

BOOL DYNAMIC_ARRAY::Get(int i, void* pDestination) const
{
    if (i < 0 || i >= count) return FALSE;
    memcpy(pDestination, ElementPtr(i), ElementSize());
    return TRUE;
}

BOOL DYNAMIC_ARRAY::Set(int i, const void* pSource)
{
    if (i < 0 || i >= count) return FALSE;
    return ConstructElement(ElementPtr(i), pSource);
}

BOOL DYNAMIC_ARRAY::RemoveAt(int i)
{
    if (i < 0 || i >= count) return FALSE;
    if (i < count - 1)
    {
        UINT cb = ElementSize();
        TempElement temp(cb);
        if (!temp.Get()) return FALSE;
        // The removed element goes to the end, where Shrink destroys it.
        memcpy(temp.Get(), ElementPtr(i), cb);
        memmove(ElementPtr(i), ElementPtr(i + 1), static_cast<size_t>(count - 1 - i) * cb);
        memcpy(ElementPtr(count - 1), temp.Get(), cb);
    }
    return Shrink(1);
}

BOOL DYNAMIC_ARRAY::Sort()
{
    if (count < 2) return TRUE;
    UINT cb = ElementSize();
    TempElement temp(cb);
    if (!temp.Get()) return FALSE;
    // Only strictly greater neighbours are exchanged, so equal elements keep their order.
    BOOL fExchanged;
    do
    {
        fExchanged = FALSE;
        for (int j = count - 1; j >= 1; j--)
        {
            if (Compare(ElementPtr(j - 1), ElementPtr(j)) > 0)
            {
                memcpy(temp.Get(), ElementPtr(j - 1), cb);
                memcpy(ElementPtr(j - 1), ElementPtr(j), cb);
                memcpy(ElementPtr(j), temp.Get(), cb);
                fExchanged = TRUE;
            }
        }
    } while (fExchanged);
    return TRUE;
}

BOOL DYNAMIC_ARRAY::SetAndSort(int i, const void* pSource)
{
    if (!Set(i, pSource)) return FALSE;
    return Sort();
}

BOOL DYNAMIC_ARRAY::AppendSorted(const void* pSource)
{
    if (!Grow(1)) return FALSE;
    if (!SetAndSort(count - 1, pSource))
    {
        // Nothing was exchanged yet, so the new element is still the last one: take it away again
        // rather than leave an unsorted or half-made element behind.
        Shrink(1);
        return FALSE;
    }
    return TRUE;
}

int NUMBER_ARRAY::Compare(const void* pA, const void* pB) const
{
    DWORD a = *static_cast<const DWORD*>(pA);
    DWORD b = *static_cast<const DWORD*>(pB);
    if (a > b) return 1;
    if (a == b) return 0;
    return -1;
}

BOOL STRING_ARRAY::DestroyElement(void* pElement)
{
    LPSTR* ppsz = static_cast<LPSTR*>(pElement);
    if (*ppsz)
    {
        HGLOBAL h = GlobalHandle(*ppsz);
        GlobalUnlock(h);
        GlobalFree(h);
        *ppsz = nullptr;
    }
    return TRUE;
}

BOOL STRING_ARRAY::ConstructElement(void* pElement, const void* pSource)
{
    LPSTR* ppsz = static_cast<LPSTR*>(pElement);
    LPCSTR pszSource = pSource ? *static_cast<LPCSTR const*>(pSource) : nullptr;
    if (!pszSource)
    {
        *ppsz = nullptr;
        return TRUE;
    }
    size_t cb = strlen(pszSource) + 1;
    HGLOBAL h = GlobalAlloc(c_uArrayFlags, cb);
    if (!h) return FALSE;
    LPSTR psz = static_cast<LPSTR>(GlobalLock(h));
    if (!psz)
    {
        GlobalFree(h);
        return FALSE;
    }
    memcpy(psz, pszSource, cb);
    *ppsz = psz;
    return TRUE;
}

int STRING_ARRAY::Compare(const void* pA, const void* pB) const
{
    return lstrcmpiA(*static_cast<LPCSTR const*>(pA), *static_cast<LPCSTR const*>(pB));
}
