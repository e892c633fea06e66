// The differences between two consecutive states, found on their bytes: elements are matched by their
// start tags, by the key children that identify windows, menus, menu items, tasks and toolbar buttons,
// and by how long a prefix they share.
#include "output/StateCmp.h"

#include <string.h>

#include "host/SimCap.h"
#include "output/Tags.h"
#include "output/TagMap.h"
#include "util/Assert.h"

namespace
{
const char c_szDeltaFile[] = "_CFdeltaCompare_00.xml";
const int c_cbMaxExtent = 1000000;
// A start tag is copied up to this many bytes; a tag text with its attribute stays below the other.
const UINT c_cbTagCopy = 28;
const UINT c_cbTagText = 56;

// Rows of a match table: three words each, after kA, kB and a.
enum : UINT
{
    MT_KA = 0,
    MT_KB = 1,
    MT_A = 2,
    MT_ROWS = 3,
};

DWORD* Row(DWORD* pdwTable, DWORD r)
{
    return pdwTable + MT_ROWS + 3 * r;
}

const DWORD* Row(const DWORD* pdwTable, DWORD r)
{
    return pdwTable + MT_ROWS + 3 * r;
}

// The number of leading bytes in which the two texts agree.
DWORD CommonPrefix(const char* pchA, const char* pchB, DWORD cb)
{
    const DWORD c_cbBlock = 64;
    DWORD ib = 0;
    while (ib + c_cbBlock <= cb && memcmp(pchA + ib, pchB + ib, c_cbBlock) == 0)
        ib += c_cbBlock;
    while (ib < cb && pchA[ib] == pchB[ib])
        ++ib;
    return ib;
}

// Children lists and match tables are freed by whoever made them, on every path.
class MemObj
{
  public:
    explicit MemObj(DWORD* pdwObj) : pdw(pdwObj) {}
    ~MemObj() { TagMap::FreeMemObj(pdw); }
    MemObj(const MemObj&) = delete;
    MemObj& operator=(const MemObj&) = delete;
    DWORD* Get() const { return pdw; }

  private:
    DWORD* pdw;
};
} // namespace

StateCmp::StateCmp(TagMap& tagMapOwner) : tagMap(tagMapOwner), pTags(tagMapOwner.Owner().pTags) {}

StateCmp::~StateCmp()
{
    if (hDelta != HFILE_ERROR) _lclose(hDelta);
}

BOOL StateCmp::IsStopped() const
{
    return tagMap.IsStopped();
}

BOOL StateCmp::SetUpAndCompare(const DWORD* pdwPrevXml, const DWORD* pdwPrevExt, const DWORD* pdwCurXml,
                               const DWORD* pdwCurExt)
{
    if (IsStopped()) return FALSE;
    if (!pdwPrevXml || !pdwPrevExt || !pdwCurXml || !pdwCurExt)
    {
        Assert("ASSERT StateCmp SetUpAndCompare: NULL input paramter.");
        return FALSE;
    }
    prev = {reinterpret_cast<const char*>(pdwPrevXml), TagMap::GetMemObjSize(pdwPrevXml), pdwPrevExt};
    cur = {reinterpret_cast<const char*>(pdwCurXml), TagMap::GetMemObjSize(pdwCurXml), pdwCurExt};
    // Without an outermost element in either state there is nothing to compare.
    if (prev.cb == 0 || cur.cb == 0 || pdwPrevExt[EXT_COUNT] == 0 || pdwCurExt[EXT_COUNT] == 0) return FALSE;

    hDelta = tagMap.CreateTempFile(c_szDeltaFile);
    if (hDelta == HFILE_ERROR) return FALSE;
    cbOut = 0;
    BOOL bOk = CompareAndOutput(0, 0, 0, FALSE) && Flush();
    if (!bOk) Assert("ASSERT StateCmp SetUpAndCompare: failed node comparison.");
    _lclose(hDelta);
    hDelta = HFILE_ERROR;
    return bOk;
}

