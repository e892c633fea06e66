#include "config/PrivProf.h"

#include <shlobj.h>
#include <string.h>

#include "host/SimCap.h"
#include "util/Diag.h"
#include "util/PathUtil.h"

namespace
{
const char c_szIniName[] = "QM57REC.INI";
const char c_szCompanyFolder[] = "Quillmark";
const char c_szDefaultRecording[] = "qmrecording.qmr";
const char c_szSettings[] = "Settings";
const char c_szOutputPathKey[] = "OutputPath";
const UINT c_cchPath = MAX_PATH + 1;
const UINT c_fClassBlock = GMEM_MOVEABLE | GMEM_SHARE; // 0x2002
// Longer than any class, application or message name. The system's profile functions cannot even be asked
// about a much longer name (Wine faults on one of 64K characters), so such a key is passed over unread.
const int c_cchLongestKeyName = 1024;

BOOL IsUsableKeyName(LPCSTR pszKey, LPCSTR pszSection)
{
    if (lstrlenA(pszKey) <= c_cchLongestKeyName) return TRUE;
    DebugOutF("SIMCAP::LoadConfigurationFile(): a key of '%s' longer than %d characters is ignored\n",
              pszSection, c_cchLongestKeyName);
    return FALSE;
}

struct CLASS_SECTION
{
    LPCSTR pszSection;
    LPCSTR pszDefault;
};

const CLASS_SECTION c_aClassSection[CLASSES_COUNT] = {
    {"ButtonClasses", "Button"}, {"ComboBoxClasses", "ComboBox"},    {"ListBoxClasses", "ListBox"},
    {"EditClasses", "Edit"},     {"AccessibilityClasses", "_noop_"},
};

// A key held as "0x%08X" is read as text: how the profile functions parse hex is the platform's.
// Absent or malformed values keep the current setting.
UINT ReadHotkey(LPCSTR pszKey, UINT nCurrent, LPCSTR pszFile)
{
    char sz[64];
    if (!GetPrivateProfileStringA(c_szSettings, pszKey, "", sz, sizeof(sz), pszFile)) return nCurrent;
    DWORD dwValue;
    if (!ParseNumber(sz, &dwValue)) return nCurrent;
    return dwValue;
}

BOOL ReadFlag(LPCSTR pszSection, LPCSTR pszKey, BOOL bCurrent, LPCSTR pszFile)
{
    return GetPrivateProfileIntA(pszSection, pszKey, bCurrent, pszFile);
}

LPSTR CopyToBlock(LPCSTR psz)
{
    SIZE_T cb = lstrlenA(psz) + 1;
    HGLOBAL hg = GlobalAlloc(c_fClassBlock, cb);
    if (!hg) return nullptr;
    LPSTR pszCopy = static_cast<LPSTR>(GlobalLock(hg));
    if (!pszCopy)
    {
        GlobalFree(hg);
        return nullptr;
    }
    memcpy(pszCopy, psz, cb);
    return pszCopy;
}

void FreeBlock(void* pv)
{
    if (!pv) return;
    HGLOBAL hg = GlobalHandle(pv);
    GlobalUnlock(hg);
    GlobalFree(hg);
}

// Copies pszSource into a buffer only when it fits whole.
BOOL CopyWhole(LPSTR pszBuffer, UINT cchBuffer, LPCSTR pszSource)
{
    UINT cch = lstrlenA(pszSource);
    if (cch >= cchBuffer)
    {
        if (cchBuffer) pszBuffer[0] = '\0';
        return FALSE;
    }
    memcpy(pszBuffer, pszSource, cch + 1);
    return TRUE;
}
} // namespace

PrivProf::PrivProf(SIMCAP* pSimCap, HINSTANCE hInstance, HWND hwndOwner)
    : pSimCap(pSimCap), hInstance(hInstance), hwndOwner(hwndOwner), szDefOutputPath(), szOutputPath(),
      szOutputPathWork(), szUserIni(), aClassList(), bClassesLoaded(FALSE)
{
}

PrivProf::~PrivProf()
{
    for (CLASS_LIST& list : aClassList)
        FreeClassList(&list);
}

