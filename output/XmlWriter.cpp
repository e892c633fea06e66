// output/XmlWriter.cpp — the recorder's writer operations: every capture file is built from these
// pieces, escaped text in UTF-8, one simple element per line. The pieces are collected in the recorder's
// output buffer across operations and reach the file when it fills and whenever FlushOutput is called;
// FlushOutput is the one place that empties it for others, and whoever seeks, reads the position of,
// switches or closes hCaptureFile calls it first.
#include <string.h>

#include "host/SimCap.h"
#include "output/TagMap.h"
#include "output/WriteFault.h"
#include "util/Diag.h"

namespace
{
// A debug text assembled in 521 characters: a piece that would make it 521 or longer is left out.
class DebugText
{
  public:
    void Add(LPCSTR psz)
    {
        size_t cch = psz ? strlen(psz) : 0;
        if (cchText + cch >= sizeof(szText)) return;
        memcpy(szText + cchText, psz, cch);
        cchText += cch;
        szText[cchText] = '\0';
    }
    LPCSTR Get() const { return szText; }

  private:
    char szText[521] = {};
    size_t cchText = 0;
};

// The system's text for an error code, freed with the object.
class SystemText
{
  public:
    explicit SystemText(DWORD dwError)
    {
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, dwError, LANG_USER_DEFAULT, reinterpret_cast<LPSTR>(&psz), 0, nullptr);
    }
    ~SystemText()
    {
        if (psz) LocalFree(psz);
    }
    SystemText(const SystemText&) = delete;
    SystemText& operator=(const SystemText&) = delete;
    LPCSTR Get() const { return psz ? psz : ""; }

  private:
    LPSTR psz = nullptr;
};

struct SimpleLineTexts
{
    LPCSTR pszNotOpen;
    LPCSTR pszSeeking;
    LPCSTR pszWriting;
};
const SimpleLineTexts c_simpleTagTexts = {"SIMCAP::WriteSimpleTag(): Error '",
                                          "SIMCAP::WriteSimpleTag(): Error seeking '",
                                          "SIMCAP::WriteSimpleTag(): Error writing '"};
const SimpleLineTexts c_simpleXmlTexts = {"SIMCAP::WriteSimpleXML(): Error '",
                                          "SIMCAP::WriteSimpleXML(): Error seeking '",
                                          "SIMCAP::WriteSimpleXML(): Error writing '"};

// Three debug texts: the lead with the path, the system's text, a line feed.
void ReportFileError(LPCSTR pszLead, LPCSTR pszPath, DWORD dwError)
{
    SystemText system(dwError);
    DebugText text;
    text.Add(pszLead);
    text.Add(pszPath);
    text.Add("' - ");
    DebugOut(text.Get());
    DebugOut(system.Get());
    DebugOut("\n");
}

LPCSTR Entity(char ch)
{
    switch (ch)
    {
    case '\t': return "&#x9;";
    case '#': return "&#x23;";
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    }
    return nullptr;
}

// Printable ASCII other than the markup characters, and the line ends: every ANSI code page and UTF-8
// agree on them, so runs of them are copied as they stand. A table, as every byte of every text is looked
// up here.
struct PlainTable
{
    BYTE ab[256];
    constexpr PlainTable() : ab()
    {
        for (int b = 0x20; b < 0x80; ++b)
            ab[b] = b != '#' && b != '&' && b != '<' && b != '>';
        ab[static_cast<int>('\n')] = ab[static_cast<int>('\r')] = 1;
    }
};
constexpr PlainTable c_plain;

inline BOOL IsPlain(char ch)
{
    return c_plain.ab[static_cast<BYTE>(ch)];
}

// Decimal digits of a 32-bit value, written backwards from the end of a 12-byte buffer; answers the start.
char* FormatDecimal(DWORD dwMagnitude, BOOL bNegative, char* pchEnd)
{
    char* pch = pchEnd;
    *--pch = '\0';
    do
    {
        *--pch = static_cast<char>('0' + dwMagnitude % 10);
        dwMagnitude /= 10;
    } while (dwMagnitude);
    if (bNegative) *--pch = '-';
    return pch;
}