int StateCmp::GetCompareExtent(const DWORD* pdwExt, DWORD k, DWORD* pdwStart, DWORD* pdwEnd)
{
    *pdwStart = *pdwEnd = 0;
    if (!pdwExt || k >= pdwExt[EXT_COUNT]) return 0;
    *pdwStart = pdwExt[EXT_FIRST + 2 * k];
    *pdwEnd = pdwExt[EXT_FIRST + 2 * k + 1];
    long nLength = static_cast<long>(*pdwEnd - *pdwStart);
    if (*pdwEnd < *pdwStart || nLength > c_cbMaxExtent)
    {
        AssertF("ASSERT StateCmp GetCompareExtent: Total chars = %d", static_cast<int>(nLength));
        return 0;
    }
    return static_cast<int>(nLength);
}

// An extent that lies inside its state's text; the index may come from a damaged .tmf.
static BOOL Bounds(const DWORD* pdwExt, DWORD cbText, DWORD k, DWORD* pdwStart, DWORD* pdwEnd)
{
    if (!pdwExt || k >= pdwExt[EXT_COUNT]) return FALSE;
    *pdwStart = pdwExt[EXT_FIRST + 2 * k];
    *pdwEnd = pdwExt[EXT_FIRST + 2 * k + 1];
    return *pdwStart < *pdwEnd && *pdwEnd <= cbText;
}

BOOL StateCmp::ElementName(const State& state, DWORD k, char* pszName, UINT cchName) const
{
    pszName[0] = '\0';
    DWORD ibStart, ibEnd;
    if (!Bounds(state.pdwExt, state.cb, k, &ibStart, &ibEnd)) return FALSE;
    UINT cch = 0;
    for (DWORD ib = ibStart + 1; ib < ibEnd && cch + 1 < cchName; ++ib, ++cch)
    {
        char ch = state.pch[ib];
        if (ch == '>' || ch == ' ' || ch == '/' || ch == '\t' || ch == '\n' || ch == '\r') break;
        pszName[cch] = ch;
    }
    pszName[cch] = '\0';
    return cch > 0;
}

int StateCmp::CompareElements(DWORD a, DWORD b, int* pnScore) const
{
    *pnScore = -1;
    DWORD ibA, ibEndA, ibB, ibEndB;
    int cbA = GetCompareExtent(prev.pdwExt, a, &ibA, &ibEndA);
    int cbB = GetCompareExtent(cur.pdwExt, b, &ibB, &ibEndB);
    if (!Bounds(prev.pdwExt, prev.cb, a, &ibA, &ibEndA)) cbA = 0;
    if (!Bounds(cur.pdwExt, cur.cb, b, &ibB, &ibEndB)) cbB = 0;
    int n = cbA < cbB ? cbA : cbB;
    if (n < 1) return 0;

    const char* pchA = prev.pch + ibA;
    DWORD k = CommonPrefix(pchA, cur.pch + ibB, static_cast<DWORD>(n));
    *pnScore = static_cast<int>(k);
    if (k == static_cast<DWORD>(n)) return cbA == cbB ? 3 : 0;

    // The whole start tag must agree: a different name or attribute is never a match.
    if (!memchr(pchA, '>', k))
    {
        *pnScore = -1;
        return 0;
    }
    char szName[64];
    ElementName(prev, a, szName, sizeof(szName));
    KeyAttrList keys = pTags ? pTags->FindKeyAttrList(szName) : KeyAttrList();
    if (!keys || keys.Count() == 0) return 2;

    // With key children, they must all lie in the agreeing bytes: the last one's end tag does. The
    // reference length counts up to the end of that end tag, so the search starts one tag earlier; short
    // values at a shallow depth (a toolbar button's "Index") would otherwise never match.
    int nRef = keys.RefLength();
    char szClose[64];
    wsprintfA(szClose, "</%.40s>", Tags::TagTxt(keys.KeyTag(keys.Count() - 1)));
    DWORD cchClose = static_cast<DWORD>(strlen(szClose));
    if (nRef >= 0 && k > static_cast<DWORD>(nRef))
    {
        DWORD ibFrom = static_cast<DWORD>(nRef) > cchClose ? static_cast<DWORD>(nRef) - cchClose : 0;
        for (DWORD ib = ibFrom; ib + cchClose <= k; ++ib)
            if (pchA[ib] == '<' && memcmp(pchA + ib, szClose, cchClose) == 0) return 2;
    }
    *pnScore = -1;
    return 0;
}