BOOL PrivProf::Init()
{
    char szFolder[c_cchPath];
    if (SHGetFolderPathA(hwndOwner, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, 0, szFolder) != S_OK ||
        !AppendPath(c_szDefaultRecording, szFolder, c_cchPath))
    {
        ShowMessage(hwndOwner, "Could not create a default location for the capture file.", MB_ICONERROR);
        return FALSE;
    }
    lstrcpyA(szDefOutputPath, szFolder);

    BOOL bFound = FALSE;
    if (SHGetFolderPathA(hwndOwner, CSIDL_APPDATA, nullptr, 0, szUserIni) == S_OK)
    {
        UINT ichAppData = lstrlenA(szUserIni);
        if (AppendPath(c_szCompanyFolder, szUserIni, c_cchPath))
        {
            if (!CreateFolderPath(szUserIni, ichAppData))
                ShowMessage(hwndOwner,
                            "Could not create path to INI file under the User Application Data folder area.",
                            MB_ICONERROR);
            else
                bFound = AppendPath(c_szIniName, szUserIni, c_cchPath);
        }
    }
    if (!bFound)
    {
        szUserIni[0] = '\0';
        ShowMessage(hwndOwner, "Could not find the User Application Data folder area.", MB_ICONERROR);
        return FALSE;
    }

    // Written straight back so the key always exists in the user's file.
    if (!GetPrivateProfileStringA(c_szSettings, c_szOutputPathKey, szDefOutputPath, szOutputPath, c_cchPath,
                                  szUserIni) ||
        !WritePrivateProfileStringA(c_szSettings, c_szOutputPathKey, szOutputPath, szUserIni))
    {
        ShowMessage(hwndOwner, "Could not determine the default location for the capture file.",
                    MB_ICONERROR);
        return FALSE;
    }
    return TRUE;
}

BOOL PrivProf::LoadConfiguration()
{
    char szFile[c_cchPath];
    UINT cch = GetModuleFileNameA(hInstance, szFile, c_cchPath);
    if (!cch || cch >= c_cchPath) return FALSE;
    StripLastComponent(szFile);
    if (!AppendPath(c_szIniName, szFile, c_cchPath) || !LoadConfigurationFile(szFile)) return FALSE;

    // The user's roaming file comes last so it wins over the machine-wide layers.
    static const int c_aCsidl[] = {CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_APPDATA};
    for (int nCsidl : c_aCsidl)
    {
        if (SHGetFolderPathA(hwndOwner, nCsidl, nullptr, 0, szFile) != S_OK) continue;
        if (!AppendPath(c_szCompanyFolder, szFile, c_cchPath) ||
            !AppendPath(c_szIniName, szFile, c_cchPath) || !LoadConfigurationFile(szFile))
            break;
    }
    return TRUE;
}

BOOL PrivProf::LoadConfigurationFile(LPCSTR pszFile)
{
    SIMCAP& sc = *pSimCap;
    sc.bIncludeHiddenWindows =
        ReadFlag(c_szSettings, "IncludeHiddenWindows", sc.bIncludeHiddenWindows, pszFile);
    sc.bIncludeMouseEvents = ReadFlag(c_szSettings, "IncludeMouseEvents", sc.bIncludeMouseEvents, pszFile);
    sc.bIncludeJournalEvents =
        ReadFlag(c_szSettings, "IncludeJournalEvents", sc.bIncludeJournalEvents, pszFile);
    sc.bKeepTempOutputFiles = ReadFlag(c_szSettings, "KeepTempOutputFiles", sc.bKeepTempOutputFiles, pszFile);
    sc.bShowDeltaState = ReadFlag(c_szSettings, "ShowDeltaState", sc.bShowDeltaState, pszFile);
    sc.nSnapshotKey = ReadHotkey("SnapshotKey", sc.nSnapshotKey, pszFile);
    sc.nStopKey = ReadHotkey("StopKey", sc.nStopKey, pszFile);
    sc.bSelfCapture = ReadFlag(c_szSettings, "SelfCapture", sc.bSelfCapture, pszFile);
    sc.bUserAssistanceDlg = ReadFlag(c_szSettings, "UserAssistanceDlg", sc.bUserAssistanceDlg, pszFile);
    sc.bOverwriteOKDlg = ReadFlag(c_szSettings, "OverwriteOKDlg", sc.bOverwriteOKDlg, pszFile);
    sc.bAccessibilityEntry = ReadFlag(c_szSettings, "AccessibilityEntry", sc.bAccessibilityEntry, pszFile);
    sc.dwReplyWaitMs = GetPrivateProfileIntA(c_szSettings, "RequestTimeout", sc.dwReplyWaitMs, pszFile);

    // Class lists come from the first file only; a failure there leaves the default class and goes on.
    if (!bClassesLoaded)
    {
        bClassesLoaded = TRUE;
        for (UINT i = 0; i < CLASSES_COUNT; i++)
            ReadControlClasses(c_aClassSection[i].pszSection, c_aClassSection[i].pszDefault, pszFile,
                               &aClassList[i]);
    }

    sc.sounds.ReadSettings(hInstance, hwndOwner, pszFile);
    sc.bDebugExclusions = ReadFlag("Debug", "Exclusions", sc.bDebugExclusions, pszFile);

    return ReadWindowMessages(pszFile) && ReadApplications(pszFile);
}