char* FormatInt(int nValue, char (&sz)[12])
{
    // The magnitude is taken unsigned, so INT_MIN has one too.
    DWORD dwMagnitude = nValue < 0 ? 0u - static_cast<DWORD>(nValue) : static_cast<DWORD>(nValue);
    return FormatDecimal(dwMagnitude, nValue < 0, sz + sizeof(sz));
}

// Converts one ANSI character (one byte, or a lead byte and its trail) to UTF-8; 0 when it cannot be.
int AnsiToUtf8(LPCSTR pszSource, int cchSource, char (&ach)[8])
{
    WCHAR awch[8];
    int cwch = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, pszSource, cchSource, awch, 8);
    if (cwch == 0) return 0;
    return WideCharToMultiByte(CP_UTF8, 0, awch, cwch, ach, sizeof(ach), nullptr, nullptr);
}
} // namespace

BOOL SIMCAP::DrainOutput()
{
    if (cbOutput == 0) return !bOutputFailed;
    UINT cb = cbOutput;
    cbOutput = 0;
    if (hCaptureFile == HFILE_ERROR || WriteCaptureBytes(hCaptureFile, achOutput, cb) != cb)
        bOutputFailed = TRUE;
    return !bOutputFailed;
}

BOOL SIMCAP::FlushOutput()
{
    BOOL bOk = DrainOutput();
    // Whoever flushes may seek, switch or close the file next: its end is looked up again, and a failure
    // is told once, here.
    hEndKnown = HFILE_ERROR;
    bOutputFailed = FALSE;
    return bOk;
}

// Most pieces are a few bytes and fit: that path stays small enough to be inlined into every operation.
inline BOOL SIMCAP::WritePiece(const char* pch, UINT cb)
{
    if (cb > sizeof(achOutput) - cbOutput || hCaptureFile == HFILE_ERROR || bOutputFailed)
        return WriteLargePiece(pch, cb);
    char* pchTo = achOutput + cbOutput;
    cbOutput += cb;
    if (cb <= 16)
        while (cb--)
            *pchTo++ = *pch++;
    else
        memcpy(pchTo, pch, cb);
    return TRUE;
}

BOOL SIMCAP::WriteLargePiece(const char* pch, UINT cb)
{
    if (hCaptureFile == HFILE_ERROR || bOutputFailed) return FALSE;
    if (cb > sizeof(achOutput) - cbOutput && !DrainOutput()) return FALSE;
    if (cb > sizeof(achOutput))
    {
        if (WriteCaptureBytes(hCaptureFile, pch, cb) != cb) bOutputFailed = TRUE;
        return !bOutputFailed;
    }
    memcpy(achOutput + cbOutput, pch, cb);
    cbOutput += cb;
    return TRUE;
}

// The map reads the file's end, or switches the file: the collected bytes go first. The writer never uses
// a tell's answer, so a failed drain stays pending and fails the element at its next piece.
BOOL SIMCAP::DrainForTagMap()
{
    BOOL bOk = DrainOutput();
    hEndKnown = HFILE_ERROR;
    return bOk;
}

// The tag map records where each tag stands. A recorder without a map (a failed start) tells nobody.
BOOL SIMCAP::TellTagMapTag(LPCSTR pszName, int nKind)
{
    if (!pTagMap || !DrainForTagMap()) return FALSE;
    return pTagMap->RegisterTag(hCaptureFile, pszName, nKind);
}

// The map switches the current output file at an Events mark.
BOOL SIMCAP::TellTagMapEvents(LPCSTR pszTag, int nKind)
{
    if (!pTagMap || !DrainForTagMap()) return FALSE;
    return pTagMap->RegisterEventsTag(hCaptureFile, pszTag, nKind);
}

BOOL SIMCAP::WriteIndent(int nCount)
{
    static const char c_achTabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    const int c_cchTabs = sizeof(c_achTabs) - 1;
    if (nCount <= 0) return TRUE;
    if (nCount <= c_cchTabs) return WritePiece(c_achTabs, static_cast<UINT>(nCount));
    for (; nCount > 0; nCount -= c_cchTabs)
        if (!WritePiece(c_achTabs, static_cast<UINT>(nCount < c_cchTabs ? nCount : c_cchTabs))) return FALSE;
    return TRUE;
}