// Word 0 the count, then the extent numbers of k's direct children in order.
DWORD* StateCmp::DirectChildren(const State& state, DWORD k)
{
    DWORD ibStart = 0, ibEnd = 0;
    BOOL bValid = Bounds(state.pdwExt, state.cb, k, &ibStart, &ibEnd);
    DWORD cExtents = state.pdwExt ? state.pdwExt[EXT_COUNT] : 0;
    DWORD cChildren = 0;
    for (int nPass = 0; nPass < 2; ++nPass)
    {
        DWORD* pdwList = nullptr;
        if (nPass == 1)
        {
            pdwList = tagMap.AllocMemObj(cChildren + 1);
            if (!pdwList) return nullptr;
        }
        DWORD cTaken = 0;
        DWORD ibLastEnd = 0;
        for (DWORD j = k + 1; bValid && j < cExtents; ++j)
        {
            DWORD ibChild, ibChildEnd;
            if (!Bounds(state.pdwExt, state.cb, j, &ibChild, &ibChildEnd) || ibChildEnd > ibEnd) break;
            if (cTaken > 0 && ibChild < ibLastEnd) continue;
            if (pdwList) pdwList[1 + cTaken] = j;
            ++cTaken;
            ibLastEnd = ibChildEnd;
        }
        if (pdwList)
        {
            pdwList[0] = cTaken;
            return pdwList;
        }
        cChildren = cTaken;
    }
    return nullptr;
}

DWORD* StateCmp::CompareNodeElements(DWORD a, DWORD b)
{
    if (IsStopped()) return nullptr;
    MemObj childrenA(DirectChildren(prev, a));
    MemObj childrenB(DirectChildren(cur, b));
    if (!childrenA.Get() || !childrenB.Get()) return nullptr;
    const DWORD kA = childrenA.Get()[0];
    const DWORD kB = childrenB.Get()[0];
    DWORD* pdwTable = tagMap.AllocMemObj(MT_ROWS + 3 * (kA + kB + 1));
    if (!pdwTable) return nullptr;
    pdwTable[MT_KA] = kA;
    pdwTable[MT_KB] = kB;
    pdwTable[MT_A] = a;
    for (DWORD i = 0; i < kA; ++i)
        Row(pdwTable, i)[0] = childrenA.Get()[1 + i];
    for (DWORD j = 0; j < kB; ++j)
        Row(pdwTable, kA + j)[1] = childrenB.Get()[1 + j];
    Row(pdwTable, kA + kB)[1] = b;

    for (DWORD i = 0; i < kA; ++i)
    {
        DWORD* pdwRowA = Row(pdwTable, i);
        if (kB == 0)
        {
            pdwRowA[2] = MATCH_DELETED;
            continue;
        }
        int nBest = -1, nBestScore = -1, cBestSet = 0, nSameScore = -1;
        BOOL bSame = FALSE;
        for (DWORD j = 0; j < kB && pdwRowA[2] != MATCH_SAME; ++j)
        {
            DWORD* pdwRowB = Row(pdwTable, kA + j);
            if (pdwRowB[1] == 0) continue;
            int nScore;
            int nResult = CompareElements(pdwRowA[0], pdwRowB[1], &nScore);
            if (nResult == 3)
            {
                pdwRowA[1] = pdwRowB[1];
                pdwRowA[2] = MATCH_SAME;
                pdwRowB[0] = i;
                pdwRowB[1] = 0;
            }
            else if (nResult == 2)
            {
                if (nScore > nBestScore)
                {
                    nBest = static_cast<int>(j);
                    nBestScore = nScore;
                    ++cBestSet;
                }
                if (j == i)
                {
                    bSame = TRUE;
                    nSameScore = nScore;
                }
            }
        }
        if (pdwRowA[2] == MATCH_SAME) continue;
        if (nBest < 0)
        {
            pdwRowA[2] = MATCH_DELETED;
            continue;
        }
        // The candidate at the same position is preferred unless it agrees clearly less. With none there,
        // the best one is taken: a child must never drop out of the delta.
        DWORD jTake = static_cast<DWORD>(nBest);
        if (cBestSet > 1 && bSame && nSameScore + 2 >= nBestScore) jTake = i;
        DWORD* pdwRowB = Row(pdwTable, kA + jTake);
        pdwRowA[1] = pdwRowB[1];
        pdwRowA[2] = MATCH_MODIFIED;
        pdwRowB[0] = i;
        pdwRowB[1] = 0;
    }
    for (DWORD j = 0; j < kB; ++j)
        if (Row(pdwTable, kA + j)[1] != 0) Row(pdwTable, kA + j)[2] = MATCH_NEW;
    return pdwTable;
}

