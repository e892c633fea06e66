// The session folder beside the recording file: its name and number, and how folders and the tag map's
// temporary files are deleted.
#include "host/SimCap.h"

#include "config/PrivProf.h"
#include "util/Diag.h"
#include "util/PathUtil.h"

namespace
{
const UINT c_cchPath = MAX_PATH + 1;
const char c_szSessionPrefix[] = "SC_";
const int c_cSessionDigits = 4;
// The tag map's temporary files: "_CFtagMap_", "_CFtagMapEv_" and "_CFtagMapMod_" names ending in
// ".tmf", directly in the temporary folder or after its unique "tmpXXXX.tmp" prefix. Nothing else.
const char c_szTagMapFiles[] = "\\*_CFtagMap*.tmf";

// A directory search, closed when it goes.
class FindHandle
{
  public:
    FindHandle(LPCSTR pszPattern, WIN32_FIND_DATAA* pData) : h(FindFirstFileA(pszPattern, pData)) {}
    ~FindHandle()
    {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    BOOL IsValid() const { return h != INVALID_HANDLE_VALUE; }
    BOOL Next(WIN32_FIND_DATAA* pData) { return FindNextFileA(h, pData); }

  private:
    HANDLE h;
};

// "No match" and "no such folder" list nothing; any other failure of the search is a failure.
BOOL IsEmptyListing(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND ||
           dwError == ERROR_NO_MORE_FILES;
}

BOOL IsFolder(const WIN32_FIND_DATAA& data)
{
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The id of a session folder name: the last "_" followed by exactly four digits. 0 for any other form.
int SessionIdOf(LPCSTR pszName)
{
    LPCSTR pszUnderscore = nullptr;
    for (LPCSTR pch = pszName; *pch; pch++)
        if (*pch == '_') pszUnderscore = pch;
    if (!pszUnderscore || lstrlenA(pszUnderscore) != 1 + c_cSessionDigits) return 0;
    int nId = 0;
    for (LPCSTR pch = pszUnderscore + 1; *pch; pch++)
    {
        if (*pch < '0' || *pch > '9') return 0;
        nId = nId * 10 + (*pch - '0');
    }
    return nId;
}

// The highest session id among the folders that match pszPattern. Names sort as a sorted list box sorts
// them (without regard to case); the last name counts when it has the expected form, otherwise the
// highest well-formed one. SC_12 sorts after SC_0012 and is passed over.
int HighestSessionId(LPCSTR pszPattern)
{
    WIN32_FIND_DATAA data;
    FindHandle find(pszPattern, &data);
    if (!find.IsValid()) return 0;
    char szLast[MAX_PATH] = "";
    int nHighest = 0;
    do
    {
        if (!IsFolder(data)) continue;
        if (!szLast[0] || lstrcmpiA(data.cFileName, szLast) > 0)
            lstrcpynA(szLast, data.cFileName, sizeof(szLast));
        int nId = SessionIdOf(data.cFileName);
        if (nId > nHighest) nHighest = nId;
    } while (find.Next(&data));
    int nLast = SessionIdOf(szLast);
    return nLast > 0 ? nLast : nHighest;
}

// pszFirst followed directly by pszSecond, only when the whole text fits.
BOOL JoinWhole(LPSTR pszBuffer, UINT cchBuffer, LPCSTR pszFirst, LPCSTR pszSecond)
{
    UINT cchFirst = lstrlenA(pszFirst);
    if (cchFirst + lstrlenA(pszSecond) >= cchBuffer) return FALSE;
    lstrcpyA(pszBuffer, pszFirst);
    lstrcpyA(pszBuffer + cchFirst, pszSecond);
    return TRUE;
}
} // namespace

int SIMCAP::GetSessionFolder(LPSTR pszBuffer, UINT cchBuffer)
{
    if (!pszBuffer || !cchBuffer) return 0;
    pszBuffer[0] = '\0';
    // Before the first id there is no session folder; a folder named after -1 must never be made or deleted.
    if (!pPrivProf || nSessionId < 0) return 0;
    char szFolder[c_cchPath];
    UINT cchFolder = pPrivProf->GetOutputFolder(szFolder, sizeof(szFolder));
    if (!cchFolder || cchFolder + 3 + c_cSessionDigits + 2 > cchBuffer) return 0;
    char szFormat[16];
    wsprintfA(szFormat, "\\%%s%%0%dd", c_cSessionDigits);
    char szName[32];
    wsprintfA(szName, szFormat, c_szSessionPrefix, nSessionId);
    // Ids beyond four digits make the name longer than the rule above allows for.
    if (!JoinWhole(pszBuffer, cchBuffer, szFolder, szName))
    {
        pszBuffer[0] = '\0';
        return 0;
    }
    return lstrlenA(pszBuffer);
}

int SIMCAP::SessionPathExcess(LPCSTR pszRecordingPath)
{
    // Beside the capture file the folder holds bitmaps; the longest name is an item bitmap numbered high.
    const int c_cchLongestImage = sizeof("mnu_unchkd_4294967295.bmp") - 1;
    // "\\SC_" and an id of up to five digits, and the backslash before the file name.
    const int c_cchSessionPart = 1 + (sizeof(c_szSessionPrefix) - 1) + c_cSessionDigits + 1 + 1;
    if (!pszRecordingPath) return 0;
    LPCSTR pszName = FindFileName(pszRecordingPath);
    LPCSTR pszExtension = FindExtension(pszName);
    int cchFolder = static_cast<int>(pszName - pszRecordingPath);
    if (cchFolder > 0) cchFolder--; // the separator before the name is counted with the session part
    int cchCapture = static_cast<int>(pszExtension ? pszExtension - pszName : lstrlenA(pszName)) + 4;
    // The capture file is opened with OpenFile, whose path holds fewer characters than other paths do.
    int nExcess = cchFolder + c_cchSessionPart + cchCapture - (OFS_MAXPATHNAME - 1);
    int nImageExcess = cchFolder + c_cchSessionPart + c_cchLongestImage - (MAX_PATH - 1);
    if (nImageExcess > nExcess) nExcess = nImageExcess;
    return nExcess > 0 ? nExcess : 0;
}

int SIMCAP::GetCaptureFileBase(LPSTR pszBuffer, UINT cchBuffer)
{
    if (!pszBuffer || !cchBuffer) return 0;
    pszBuffer[0] = '\0';
    char szFolder[c_cchPath];
    UINT cchFolder = GetSessionFolder(szFolder, sizeof(szFolder));
    char szOutput[c_cchPath];
    if (!cchFolder || !pPrivProf->GetOutputPath(szOutput, sizeof(szOutput))) return 0;
    LPCSTR pszName = FindFileName(szOutput);
    if (cchFolder + lstrlenA(pszName) + 2 >= cchBuffer) return 0;
    lstrcpyA(pszBuffer, szFolder);
    pszBuffer[cchFolder] = '\\';
    lstrcpyA(pszBuffer + cchFolder + 1, pszName);
    return lstrlenA(pszBuffer);
}

// Found on disk once per run; later recordings of the run count on.
BOOL SIMCAP::IncrementSessionID()
{
    if (nSessionId != -1)
    {
        nSessionId++;
        return 1;
    }
    if (!pPrivProf) return 0;
    char szFolder[c_cchPath];
    if (!pPrivProf->GetOutputFolder(szFolder, sizeof(szFolder))) return 0;
    char szPattern[c_cchPath + 8];
    wsprintfA(szPattern, "%s\\%s*", szFolder, c_szSessionPrefix);
    nSessionId = HighestSessionId(szPattern) + 1;
    return 1;
}

BOOL SIMCAP::CreateSessionFolder()
{
    char szFolder[c_cchPath];
    if (GetSessionFolder(szFolder, sizeof(szFolder)) &&
        (CreateDirectoryA(szFolder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS))
        return TRUE;
    OutputBkgndMsg("Could not create directory for session data.", TRUE);
    return FALSE;
}

BOOL SIMCAP::RemoveWorkDir(BOOL bReport)
{
    char szFolder[c_cchPath];
    GetSessionFolder(szFolder, sizeof(szFolder));
    if (DeleteDirAndContents(szFolder, "\\*.*", TRUE)) return TRUE;
    if (bReport)
    {
        char szText[c_cchPath + 40];
        wsprintfA(szText, "Unable to delete directory <%s>.", szFolder);
        DebugOut("RemoveWorkDir: ");
        DebugOut(szText);
        DebugOut("\n");
        OutputBkgndMsg(szText, TRUE);
    }
    return FALSE;
}

// Files only: sub-folders are neither entered nor removed, so a folder that holds one stays.
BOOL SIMCAP::DeleteDirAndContents(LPCSTR pszFolder, LPCSTR pszPattern, BOOL bRemoveFolder)
{
    DebugOut("DeleteDirAndContents: lpDir = <");
    DebugOut(pszFolder);
    DebugOut(">.\n");
    // An empty folder would make the pattern name the root of the current drive.
    if (!pszFolder || !pszFolder[0] || !pszPattern || lstrlenA(pszFolder) >= static_cast<int>(c_cchPath))
        return FALSE;

    char szDir[c_cchPath];
    DWORD cchShort = GetShortPathNameA(pszFolder, szDir, sizeof(szDir));
    if (cchShort == 0 || cchShort >= sizeof(szDir)) lstrcpyA(szDir, pszFolder);
    char szSearch[2 * c_cchPath];
    if (!JoinWhole(szSearch, sizeof(szSearch), szDir, pszPattern)) return FALSE;

    BOOL bResult = TRUE;
    WIN32_FIND_DATAA data;
    FindHandle find(szSearch, &data);
    if (!find.IsValid())
        bResult = IsEmptyListing(GetLastError());
    else
    {
        do
        {
            if (IsFolder(data)) continue;
            char szFile[2 * c_cchPath];
            wsprintfA(szFile, "%s\\%s", szDir, data.cFileName);
            if (!DeleteFileA(szFile))
            {
                bResult = FALSE;
                DebugOut("DeleteDirAndContents: failed to delete file ");
                DebugOut(szFile);
                DebugOut(".\n");
            }
        } while (find.Next(&data));
    }

    if (bRemoveFolder && bResult && !RemoveDirectoryA(pszFolder))
    {
        bResult = FALSE;
        DebugOut("DeleteDirAndContents: Failed to remove directory <");
        DebugOut(pszFolder);
        DebugOut(">.\n");
    }
    return bResult;
}

BOOL SIMCAP::DeleteTempTmfFiles()
{
    if (g_pSimCap && g_pSimCap->bKeepTempOutputFiles) return TRUE;
    char szTemp[521];
    DWORD cchTemp = GetTempPathA(sizeof(szTemp), szTemp);
    if (cchTemp == 0 || cchTemp > 514) return FALSE;
    if (szTemp[cchTemp - 1] == '\\') szTemp[cchTemp - 1] = '\0';
    return DeleteDirAndContents(szTemp, c_szTagMapFiles, FALSE);
}
