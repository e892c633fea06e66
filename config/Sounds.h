// config/Sounds.h — the four recorder sounds, their switches and their fallback beeps.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#undef PlaySound // the recorder's own operation, not the multimedia macro

enum : int
{
    SOUND_TYPESTROKE = 0,
    SOUND_MOUSECLICK = 1,
    SOUND_START = 2,
    SOUND_STEP = 3,
    SOUND_COUNT = 4,
};

// What PlaySound did, so callers and tests can tell a file from a beep.
enum SOUND_OUTCOME : int
{
    SOUND_SILENT = 0,
    SOUND_FILE = 1,
    SOUND_BEEP = 2,
};

struct SOUND_ENTRY
{
    int nBeepType; // MessageBeep type when no file plays; -2 means none
    BOOL bEnabled;
    char szPath[261];
};

// The sound block of the recorder object. Settings change only on the UI thread; the capture code reads
// the flags without a lock.
class Sounds
{
  public:
    // Initial values: no files, every sound enabled, both switches on, exclamation beeps for start and step.
    void Initialize();

    // Reads the "Sounds" section of one configuration file. Relative names are taken from the folder of
    // hModule's file; hwndOwner owns the box that reports a missing file.
    void ReadSettings(HMODULE hModule, HWND hwndOwner, LPCSTR pszFile);
    void SetSoundLoc(HMODULE hModule, HWND hwndOwner, int nIndex, LPCSTR pszName);

    void SetClicksEnabled(BOOL bEnabled);
    void SetNoteRequestEnabled(BOOL bEnabled);
    // Write the switch to the user configuration file first; only a successful write changes memory.
    BOOL UpdateClicksEnabled(LPCSTR pszUserIni, HWND hwndOwner, BOOL bEnabled);
    BOOL UpdateNoteRequestEnabled(LPCSTR pszUserIni, HWND hwndOwner, BOOL bEnabled);

    BOOL ClicksEnabled() const { return bClicksEnabled; }
    BOOL NoteRequestEnabled() const { return bNoteRequestEnabled; }
    BOOL IsSoundEnabled(int nIndex) const;
    LPCSTR SoundPath(int nIndex) const;

    // Plays the sound's file asynchronously, or its fallback beep; nothing for a disabled sound.
    SOUND_OUTCOME PlaySound(int nIndex) const;

    SOUND_ENTRY aSound[SOUND_COUNT];
    BOOL bClicksEnabled;
    BOOL bNoteRequestEnabled;
};