BOOL StateCmp::CompareAndOutput(DWORD a, DWORD b, int nIndent, BOOL bModified)
{
    MemObj table(CompareNodeElements(a, b));
    if (!table.Get()) return FALSE;
    return OutputDeltaData(table.Get(), nIndent + 1, bModified);
}

BOOL StateCmp::BuildStateAttr(LPSTR pszBuffer, UINT cchBuffer, LPCSTR pszValue)
{
    if (!pszBuffer || cchBuffer == 0) return FALSE;
    pszBuffer[0] = '\0';
    LPCSTR pszName = Tags::AttrTxt(ATTR_STATE);
    if (!pszValue || strlen(pszName) + strlen(pszValue) + 3 >= cchBuffer)
    {
        Assert("ASSERT StateCmp BuildStateAttr: attribute exceeds buffer size.");
        return FALSE;
    }
    wsprintfA(pszBuffer, " %s=\"%s\"", pszName, pszValue);
    return TRUE;
}

BOOL StateCmp::OutputDeltaData(const DWORD* pdwTable, int nIndent, BOOL bModified)
{
    if (IsStopped() || !pdwTable) return FALSE;
    const DWORD kA = pdwTable[MT_KA];
    const DWORD kB = pdwTable[MT_KB];
    const DWORD a = pdwTable[MT_A];
    char szModified[c_cbTagText] = "";
    if (bModified) BuildStateAttr(szModified, sizeof(szModified), Tags::AttrTxt(ATTR_MODIFIED));

    char szName[64];
    ElementName(prev, a, szName, sizeof(szName));
    KeyAttrList keys = pTags ? pTags->FindKeyAttrList(szName) : KeyAttrList();
    if (keys)
    {
        if (!OutputRefTag(FALSE, a, TRUE, szModified, nIndent, TRUE) ||
            !OutputKeyChildren(FALSE, a, nIndent + 1))
            return FALSE;
    }
    else if (bModified && kA == 0 && Tags::IsValueName(szName))
    {
        // A modified simple value: one line with the current value.
        DWORD b = Row(pdwTable, kA + kB)[1];
        DWORD ibStart, ibEnd;
        if (!Bounds(cur.pdwExt, cur.cb, b, &ibStart, &ibEnd)) return FALSE;
        const char* pch = cur.pch + ibStart;
        DWORD cb = ibEnd - ibStart;
        const char* pchGt = static_cast<const char*>(memchr(pch, '>', cb));
        DWORD ibLt = cb;
        while (ibLt > 0 && pch[ibLt - 1] != '<')
            --ibLt;
        DWORD ibValue = pchGt ? static_cast<DWORD>(pchGt - pch) + 1 : cb;
        DWORD cbValue = ibLt > ibValue ? ibLt - 1 - ibValue : 0;
        return OutputRefTag(FALSE, a, TRUE, szModified, nIndent, FALSE) && Write(pch + ibValue, cbValue) &&
               OutputRefTag(FALSE, a, FALSE, nullptr, 0, TRUE);
    }
    else if (!OutputRefTag(FALSE, a, TRUE, szModified, nIndent, TRUE))
        return FALSE;

    for (DWORD i = 0; i < kA; ++i)
    {
        const DWORD* pdwRow = Row(pdwTable, i);
        switch (pdwRow[2])
        {
        case MATCH_DELETED: {
            char szDeleted[c_cbTagText];
            BuildStateAttr(szDeleted, sizeof(szDeleted), Tags::AttrTxt(ATTR_DELETED));
            char szChild[64];
            ElementName(prev, pdwRow[0], szChild, sizeof(szChild));
            BOOL bKeyed = pTags && pTags->FindKeyAttrList(szChild);
            if (!OutputRefTag(FALSE, pdwRow[0], TRUE, szDeleted, nIndent + 1, bKeyed)) return FALSE;
            if (bKeyed && !OutputKeyChildren(FALSE, pdwRow[0], nIndent + 2)) return FALSE;
            if (!OutputRefTag(FALSE, pdwRow[0], FALSE, nullptr, nIndent + 1, TRUE)) return FALSE;
            break;
        }
        case MATCH_MODIFIED:
            if (!CompareAndOutput(pdwRow[0], pdwRow[1], nIndent, TRUE)) return FALSE;
            break;
        case MATCH_SAME: break;
        default: {
            char szTagA[64], szChild[64];
            ElementName(prev, a, szTagA, sizeof(szTagA));
            ElementName(prev, pdwRow[0], szChild, sizeof(szChild));
            AssertF("ASSERT StateCmp OutputDeltaData: Shouldn't get here - status=%d\r\n   tag=%s element=%d "
                    "-> %s.",
                    static_cast<int>(pdwRow[2]), szTagA, static_cast<int>(i), szChild);
            break;
        }
        }
    }
    for (DWORD j = 0; j < kB; ++j)
    {
        const DWORD* pdwRow = Row(pdwTable, kA + j);
        if (pdwRow[2] == MATCH_NEW && !OutputNew(pdwRow[1], nIndent + 1)) return FALSE;
    }
    return OutputRefTag(FALSE, a, FALSE, nullptr, nIndent, TRUE) != 0;
}