namespace
{
// A key's value 0 puts the entry on the exclusion list, anything else takes it off; the default is the
// entry's present state, so a key without a usable value changes nothing.
template <class TArray, class TValue>
BOOL ApplyExclusionKey(EXCLUDE_ARRAY<TArray>& aExcl, TValue value, LPCSTR pszSection, LPCSTR pszKey,
                       LPCSTR pszFile)
{
    if (!GetPrivateProfileIntA(pszSection, pszKey, aExcl.Find(value) ? 0 : 1, pszFile))
        return aExcl.Exclude(value);
    return aExcl.Remove(value);
}

// Calls pfnKey for every key name of the section, stopping at the first failure.
template <class TFn> BOOL ForEachKey(LPCSTR pszSection, LPCSTR pszLoadError, LPCSTR pszFile, TFn pfnKey)
{
    LPSTR pszNames = ReadProfileString(pszSection, nullptr, "", pszFile);
    if (!pszNames)
    {
        DebugOut(pszLoadError);
        return FALSE;
    }
    BOOL bOk = TRUE;
    for (LPCSTR pszKey = pszNames; bOk && *pszKey; pszKey += lstrlenA(pszKey) + 1)
        if (IsUsableKeyName(pszKey, pszSection)) bOk = pfnKey(pszKey);
    FreeProfileString(pszNames);
    return bOk;
}
} // namespace

BOOL PrivProf::ReadWindowMessages(LPCSTR pszFile)
{
    static const char c_szSection[] = "Window Messages";
    return ForEachKey(
        c_szSection, "SIMCAP::LoadConfigurationFile(): error loading 'Window Messages'\n", pszFile,
        [&](LPCSTR pszKey) -> BOOL {
            DWORD dwMsg;
            if (!ParseNumber(pszKey, &dwMsg))
            {
                DebugOut("SIMCAP::LoadConfigurationFile(): error converting an 'Window Messages' "
                         "key to a number\n");
                return FALSE;
            }
            return ApplyExclusionKey(pSimCap->aExclMessages, dwMsg, c_szSection, pszKey, pszFile);
        });
}

BOOL PrivProf::ReadApplications(LPCSTR pszFile)
{
    static const char c_szSection[] = "Applications";
    return ForEachKey(c_szSection, "SIMCAP::LoadConfigurationFile(): error loading 'Applications'\n", pszFile,
                      [&](LPCSTR pszKey) -> BOOL {
                          return ApplyExclusionKey(pSimCap->aExclApplications, pszKey, c_szSection, pszKey,
                                                   pszFile);
                      });
}