BOOL SIMCAP::WriteEscapedChar(LPCSTR pch)
{
    if (!pch) return FALSE;
    if (IsPlain(pch[0])) return WritePiece(pch, 1);
    if (LPCSTR pszEntity = Entity(pch[0])) return WritePiece(pszEntity, static_cast<UINT>(strlen(pszEntity)));
    BYTE b = static_cast<BYTE>(pch[0]);
    // Control characters are dropped; line feeds and carriage returns were plain.
    if (b < 0x20) return TRUE;

    // A trail byte is taken only when there is one, as CharNextA steps. A single byte converts the same way
    // every time, so its UTF-8 form is kept: texts of a non-ASCII code page repeat the same few bytes.
    BOOL bDoubleByte = IsDBCSLeadByte(b) && pch[1];
    char ach[8];
    int cb = 0;
    if (!bDoubleByte && aUtf8Of[b - 0x80].cb)
    {
        cb = aUtf8Of[b - 0x80].cb;
        memcpy(ach, aUtf8Of[b - 0x80].ach, sizeof(aUtf8Of[0].ach));
    }
    else
    {
        cb = AnsiToUtf8(pch, bDoubleByte ? 2 : 1, ach);
        if (cb == 0) return FALSE;
        if (!bDoubleByte && cb <= static_cast<int>(sizeof(aUtf8Of[0].ach)))
        {
            memcpy(aUtf8Of[b - 0x80].ach, ach, sizeof(aUtf8Of[0].ach));
            aUtf8Of[b - 0x80].cb = static_cast<BYTE>(cb);
        }
    }
    if (cb == 1 && static_cast<BYTE>(ach[0]) < 0x20 && ach[0] != '\t' && ach[0] != '\n' && ach[0] != '\r')
        return TRUE;
    return WritePiece(ach, static_cast<UINT>(cb));
}

BOOL SIMCAP::WriteEscaped(LPCSTR psz)
{
    if (!psz) return TRUE;
    LPCSTR pch = psz;
    while (*pch)
    {
        UINT nStatus = nWrThreadStatus;
        if (nStatus == TS_FAILED || nStatus == TS_EXIT || hCaptureFile == HFILE_ERROR || bOutputFailed)
            return FALSE;
        // Plain characters are copied straight into the collection, as far as it has room; CharNextA
        // would step over each of them by one byte.
        UINT ib = cbOutput;
        for (char ch; ib < sizeof(achOutput) && IsPlain(ch = *pch); ++pch)
            achOutput[ib++] = ch;
        cbOutput = ib;
        if (!*pch) break;
        if (ib == sizeof(achOutput))
        {
            if (!DrainOutput()) return FALSE;
            continue;
        }
        // Markup and control characters are ASCII, never part of a double-byte character.
        if (static_cast<BYTE>(*pch) < 0x80)
        {
            if (!WriteEscapedChar(pch)) return FALSE;
            ++pch;
            continue;
        }
        if (!WriteEscapedChar(pch)) return FALSE;
        pch = CharNextA(pch);
    }
    return TRUE;
}

BOOL SIMCAP::WriteRaw(LPCSTR psz)
{
    if (!psz) return TRUE;
    return WritePiece(psz, static_cast<UINT>(strlen(psz)));
}

BOOL SIMCAP::WriteComment(LPCSTR psz)
{
    return WriteLiteral("<!-- ") && WriteEscaped(psz) && WriteLiteral(" -->");
}

// Nothing when the attribute is not given.
BOOL SIMCAP::WriteAttribute(LPCSTR pszName, LPCSTR pszValue)
{
    if (!pszName) return TRUE;
    return WriteEscaped(" ") && WriteEscaped(pszName) && WriteEscaped("=\"") && WriteEscaped(pszValue) &&
           WriteEscaped("\"");
}

