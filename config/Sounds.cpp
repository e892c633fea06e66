#include "config/Sounds.h"

#include <stdio.h>
#include <string.h>

#include "util/Diag.h"
#include "util/PathUtil.h"

namespace
{
const char c_szSection[] = "Sounds";
const UINT c_cchPath = MAX_PATH + 1;
const char* const c_apszKey[SOUND_COUNT] = {"TypeStroke", "MouseClick", "Start", "Step"};
const DWORD c_fPlay = SND_FILENAME | SND_NOWAIT | SND_NOSTOP | SND_NODEFAULT | SND_ASYNC; // 0x22013

BOOL IsBeepType(int nType)
{
    switch (static_cast<UINT>(nType))
    {
    case 0:
    case MB_ICONHAND:
    case MB_ICONQUESTION:
    case MB_ICONEXCLAMATION:
    case MB_ICONASTERISK:
    case 0xFFFFFFFF: return TRUE;
    }
    return FALSE;
}

BOOL WriteSwitch(LPCSTR pszUserIni, LPCSTR pszKey, BOOL bEnabled)
{
    // An empty file name would send the write to the system's own initialisation file.
    if (!pszUserIni || !pszUserIni[0]) return FALSE;
    return WritePrivateProfileStringA(c_szSection, pszKey, bEnabled ? "1" : "0", pszUserIni);
}
} // namespace

void Sounds::Initialize()
{
    for (int i = 0; i < SOUND_COUNT; i++)
    {
        aSound[i].nBeepType = i < SOUND_START ? -2 : MB_ICONEXCLAMATION;
        aSound[i].bEnabled = TRUE;
        aSound[i].szPath[0] = '\0';
    }
    bClicksEnabled = TRUE;
    bNoteRequestEnabled = TRUE;
}

void Sounds::ReadSettings(HMODULE hModule, HWND hwndOwner, LPCSTR pszFile)
{
    char szName[c_cchPath];
    for (int i = 0; i < SOUND_COUNT; i++)
    {
        GetPrivateProfileStringA(c_szSection, c_apszKey[i], "", szName, c_cchPath, pszFile);
        SetSoundLoc(hModule, hwndOwner, i, szName);
    }
    SetClicksEnabled(GetPrivateProfileIntA(c_szSection, "ClicksEnabled", bClicksEnabled, pszFile));
    SetNoteRequestEnabled(
        GetPrivateProfileIntA(c_szSection, "NoteRequestEnabled", bNoteRequestEnabled, pszFile));
}

void Sounds::SetSoundLoc(HMODULE hModule, HWND hwndOwner, int nIndex, LPCSTR pszName)
{
    // An empty name leaves the path an earlier file gave.
    if (nIndex < 0 || nIndex >= SOUND_COUNT || !pszName || !pszName[0] || lstrlenA(pszName) >= (int)c_cchPath)
        return;

    char szFull[c_cchPath];
    if (pszName[1] == ':')
        lstrcpyA(szFull, pszName);
    else
    {
        UINT cch = GetModuleFileNameA(hModule, szFull, c_cchPath);
        if (!cch || cch >= c_cchPath) return;
        StripLastComponent(szFull);
        if (lstrlenA(szFull) + 1 + lstrlenA(pszName) >= (int)c_cchPath) return;
        lstrcatA(szFull, "\\");
        lstrcatA(szFull, pszName);
    }
    if (!FindExtension(szFull) && lstrlenA(szFull) + 4 < (int)c_cchPath) lstrcatA(szFull, ".wav");

    OFSTRUCT of = {};
    of.cBytes = sizeof(of);
    if (OpenFile(szFull, &of, OF_EXIST) != HFILE_ERROR)
    {
        lstrcpyA(aSound[nIndex].szPath, szFull);
        return;
    }
    char szText[2 * c_cchPath + 32];
    snprintf(szText, sizeof(szText), "Could not find %s - <%s>", pszName, szFull);
    DebugOut("SimCapD:SetSoundLoc - ");
    DebugOut(szText);
    DebugOut("\n");
    ShowMessage(hwndOwner, szText, MB_ICONINFORMATION);
}

void Sounds::SetClicksEnabled(BOOL bEnabled)
{
    bClicksEnabled = bEnabled ? TRUE : FALSE;
    aSound[SOUND_TYPESTROKE].bEnabled = bClicksEnabled;
    aSound[SOUND_MOUSECLICK].bEnabled = bClicksEnabled;
}

void Sounds::SetNoteRequestEnabled(BOOL bEnabled)
{
    bNoteRequestEnabled = bEnabled ? TRUE : FALSE;
    aSound[SOUND_START].bEnabled = bNoteRequestEnabled;
    aSound[SOUND_STEP].bEnabled = bNoteRequestEnabled;
}

BOOL Sounds::UpdateClicksEnabled(LPCSTR pszUserIni, HWND hwndOwner, BOOL bEnabled)
{
    if (!WriteSwitch(pszUserIni, "ClicksEnabled", bEnabled))
    {
        ShowMessage(hwndOwner, "Could not update the Clicks Enabled request.", MB_ICONINFORMATION);
        return FALSE;
    }
    SetClicksEnabled(bEnabled);
    return TRUE;
}

BOOL Sounds::UpdateNoteRequestEnabled(LPCSTR pszUserIni, HWND hwndOwner, BOOL bEnabled)
{
    if (!WriteSwitch(pszUserIni, "NoteRequestEnabled", bEnabled))
    {
        ShowMessage(hwndOwner, "Could not update the Note Request Enabled request.", MB_ICONINFORMATION);
        return FALSE;
    }
    SetNoteRequestEnabled(bEnabled);
    return TRUE;
}

BOOL Sounds::IsSoundEnabled(int nIndex) const
{
    return nIndex >= 0 && nIndex < SOUND_COUNT && aSound[nIndex].bEnabled;
}

LPCSTR Sounds::SoundPath(int nIndex) const
{
    return nIndex >= 0 && nIndex < SOUND_COUNT ? aSound[nIndex].szPath : "";
}

SOUND_OUTCOME Sounds::PlaySound(int nIndex) const
{
    if (!IsSoundEnabled(nIndex)) return SOUND_SILENT;
    const SOUND_ENTRY& sound = aSound[nIndex];
    // SND_NOSTOP: a sound still playing is not cut off; the request fails and the beep stands in.
    if (sound.szPath[0] && ::PlaySoundA(sound.szPath, nullptr, c_fPlay)) return SOUND_FILE;
    if (!IsBeepType(sound.nBeepType)) return SOUND_SILENT;
    ::MessageBeep(static_cast<UINT>(sound.nBeepType));
    return SOUND_BEEP;
}
