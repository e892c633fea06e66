// Packaging: the finished session folder becomes the one recording file the user asked for, a zip archive
// at the output path, and the folder goes.
#include "host/SimCap.h"

#include "config/PrivProf.h"
#include "output/ZipWriter.h"
#include "util/Diag.h"

namespace
{
const UINT c_cchPackagePath = 263;
const int c_cchSessionFolderMax = 258; // leaves room for "\*.*" in the item list
const char c_szQuotes[] = "\"\"";

// Copies pszText without one pair of surrounding double quotes; FALSE when it does not fit.
BOOL CopyUnquoted(LPCSTR pszText, LPSTR pszBuffer, int cchBuffer)
{
    int cch = lstrlenA(pszText);
    if (cch >= 2 && pszText[0] == '"' && pszText[cch - 1] == '"')
    {
        pszText++;
        cch -= 2;
    }
    if (cch >= cchBuffer) return FALSE;
    lstrcpynA(pszBuffer, pszText, cch + 1);
    return TRUE;
}
} // namespace

BOOL SIMCAP::QuoteString(LPCSTR pszQuotePair, LPSTR pszText, UINT cchText, BOOL bForce)
{
    if (!pszQuotePair || !pszQuotePair[0] || !pszQuotePair[1] || !pszText) return FALSE;
    UINT cch = lstrlenA(pszText);
    // A lone quote character opens a quote but does not close one.
    if (!bForce && cch >= 2 && pszText[0] == pszQuotePair[0] && pszText[cch - 1] == pszQuotePair[1])
        return TRUE;
    if (cch + 2 >= cchText) return FALSE;
    MoveMemory(pszText + 1, pszText, cch);
    pszText[0] = pszQuotePair[0];
    pszText[cch + 1] = pszQuotePair[1];
    pszText[cch + 2] = '\0';
    return TRUE;
}

short SIMCAP::ZipFolder(LPCSTR pszArchive, LPCSTR pszItems)
{
    char szArchive[c_cchPackagePath];
    char szItems[c_cchPackagePath];
    if (!pszArchive || !pszItems || !CopyUnquoted(pszArchive, szArchive, sizeof(szArchive)) ||
        !CopyUnquoted(pszItems, szItems, sizeof(szItems)))
        return ZIP_CANNOT_CREATE;
    return ZipFolderItems(szArchive, szItems, 0);
}

BOOL SIMCAP::PackageSession()
{
    DebugOut("Entered WrThread:PackageSession.\n");
    char szItems[c_cchPackagePath];
    int cchFolder = GetSessionFolder(szItems, sizeof(szItems));
    OutputBkgndMsg("Packaging output data...", FALSE);

    BOOL bPackaged = FALSE;
    if (cchFolder >= 1 && cchFolder <= c_cchSessionFolderMax)
    {
        lstrcatA(szItems, "\\*.*");
        char szArchive[c_cchPackagePath] = "";
        if (pPrivProf) pPrivProf->GetOutputPath(szArchive, sizeof(szArchive));
        // A path that already carries its quotes still names the file without them.
        char szArchiveFile[c_cchPackagePath];
        CopyUnquoted(szArchive, szArchiveFile, sizeof(szArchiveFile));
        DeleteFileA(szArchiveFile);

        QuoteString(c_szQuotes, szArchive, sizeof(szArchive), FALSE);
        QuoteString(c_szQuotes, szItems, sizeof(szItems), FALSE);
        short nError = ZipFolder(szArchive, szItems);
        if (nError != 0)
        {
            DebugOutF("WrThread:PackageSession - call to ZipFolder returned error# = <%d>.\n", nError);
            // The zip writer leaves nothing behind on failure; only a file that stays is worth a line.
            if (!DeleteFileA(szArchiveFile) && GetLastError() != ERROR_FILE_NOT_FOUND)
            {
                DebugOut("PackageSession: Unable to delete zip file <");
                DebugOut(szArchiveFile);
                DebugOut(">\n");
            }
        }
        bPackaged = nError == 0;
        // The folder goes either way; only a failure to delete it after success is worth telling.
        RemoveWorkDir(bPackaged);
    }

    if (bPackaged)
    {
        DebugOut("@@@@ PackageSession - sending packaging result as TRUE\n");
        OutputBkgndMsg(nullptr, TRUE);
        return TRUE;
    }
    ReportWriterError("ERROR: Unable to package output files.  Cleaning up...");
    DebugOut("@@@@ PackageSession - sending packaging result as FALSE\n");
    OutputBkgndMsg(nullptr, FALSE);
    return FALSE;
}