// A new element whole: its start tag marked New, its content as the current state has it.
BOOL StateCmp::OutputNew(DWORD k, int nIndent)
{
    char szNew[c_cbTagText];
    BuildStateAttr(szNew, sizeof(szNew), Tags::AttrTxt(ATTR_NEW));
    DWORD ibStart, ibEnd;
    if (!Bounds(cur.pdwExt, cur.cb, k, &ibStart, &ibEnd)) return FALSE;
    const char* pch = cur.pch + ibStart;
    DWORD cb = ibEnd - ibStart;
    const char* pchGt = static_cast<const char*>(memchr(pch, '>', cb));
    DWORD ibContent = pchGt ? static_cast<DWORD>(pchGt - pch) + 1 : cb;
    if (ibContent < cb && pch[ibContent] == '\n') ++ibContent;
    DWORD ibLt = cb;
    while (ibLt > 0 && pch[ibLt - 1] != '<')
        --ibLt;
    DWORD ibContentEnd = ibLt > 0 ? ibLt - 1 : 0;
    while (ibContentEnd > ibContent && (pch[ibContentEnd - 1] == '\t' || pch[ibContentEnd - 1] == '\n'))
        --ibContentEnd;
    DWORD cbContent = ibContentEnd > ibContent ? ibContentEnd - ibContent : 0;
    return OutputRefTag(TRUE, k, TRUE, szNew, nIndent, TRUE) && Write(pch + ibContent, cbContent) &&
           Write("\n", 1) && OutputRefTag(TRUE, k, FALSE, nullptr, nIndent, TRUE);
}

