// output/XmlWriter.cpp — the recorder's writer operations: every capture file is built from these
// pieces, escaped text in UTF-8, one simple element per line.
#include <string.h>

#include "host/SimCap.h"
#include "output/TagMap.h"
#include "output/WriteFault.h"
#include "util/Diag.h"

// Groups the pieces of one writer operation. The outermost group hands them to the file when it ends, so
// the file is complete between operations (whoever reads, seeks, switches or closes it needs no flush)
// while a character costs no system call of its own: measured under Wine, 100k simple elements took
// 3.6 s with one _lwrite per piece and 0.6 s batched per operation.
class OutputBatch
{
  public:
    explicit OutputBatch(SIMCAP& simcapOwner) : simcap(simcapOwner) { simcap.nOutputNesting++; }
    ~OutputBatch()
    {
        if (!bEnded) End(FALSE);
    }
    OutputBatch(const OutputBatch&) = delete;
    OutputBatch& operator=(const OutputBatch&) = delete;

    // Answers bOk, or FALSE when the collected bytes could not be written.
    BOOL End(BOOL bOk)
    {
        bEnded = TRUE;
        if (--simcap.nOutputNesting == 0 && !simcap.FlushOutput()) return FALSE;
        return bOk;
    }

  private:
    SIMCAP& simcap;
    BOOL bEnded = FALSE;
};

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
} // namespace

BOOL SIMCAP::FlushOutput()
{
    if (cbOutput == 0) return TRUE;
    UINT cb = cbOutput;
    cbOutput = 0;
    if (hCaptureFile == HFILE_ERROR) return FALSE;
    return WriteCaptureBytes(hCaptureFile, achOutput, cb) == cb;
}

BOOL SIMCAP::WritePiece(const char* pch, UINT cb)
{
    if (hCaptureFile == HFILE_ERROR) return FALSE;
    // Outside any operation (a lone WriteRaw or WriteEscapedChar) the piece goes straight to the file.
    if (nOutputNesting == 0) return FlushOutput() && WriteCaptureBytes(hCaptureFile, pch, cb) == cb;
    if (cbOutput + cb > sizeof(achOutput))
    {
        if (!FlushOutput()) return FALSE;
        if (cb > sizeof(achOutput)) return WriteCaptureBytes(hCaptureFile, pch, cb) == cb;
    }
    memcpy(achOutput + cbOutput, pch, cb);
    cbOutput += cb;
    return TRUE;
}

// The tag map records where each tag stands. A recorder without a map (a failed start) tells nobody. The
// writer never uses the answer.
BOOL SIMCAP::TellTagMapTag(LPCSTR pszName, int nKind)
{
    if (!pTagMap) return FALSE;
    FlushOutput(); // the map reads the file's end: the collected bytes go first
    return pTagMap->RegisterTag(hCaptureFile, pszName, nKind);
}

// The map switches the current output file at an Events mark.
BOOL SIMCAP::TellTagMapEvents(LPCSTR pszTag, int nKind)
{
    if (!pTagMap) return FALSE;
    FlushOutput(); // the bytes belong to the file that is current now
    return pTagMap->RegisterEventsTag(hCaptureFile, pszTag, nKind);
}

BOOL SIMCAP::WriteIndent(int nCount)
{
    OutputBatch batch(*this);
    BOOL bOk = TRUE;
    for (int i = 0; i < nCount && bOk; i++)
        bOk = WritePiece("\t", 1);
    return batch.End(bOk);
}

BOOL SIMCAP::WriteEscapedChar(LPCSTR pch)
{
    if (!pch) return FALSE;
    LPCSTR pszSource = Entity(pch[0]);
    // Every ANSI code page is ASCII below 0x80, and so is UTF-8: most characters need no conversion.
    BYTE b = static_cast<BYTE>(pch[0]);
    if (!pszSource && ((b >= 0x20 && b < 0x7F) || b == '\n' || b == '\r')) return WritePiece(pch, 1);
    char achChar[2] = {pch[0], 0};
    int cchSource = pszSource ? lstrlenA(pszSource) : 1;
    if (!pszSource)
    {
        // A trail byte is taken only when there is one, as CharNextA steps.
        if (IsDBCSLeadByte(static_cast<BYTE>(pch[0])) && pch[1])
        {
            achChar[1] = pch[1];
            cchSource = 2;
        }
        pszSource = achChar;
    }

    WCHAR awch[8];
    int cwch = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, pszSource, cchSource, awch, 8);
    if (cwch == 0) return FALSE;
    char ach[8];
    int cb = WideCharToMultiByte(CP_UTF8, 0, awch, cwch, ach, sizeof(ach), nullptr, nullptr);
    if (cb == 0) return FALSE;
    // Control characters are dropped; line feeds and carriage returns pass.
    if (cb == 1 && static_cast<BYTE>(ach[0]) < 0x20 && ach[0] != '\t' && ach[0] != '\n' && ach[0] != '\r')
        return TRUE;
    return WritePiece(ach, static_cast<UINT>(cb));
}

