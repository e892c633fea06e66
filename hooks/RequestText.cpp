// Runs on both sides: the recorder writes request texts, the collectors in the target read them (with
// their stack only).
#include "hooks/RequestText.h"

#include <initializer_list>

#include "util/Diag.h"

namespace
{
const UINT c_cchRequestBuffer = 512;
const UINT c_cchFullPath = 260;
} // namespace

RequestAtoms::~RequestAtoms()
{
    for (ATOM atom : {atomRequest, atomSpillover})
    {
        if (!atom) continue;
        SetLastError(0);
        GlobalDeleteAtom(atom);
        if (GetLastError() != 0) DebugOut("Atom deletion failed.");
    }
}

BOOL RequestAtoms::Add(LPCSTR pszNumbers, UINT cchNumbers, UINT cchPathInText, LPCSTR pszPath)
{
    if (atomRequest || static_cast<UINT>(lstrlenA(pszNumbers)) != cchNumbers)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    UINT cchPath = lstrlenA(pszPath);
    if (cchPath >= c_cchFullPath)
    {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    if (cchPath > cchPathInText)
    {
        atomSpillover = GlobalAddAtomA(pszPath + cchPathInText);
        if (!atomSpillover) return FALSE;
        cchPath = cchPathInText;
    }
    char szText[256];
    lstrcpyA(szText, pszNumbers);
    wsprintfA(szText + cchNumbers, "%6u,", static_cast<UINT>(atomSpillover));
    if (static_cast<UINT>(lstrlenA(szText)) != cchNumbers + c_cchSpilloverField)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lstrcpynA(szText + cchNumbers + c_cchSpilloverField, pszPath, cchPath + 1);
    atomRequest = GlobalAddAtomA(szText);
    return atomRequest != 0;
}

LONG NextRequestField(LPSTR pszText, int* pnPos, int nWidth)
{
    LPSTR psz = pszText + *pnPos + 1;
    *pnPos += nWidth + 1;
    pszText[*pnPos] = '\0';
    while (*psz == ' ')
        ++psz;
    BOOL bNegative = FALSE;
    if (*psz == '-' || *psz == '+') bNegative = *psz++ == '-';
    DWORD dwValue = 0;
    for (; *psz >= '0' && *psz <= '9'; ++psz)
        dwValue = dwValue * 10 + static_cast<DWORD>(*psz - '0');
    return static_cast<LONG>(bNegative ? 0u - dwValue : dwValue);
}

BOOL ReadRequestText(ATOM atom, const int* anWidths, UINT cFields, LONG* alValues, LPSTR pszBuffer,
                     const RequestTextNames& names, BOOL bPathOptional)
{
    UINT cchText = GlobalGetAtomNameA(atom, pszBuffer, c_cchRequestBuffer - 2);
    int cchNumbers = 0;
    for (UINT i = 0; i < cFields; ++i)
        cchNumbers += anWidths[i] + 1;
    if (!cchText || cchText < static_cast<UINT>(cchNumbers))
    {
        DebugOut(names.pszNoInput);
        return FALSE;
    }
    int nPos = -1;
    for (UINT i = 0; i < cFields; ++i)
        alValues[i] = NextRequestField(pszBuffer, &nPos, anWidths[i]);

    UINT cchPath = cchText - cchNumbers;
    MoveMemory(pszBuffer, pszBuffer + cchNumbers, cchPath + 1);
    ATOM atomSpillover = static_cast<ATOM>(alValues[cFields - 1]);
    if (atomSpillover)
    {
        char szSpillover[256];
        UINT cchSpillover = GlobalGetAtomNameA(atomSpillover, szSpillover, 255);
        if (!cchSpillover)
        {
            DebugOut(names.pszNoSpillover);
            return FALSE;
        }
        if (cchPath + cchSpillover >= c_cchFullPath)
        {
            DebugOut(names.pszTooLong);
            return FALSE;
        }
        lstrcpyA(pszBuffer + cchPath, szSpillover);
        cchPath += cchSpillover;
    }
    if (cchPath == 0 && bPathOptional) return TRUE;
    if (cchPath < 2)
    {
        DebugOut(names.pszTooLong);
        return FALSE;
    }
    if (pszBuffer[cchPath - 1] != '\\') lstrcpyA(pszBuffer + cchPath, "\\");
    return TRUE;
}
