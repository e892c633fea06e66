// The capture file: one XML file per recording, inside the session folder, named after the recording file.
#include "host/SimCap.h"

#include "output/TagMap.h"

#include "util/Diag.h"
#include "util/PathUtil.h"

namespace
{
const char c_szCaptureExtension[] = ".xml";
const UINT c_cchCaptureExtension = sizeof(c_szCaptureExtension) - 1;

// The capture file base with ".xml" in place of the file name's extension. The "." is looked for only
// after the last separator, so a dotted folder never cuts the path and the file stays in the session
// folder. Empty, FALSE, when the result would not fit.
BOOL BuildCapturePath(SIMCAP& simcap, LPSTR pszPath, UINT cchPath)
{
    if (!simcap.GetCaptureFileBase(pszPath, cchPath)) return FALSE;
    LPSTR pszDot = FindExtension(pszPath);
    UINT ichExtension = static_cast<UINT>(pszDot ? pszDot - pszPath : lstrlenA(pszPath));
    if (ichExtension + c_cchCaptureExtension >= cchPath)
    {
        pszPath[0] = '\0';
        return FALSE;
    }
    lstrcpyA(pszPath + ichExtension, c_szCaptureExtension);
    return TRUE;
}
} // namespace

// The handle is also kept in hCaptureFile, where the writer operations and CloseCaptureFile look for it.
HFILE SIMCAP::OpenCaptureFile(LPSTR pszPath, UINT cchPath, BOOL bCreate)
{
    if (!pszPath || !cchPath) return HFILE_ERROR;
    if (!BuildCapturePath(*this, pszPath, cchPath)) return HFILE_ERROR;
    // A handle left open would otherwise be lost with its exclusive share.
    if (hCaptureFile != HFILE_ERROR) CloseCaptureFile(3);
    // The reopen names the file through ofCapture, which the creating call filled.
    UINT uStyle =
        bCreate ? (OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE) : (OF_REOPEN | OF_WRITE | OF_SHARE_EXCLUSIVE);
    hCaptureFile = OpenFile(pszPath, &ofCapture, uStyle);
    return hCaptureFile;
}

// The reason (3 a session's end, 4 at start, 5 after writing) is for the tag map alone.
void SIMCAP::CloseCaptureFile(UINT nReason)
{
    HFILE hClosed = hCaptureFile;
    if (hCaptureFile != HFILE_ERROR)
    {
        // The writer collects its pieces across operations; nothing may stay behind in its buffer. Whoever
        // needs to know that they all arrived flushes before closing.
        if (!FlushOutput()) DebugOut("Unable to write the end of the capture file.\n");
        if (_lclose(hCaptureFile) == HFILE_ERROR) DebugOut("Unable to close the capture file.\n");
        hCaptureFile = HFILE_ERROR;
    }
    // The map must not write into, or close, a handle that is gone.
    if (pTagMap)
    {
        pTagMap->ForgetMainOutput(hClosed);
        pTagMap->RegisterCaptureFileClosure(hClosed, nReason);
    }
}

OutputMark SIMCAP::MarkOutput()
{
    // Drained here, the collected bytes of earlier elements cannot fail later as if they were the next
    // element's, which would leave the file shorter than the mark and nothing whole to keep.
    OutputMark mark = {hCaptureFile, -1};
    if (hCaptureFile == HFILE_ERROR || !FlushOutput()) return mark;
    LONG lOffset = _llseek(hCaptureFile, 0, FILE_CURRENT);
    if (lOffset != HFILE_ERROR) mark.lOffset = lOffset;
    return mark;
}

BOOL SIMCAP::RollBackOutput(const OutputMark& mark)
{
    if (mark.hFile == HFILE_ERROR || mark.hFile != hCaptureFile || mark.lOffset < 0) return FALSE;
    // What could not be written is cut off below anyway; a full disk must not stop the cut.
    FlushOutput();
    // A file shorter than the mark has lost bytes from before it: there is nothing whole to keep.
    HANDLE hFile = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(hCaptureFile));
    if (_llseek(hCaptureFile, 0, FILE_END) < mark.lOffset ||
        _llseek(hCaptureFile, mark.lOffset, FILE_BEGIN) != mark.lOffset || !SetEndOfFile(hFile))
    {
        DebugOutF("SIMCAP::RollBackOutput(): the capture file could not be cut back (error %lu)\n",
                  GetLastError());
        return FALSE;
    }
    return TRUE;
}