BOOL PrivProf::ReadControlClasses(LPCSTR pszSection, LPCSTR pszDefault, LPCSTR pszFile, CLASS_LIST* pList)
{
    if (pList->ppszClass) return TRUE;

    LPSTR pszNames = ReadProfileString(pszSection, nullptr, "", pszFile);
    if (!pszNames)
    {
        DebugOut("PrivProf::ReadControlClasses() - error loading ");
        DebugOut(pszSection);
        DebugOut("\n");
        return SetDefaultClassOnly(pszDefault, pList);
    }

    // A name with value 0 is left out of the list and the section's other names still count: that is
    // what someone disabling one entry expects, rather than losing the whole section.
    UINT cKeys = 0, cEnabled = 0;
    for (LPCSTR pszKey = pszNames; *pszKey; pszKey += lstrlenA(pszKey) + 1)
    {
        if (!IsUsableKeyName(pszKey, pszSection)) continue;
        cKeys++;
        if (GetPrivateProfileIntA(pszSection, pszKey, 1, pszFile)) cEnabled++;
    }
    if (!cKeys)
    {
        FreeProfileString(pszNames);
        return TRUE;
    }

    HGLOBAL hg = GlobalAlloc(c_fClassBlock, (cKeys + 1) * sizeof(LPSTR));
    LPSTR* ppsz = hg ? static_cast<LPSTR*>(GlobalLock(hg)) : nullptr;
    if (!ppsz)
    {
        if (hg) GlobalFree(hg);
        FreeProfileString(pszNames);
        return SetDefaultClassOnly(pszDefault, pList);
    }
    UINT cClass = 0;
    if ((ppsz[0] = CopyToBlock(pszDefault)) != nullptr) cClass++;
    for (LPCSTR pszKey = pszNames; cClass && *pszKey; pszKey += lstrlenA(pszKey) + 1)
    {
        if (lstrlenA(pszKey) > c_cchLongestKeyName || !GetPrivateProfileIntA(pszSection, pszKey, 1, pszFile))
            continue;
        LPSTR pszCopy = CopyToBlock(pszKey);
        if (!pszCopy) break;
        ppsz[cClass++] = pszCopy;
    }
    FreeProfileString(pszNames);

    pList->ppszClass = ppsz;
    pList->cClass = cClass;
    if (cClass != cEnabled + 1)
    {
        DebugOut("PrivProf::ReadControlClasses() - error:: count doesn't match.");
        FreeClassList(pList);
        SetDefaultClassOnly(pszDefault, pList);
        return FALSE;
    }
    return TRUE;
}

BOOL PrivProf::SetDefaultClassOnly(LPCSTR pszDefault, CLASS_LIST* pList)
{
    HGLOBAL hg = GlobalAlloc(c_fClassBlock, sizeof(LPSTR));
    LPSTR* ppsz = hg ? static_cast<LPSTR*>(GlobalLock(hg)) : nullptr;
    if (!ppsz)
    {
        if (hg) GlobalFree(hg);
        return FALSE;
    }
    ppsz[0] = CopyToBlock(pszDefault);
    if (!ppsz[0])
    {
        FreeBlock(ppsz);
        return FALSE;
    }
    pList->ppszClass = ppsz;
    pList->cClass = 1;
    return TRUE;
}

void PrivProf::FreeClassList(CLASS_LIST* pList)
{
    if (pList->ppszClass)
    {
        for (UINT i = 0; i < pList->cClass; i++)
            FreeBlock(pList->ppszClass[i]);
        FreeBlock(pList->ppszClass);
    }
    pList->ppszClass = nullptr;
    pList->cClass = 0;
}

BOOL PrivProf::FindClass(UINT nList, LPCSTR pszClass) const
{
    if (nList >= CLASSES_COUNT || !pszClass) return FALSE;
    const CLASS_LIST& list = aClassList[nList];
    for (UINT i = 0; i < list.cClass; i++)
        if (!lstrcmpiA(list.ppszClass[i], pszClass)) return TRUE;
    return FALSE;
}

UINT PrivProf::ClassCount(UINT nList) const
{
    return nList < CLASSES_COUNT ? aClassList[nList].cClass : 0;
}

LPCSTR PrivProf::ClassAt(UINT nList, UINT i) const
{
    if (nList >= CLASSES_COUNT || i >= aClassList[nList].cClass) return nullptr;
    return aClassList[nList].ppszClass[i];
}

BOOL PrivProf::SetUserConfigPath(LPCSTR pszPath)
{
    if (!pszPath || lstrlenA(pszPath) >= (int)c_cchPath) return FALSE;
    lstrcpyA(szUserIni, pszPath);
    return TRUE;
}

BOOL PrivProf::GetOutputPath(LPSTR pszBuffer, UINT cchBuffer)
{
    if (!pszBuffer || !cchBuffer) return FALSE;
    pszBuffer[0] = '\0';
    if (!szUserIni[0]) return FALSE;
    // A longer value is cut to the path buffer's 260 characters.
    GetPrivateProfileStringA(c_szSettings, c_szOutputPathKey, szDefOutputPath, szOutputPathWork, c_cchPath,
                             szUserIni);
    return CopyWhole(pszBuffer, cchBuffer, szOutputPathWork);
}