BOOL StateCmp::OutputKeyChildren(BOOL bCurrent, DWORD k, int nIndent)
{
    const State& state = bCurrent ? cur : prev;
    MemObj children(DirectChildren(state, k));
    if (!children.Get()) return FALSE;
    const DWORD* pdwChildren = children.Get();
    if (pdwChildren[0] == 0) return TRUE;
    char szName[64];
    ElementName(state, k, szName, sizeof(szName));
    KeyAttrList keys = pTags ? pTags->FindKeyAttrList(szName) : KeyAttrList();
    if (!keys) return TRUE;
    for (UINT iKey = 0; iKey < keys.Count(); ++iKey)
    {
        LPCSTR pszKey = Tags::TagTxt(keys.KeyTag(iKey));
        size_t cchKey = strlen(pszKey);
        BOOL bWritten = FALSE;
        for (DWORD c = 1; c <= pdwChildren[0] && !bWritten; ++c)
        {
            DWORD ibStart, ibEnd;
            if (!Bounds(state.pdwExt, state.cb, pdwChildren[c], &ibStart, &ibEnd)) continue;
            if (ibEnd - ibStart <= cchKey || memcmp(state.pch + ibStart + 1, pszKey, cchKey) != 0) continue;
            if (!WriteIndent(nIndent) || !Write(state.pch + ibStart, ibEnd - ibStart) || !Write("\n", 1))
                return FALSE;
            bWritten = TRUE;
        }
        if (!bWritten) return FALSE;
    }
    return TRUE;
}

int StateCmp::OutputRefTag(BOOL bCurrent, DWORD k, BOOL bStart, LPCSTR pszAttr, int nIndent, BOOL bNewline)
{
    const State& state = bCurrent ? cur : prev;
    DWORD ibStart, ibEnd;
    if (!Bounds(state.pdwExt, state.cb, k, &ibStart, &ibEnd)) return 0;
    char szCopy[c_cbTagCopy + 1];
    UINT cchCopy = 0;
    BOOL bClosed = FALSE;
    for (DWORD ib = ibStart + 1; ib < ibEnd && cchCopy < c_cbTagCopy && !bClosed; ++ib)
    {
        szCopy[cchCopy++] = state.pch[ib];
        bClosed = state.pch[ib] == '>';
    }
    szCopy[cchCopy] = '\0';

    // The state's own element is written as the root of the delta.
    const char c_szState[] = "GetStateEvent";
    const UINT cchState = sizeof(c_szState) - 1;
    char szText[c_cbTagText * 2];
    lstrcpyA(szText, bStart ? "<" : "</");
    if (cchCopy >= cchState && memcmp(szCopy, c_szState, cchState) == 0)
    {
        lstrcatA(szText, Tags::TagTxt(TAG_EVENTSTATECHANGES));
        lstrcatA(szText, szCopy + cchState);
    }
    else
        lstrcatA(szText, szCopy);

    UINT cchText = static_cast<UINT>(strlen(szText));
    if (bStart && pszAttr && *pszAttr && bClosed)
    {
        UINT cchAttr = static_cast<UINT>(strlen(pszAttr));
        if (cchAttr + cchText + 1 < c_cbTagText)
        {
            memcpy(szText + cchText - 1, pszAttr, cchAttr);
            szText[cchText - 1 + cchAttr] = '>';
            cchText += cchAttr;
            szText[cchText] = '\0';
        }
        else
            Assert("ASSERT StateCmp OutputRefTag: attribute failure.");
    }
    if (cchText > c_cbTagText) Assert("ASSERT StateCmp OutputRefTag: too many bytes in the tag.");
    if (!WriteIndent(nIndent) || !Write(szText, cchText) || (bNewline && !Write("\n", 1))) return 0;
    return static_cast<int>(cchText);
}

BOOL StateCmp::WriteIndent(int nIndent)
{
    for (int i = 0; i < nIndent; ++i)
        if (!Write("\t", 1)) return FALSE;
    return TRUE;
}

BOOL StateCmp::Write(const char* pch, UINT cb)
{
    if (hDelta == HFILE_ERROR) return FALSE;
    if (cbOut + cb > sizeof(achOut))
    {
        if (!Flush()) return FALSE;
        if (cb > sizeof(achOut)) return _lwrite(hDelta, pch, cb) == cb;
    }
    memcpy(achOut + cbOut, pch, cb);
    cbOut += cb;
    return TRUE;
}

BOOL StateCmp::Flush()
{
    UINT cb = cbOut;
    cbOut = 0;
    return cb == 0 || (hDelta != HFILE_ERROR && _lwrite(hDelta, achOut, cb) == cb);
}