BOOL SIMCAP::WriteStartTag(LPCSTR pszName, LPCSTR pszIntAttrName, int nIntAttrValue, LPCSTR pszStrAttrName,
                           LPCSTR pszStrAttrValue)
{
    char szInt[12];
    LPCSTR pszInt = pszIntAttrName ? FormatInt(nIntAttrValue, szInt) : nullptr;
    // Told before the first byte, so the position is that of the "<".
    TellTagMapTag(pszName, 1);
    return WriteLiteral("<") && WriteEscaped(pszName) && WriteAttribute(pszIntAttrName, pszInt) &&
           WriteAttribute(pszStrAttrName, pszStrAttrValue) && WriteLiteral(">");
}

BOOL SIMCAP::WriteEndTag(LPCSTR pszName)
{
    if (!WriteLiteral("</") || !WriteEscaped(pszName) || !WriteLiteral(">")) return FALSE;
    // Told after the ">", so the position is just past the tag.
    TellTagMapTag(pszName, 2);
    return TRUE;
}

BOOL SIMCAP::WriteSimpleLine(BOOL bRawXml, int nIndent, LPCSTR pszName, LPCSTR pszText, LPCSTR pszComment)
{
    const SimpleLineTexts& texts = bRawXml ? c_simpleXmlTexts : c_simpleTagTexts;
    if (hCaptureFile == HFILE_ERROR)
    {
        DebugText text;
        text.Add(texts.pszNotOpen);
        text.Add(ofCapture.szPathName);
        text.Add("' isn't open\n");
        DebugOut(text.Get());
        return FALSE;
    }

    // A simple element goes at the file's end. The writer only ever appends, so the end found once stays
    // the position until someone flushes (and may then seek or switch files).
    if (hEndKnown != hCaptureFile)
    {
        if (!DrainOutput())
        {
            ReportFileError(texts.pszWriting, ofCapture.szPathName, GetLastError());
            return FALSE;
        }
        if (_llseek(hCaptureFile, 0, FILE_END) == HFILE_ERROR)
        {
            ReportFileError(texts.pszSeeking, ofCapture.szPathName, GetLastError());
            return FALSE;
        }
        hEndKnown = hCaptureFile;
    }

    BOOL bOk = WriteIndent(nIndent) && WriteStartTag(pszName, nullptr, 0, nullptr, nullptr);
    if (bOk) bOk = bRawXml ? (WriteLiteral("\n") && WriteRaw(pszText)) : WriteEscaped(pszText);
    bOk = bOk && WriteEndTag(pszName);
    if (bOk && pszComment) bOk = WriteIndent(1) && WriteComment(pszComment);
    bOk = bOk && WriteLiteral("\n");
    if (!bOk)
    {
        DWORD dwError = GetLastError();
        DrainOutput(); // the partial line stays in the file
        ReportFileError(texts.pszWriting, ofCapture.szPathName, dwError);
    }
    return bOk;
}

BOOL SIMCAP::WriteSimpleTag(int nIndent, LPCSTR pszName, LPCSTR pszValue, LPCSTR pszComment)
{
    return WriteSimpleLine(FALSE, nIndent, pszName, pszValue, pszComment);
}

BOOL SIMCAP::WriteSimpleTagInt(int nIndent, LPCSTR pszName, int nValue, LPCSTR pszComment)
{
    char sz[12];
    return WriteSimpleTag(nIndent, pszName, FormatInt(nValue, sz), pszComment);
}

BOOL SIMCAP::WriteSimpleTagUInt(int nIndent, LPCSTR pszName, DWORD dwValue, LPCSTR pszComment)
{
    char sz[12];
    return WriteSimpleTag(nIndent, pszName, FormatDecimal(dwValue, FALSE, sz + sizeof(sz)), pszComment);
}

BOOL SIMCAP::WriteSimpleXML(int nIndent, LPCSTR pszName, LPCSTR pszXml, LPCSTR pszComment)
{
    return WriteSimpleLine(TRUE, nIndent, pszName, pszXml, pszComment);
}

BOOL SIMCAP::WriteEventsMark(LPCSTR pszTag, int nKind)
{
    return TellTagMapEvents(pszTag, nKind);
}