UINT PrivProf::GetOutputFolder(LPSTR pszBuffer, UINT cchBuffer)
{
    if (!pszBuffer) return 0;
    char szPath[c_cchPath];
    if (!GetOutputPath(szPath, c_cchPath) || !szPath[0])
    {
        if (cchBuffer) pszBuffer[0] = '\0';
        return 0;
    }
    StripLastComponent(szPath);
    if (!CopyWhole(pszBuffer, cchBuffer, szPath)) return 0;
    return lstrlenA(pszBuffer);
}

BOOL PrivProf::WriteSetting(LPCSTR pszKey, LPCSTR pszValue)
{
    // An empty file name would send the write to the system's own initialisation file.
    if (!szUserIni[0]) return FALSE;
    return WritePrivateProfileStringA(c_szSettings, pszKey, pszValue, szUserIni);
}

BOOL PrivProf::SetOutputPath(LPCSTR pszPath)
{
    if (!pszPath) return FALSE;
    return WriteSetting(c_szOutputPathKey, pszPath);
}

BOOL PrivProf::SetHotkeyVals(LPCSTR pszName, UINT nValue)
{
    if (!pszName)
    {
        DebugOut("PrivProf:SetHotkeyVals - hotkey name is null.\n");
        return FALSE;
    }
    if (!strcmp(pszName, "SnapshotKey"))
        pSimCap->nSnapshotKey = nValue;
    else if (!strcmp(pszName, "StopKey"))
        pSimCap->nStopKey = nValue;
    else
    {
        DebugOutF("PrivProf:SetHotkeyVals - hotkey name <%s> is invalid.\n", pszName);
        return FALSE;
    }
    char sz[16];
    wsprintfA(sz, "0x%08X", nValue);
    return WriteSetting(pszName, sz);
}

BOOL PrivProf::UpdateSnapshotKey(HWND hwndMsgOwner, UINT nKey)
{
    if (SetHotkeyVals("SnapshotKey", nKey)) return TRUE;
    ShowMessage(hwndMsgOwner, "Could not update Start/Update key combination request.", MB_ICONINFORMATION);
    return FALSE;
}

BOOL PrivProf::UpdateStopKey(HWND hwndMsgOwner, UINT nKey)
{
    if (SetHotkeyVals("StopKey", nKey)) return TRUE;
    ShowMessage(hwndMsgOwner, "Could not update Stop key combination request.", MB_ICONINFORMATION);
    return FALSE;
}

BOOL PrivProf::SetUserAssistanceDlg(BOOL bShow)
{
    char sz[4];
    wsprintfA(sz, "%d", bShow ? 1 : 0);
    return WriteSetting("UserAssistanceDlg", sz);
}

BOOL PrivProf::SetOverwriteOKDlg(BOOL bAsk)
{
    char sz[4];
    wsprintfA(sz, "%d", bAsk ? 1 : 0);
    return WriteSetting("OverwriteOKDlg", sz);
}

BOOL PrivProf::CreateFolderPath(LPCSTR pszPath, UINT ichStart)
{
    if (!pszPath) return FALSE;
    UINT cch = lstrlenA(pszPath);
    if (cch >= c_cchPath || ichStart >= cch) return FALSE;
    char sz[c_cchPath];
    memcpy(sz, pszPath, cch + 1);

    // Ends of the folders this call made, so a failure deeper down can take them away again.
    UINT aichCreated[c_cchPath / 2 + 1];
    UINT cCreated = 0;
    for (UINT ich = ichStart + 1; ich <= cch; ich++)
    {
        if (sz[ich] != '\\' && sz[ich] != '\0') continue;
        if (sz[ich - 1] == '\\') continue; // empty component: doubled or trailing backslash
        char ch = sz[ich];
        sz[ich] = '\0';
        if (CreateDirectoryA(sz, nullptr))
            aichCreated[cCreated++] = ich;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
        {
            while (cCreated)
            {
                sz[aichCreated[--cCreated]] = '\0';
                RemoveDirectoryA(sz);
            }
            return FALSE;
        }
        sz[ich] = ch;
    }
    return TRUE;
}
