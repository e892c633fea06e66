#include "util/PathUtil.h"

static const char c_chBackslash = '\\';

static UINT TextLength(LPCSTR psz)
{
    UINT cch = 0;
    while (psz[cch])
        cch++;
    return cch;
}

BOOL AppendWithSeparator(LPCSTR pszTail, char chSeparator, LPSTR pszPath, UINT cchPath)
{
    if (!pszTail || !pszPath) return FALSE;
    if (*pszTail == chSeparator) pszTail++;
    UINT cchOld = TextLength(pszPath);
    UINT cchTail = TextLength(pszTail);
    BOOL fNeedSeparator = cchOld == 0 || pszPath[cchOld - 1] != chSeparator;
    // The terminating zero must fit as well.
    if (cchOld + cchTail + (fNeedSeparator ? 1 : 0) >= cchPath) return FALSE;
    LPSTR pchEnd = pszPath + cchOld;
    if (fNeedSeparator) *pchEnd++ = chSeparator;
    for (UINT i = 0; i <= cchTail; i++)
        pchEnd[i] = pszTail[i];
    return TRUE;
}

BOOL AppendPath(LPCSTR pszTail, LPSTR pszPath, UINT cchPath)
{
    return AppendWithSeparator(pszTail, c_chBackslash, pszPath, cchPath);
}

void StripLastComponent(LPSTR pszPath)
{
    if (!pszPath) return;
    LPSTR pch = pszPath + TextLength(pszPath);
    while (pch > pszPath)
    {
        pch--;
        if (*pch == ':') return; // the drive stays
        bool fBackslash = *pch == c_chBackslash;
        *pch = '\0';
        if (fBackslash) return;
    }
}

LPCSTR FindFileName(LPCSTR pszPath)
{
    if (!pszPath) return nullptr;
    LPCSTR pszAfterSlash = nullptr;
    LPCSTR pszAfterColon = nullptr;
    for (LPCSTR pch = pszPath; *pch; pch++)
    {
        if (*pch == c_chBackslash || *pch == '/')
            pszAfterSlash = pch + 1;
        else if (*pch == ':')
            pszAfterColon = pch + 1;
    }
    if (pszAfterSlash) return pszAfterSlash;
    if (pszAfterColon) return pszAfterColon;
    return pszPath;
}

LPSTR FindFileName(LPSTR pszPath)
{
    return const_cast<LPSTR>(FindFileName(static_cast<LPCSTR>(pszPath)));
}

LPCSTR FindExtension(LPCSTR pszPath)
{
    LPCSTR pszDot = nullptr;
    LPCSTR pch = FindFileName(pszPath);
    if (!pch) return nullptr;
    for (; *pch; pch++)
    {
        if (*pch == '.') pszDot = pch;
    }
    return pszDot;
}

LPSTR FindExtension(LPSTR pszPath)
{
    return const_cast<LPSTR>(FindExtension(static_cast<LPCSTR>(pszPath)));
}

static bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
}

// Value of a digit character in base 16, or 16 when it is not one.
static UINT DigitValue(char ch)
{
    if (ch >= '0' && ch <= '9') return static_cast<UINT>(ch - '0');
    if (ch >= 'a' && ch <= 'f') return static_cast<UINT>(ch - 'a' + 10);
    if (ch >= 'A' && ch <= 'F') return static_cast<UINT>(ch - 'A' + 10);
    return 16;
}

BOOL ParseNumber(LPCSTR pszText, DWORD* pdwValue)
{
    if (!pszText || !*pszText) return FALSE;

    UINT uBase = 0; // fixed by the first digit
    UINT cDigits = 0;
    bool fPlus = false;
    bool fEnded = false; // white space after the digits
    DWORD dwValue = 0;
    for (LPCSTR pch = pszText; *pch; pch++)
    {
        char ch = *pch;
        if (IsBlank(ch))
        {
            if (uBase) fEnded = true;
            continue;
        }
        if (fEnded) return FALSE;
        if (ch == '+')
        {
            if (fPlus || uBase) return FALSE;
            fPlus = true;
            continue;
        }
        if (!uBase)
        {
            if (ch == '0' && (pch[1] == 'x' || pch[1] == 'X'))
            {
                uBase = 16;
                pch++; // the prefix is no digit
                continue;
            }
            uBase = ch == '0' ? 8 : 10;
        }
        UINT uDigit = DigitValue(ch);
        if (uDigit >= uBase) return FALSE;
        if (dwValue > (0xFFFFFFFFu - uDigit) / uBase) return FALSE;
        dwValue = dwValue * uBase + uDigit;
        cDigits++;
    }
    if (cDigits == 0) return FALSE;
    *pdwValue = dwValue;
    return TRUE;
}

// GetPrivateProfileStringA answers size - 1 for a cut value and size - 2 for a cut list of names, so
// only a shorter answer proves the whole result is in the buffer.
static const UINT c_cbProfileStep = 32;
static const UINT c_uProfileFlags = GMEM_MOVEABLE | GMEM_SHARE;

// The answer takes the first buffer, in steps of 32 bytes, that holds it. Each try reads the file again, so
// a long answer (a section of thousands of names, a line of megabytes) is measured in doubling buffers
// first and then read once more into the buffer of its step: a few reads instead of one per step.
LPSTR ReadProfileString(LPCSTR pszSection, LPCSTR pszKey, LPCSTR pszDefault, LPCSTR pszFile)
{
    DWORD cchReserve = pszSection && pszKey ? 1 : 2;
    for (DWORD cb = c_cbProfileStep;;)
    {
        HGLOBAL h = GlobalAlloc(c_uProfileFlags, cb);
        if (!h) return nullptr;
        LPSTR psz = static_cast<LPSTR>(GlobalLock(h));
        if (!psz)
        {
            GlobalFree(h);
            return nullptr;
        }
        DWORD cch = GetPrivateProfileStringA(pszSection, pszKey, pszDefault, psz, cb, pszFile);
        DWORD cbStep = (cch + cchReserve) / c_cbProfileStep * c_cbProfileStep + c_cbProfileStep;
        if (cch < cb - cchReserve && cbStep == cb) return psz;
        GlobalUnlock(h);
        GlobalFree(h);
        if (cch < cb - cchReserve)
            cb = cbStep;
        else if (cb <= 0x40000000)
            cb *= 2;
        else
            return nullptr;
    }
}

void FreeProfileString(LPSTR psz)
{
    if (!psz) return;
    HGLOBAL h = GlobalHandle(psz);
    GlobalUnlock(h);
    GlobalFree(h);
}