BOOL SIMCAP::WriteEscaped(LPCSTR psz)
{
    if (!psz) return TRUE;
    OutputBatch batch(*this);
    BOOL bOk = TRUE;
    for (LPCSTR pch = psz; *pch && bOk; pch = CharNextA(pch))
    {
        UINT nStatus = nWrThreadStatus;
        bOk = nStatus != TS_FAILED && nStatus != TS_EXIT && WriteEscapedChar(pch);
    }
    return batch.End(bOk);
}

BOOL SIMCAP::WriteRaw(LPCSTR psz)
{
    if (!psz) return TRUE;
    return WritePiece(psz, static_cast<UINT>(strlen(psz)));
}

BOOL SIMCAP::WriteComment(LPCSTR psz)
{
    OutputBatch batch(*this);
    return batch.End(WriteRaw("<!-- ") && WriteEscaped(psz) && WriteRaw(" -->"));
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
    char szInt[16];
    wsprintfA(szInt, "%d", nIntAttrValue);
    OutputBatch batch(*this);
    // Told before the first byte, so the position is that of the "<".
    TellTagMapTag(pszName, 1);
    return batch.End(WriteRaw("<") && WriteEscaped(pszName) && WriteAttribute(pszIntAttrName, szInt) &&
                     WriteAttribute(pszStrAttrName, pszStrAttrValue) && WriteRaw(">"));
}

BOOL SIMCAP::WriteEndTag(LPCSTR pszName)
{
    OutputBatch batch(*this);
    if (!WriteRaw("</") || !WriteEscaped(pszName) || !WriteRaw(">")) return batch.End(FALSE);
    // Told after the ">", so the position is just past the tag.
    TellTagMapTag(pszName, 2);
    return batch.End(TRUE);
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

    OutputBatch batch(*this);
    if (!FlushOutput())
    {
        ReportFileError(texts.pszWriting, ofCapture.szPathName, GetLastError());
        return batch.End(FALSE);
    }
    if (_llseek(hCaptureFile, 0, FILE_END) == HFILE_ERROR)
    {
        ReportFileError(texts.pszSeeking, ofCapture.szPathName, GetLastError());
        return batch.End(FALSE);
    }

    BOOL bOk = WriteIndent(nIndent) && WriteStartTag(pszName, nullptr, 0, nullptr, nullptr);
    if (bOk) bOk = bRawXml ? (WriteEscaped("\n") && WriteRaw(pszText)) : WriteEscaped(pszText);
    bOk = bOk && WriteEndTag(pszName);
    if (bOk && pszComment) bOk = WriteIndent(1) && WriteComment(pszComment);
    // The line reaches the file here, so a failing disk is reported like any other failed write.
    bOk = bOk && WriteEscaped("\n") && FlushOutput();
    if (!bOk) ReportFileError(texts.pszWriting, ofCapture.szPathName, GetLastError());
    return batch.End(bOk);
}

BOOL SIMCAP::WriteSimpleTag(int nIndent, LPCSTR pszName, LPCSTR pszValue, LPCSTR pszComment)
{
    return WriteSimpleLine(FALSE, nIndent, pszName, pszValue, pszComment);
}

BOOL SIMCAP::WriteSimpleTagInt(int nIndent, LPCSTR pszName, int nValue, LPCSTR pszComment)
{
    char sz[16];
    wsprintfA(sz, "%d", nValue);
    return WriteSimpleTag(nIndent, pszName, sz, pszComment);
}

BOOL SIMCAP::WriteSimpleTagUInt(int nIndent, LPCSTR pszName, DWORD dwValue, LPCSTR pszComment)
{
    char sz[16];
    wsprintfA(sz, "%lu", dwValue);
    return WriteSimpleTag(nIndent, pszName, sz, pszComment);
}

BOOL SIMCAP::WriteSimpleXML(int nIndent, LPCSTR pszName, LPCSTR pszXml, LPCSTR pszComment)
{
    return WriteSimpleLine(TRUE, nIndent, pszName, pszXml, pszComment);
}

BOOL SIMCAP::WriteEventsMark(LPCSTR pszTag, int nKind)
{
    return TellTagMapEvents(pszTag, nKind);
}
