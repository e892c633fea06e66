// tests/fuzz/ConfigFuzz.cpp — seeded malformed "QM57REC.INI" files at every layer (beside the host, common,
// local and roaming application data) and the real recorder started on them, one run each. Every run must
// end one of the ways the configuration allows: Define Target shows and a cancel ends the program with 0;
// or a start-up failure is told with its own message box (or, for a 'Window Messages' key beside the host
// that is no number, with its debug line) and the program ends with 0. A sound file that a layer names
// and that is missing is told by its own box on the way. A run that hangs, crashes, shows anything else or
// leaves the program running fails; its files are kept in the folder.
//
// Usage: ConfigFuzz --folder=DIR [--runs=N] [--seed=S]
#include <windows.h>

#include <shlobj.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/DebugListener.h"
#include "tests/support/RecorderProcess.h"

namespace
{
const DWORD c_dwWaitMs = 60000;
const int c_nTargetList = 2004; // Define Target: the application list
const char c_szBadMessageKey[] =
    "SIMCAP::LoadConfigurationFile(): error converting an 'Window Messages' key to a number\n";
// The start-up failures that have a message box of their own.
const char* const c_apszStartupBoxes[] = {
    "Could not create a default location for the capture file.",
    "Could not create path to INI file under the User Application Data folder area.",
    "Could not find the User Application Data folder area.",
    "Could not determine the default location for the capture file.",
};
const char* const c_apszSections[] = {
    "Settings",        "Debug",          "Window Messages", "Applications",         "ButtonClasses",
    "ComboBoxClasses", "ListBoxClasses", "EditClasses",     "AccessibilityClasses", "Sounds"};
const char* const c_apszKeys[] = {"OutputPath",
                                  "IncludeHiddenWindows",
                                  "IncludeMouseEvents",
                                  "IncludeJournalEvents",
                                  "KeepTempOutputFiles",
                                  "ShowDeltaState",
                                  "SnapshotKey",
                                  "StopKey",
                                  "SelfCapture",
                                  "UserAssistanceDlg",
                                  "OverwriteOKDlg",
                                  "AccessibilityEntry",
                                  "Exclusions",
                                  "ClicksEnabled",
                                  "NoteRequestEnabled",
                                  "TypeStroke",
                                  "MouseClick",
                                  "Start",
                                  "Step",
                                  "15",
                                  "0x113",
                                  "0777",
                                  "notepad.exe",
                                  "Button",
                                  "Edit"};
const char* const c_apszNumbers[] = {"0",
                                     "1",
                                     "-1",
                                     "99999999999999999999",
                                     "0x",
                                     "0xFFFFFFFFFF",
                                     "4294967296",
                                     "-2147483649",
                                     "0x0002002C",
                                     "12ab",
                                     "077777777777",
                                     " 7 ",
                                     "+3",
                                     "1e9",
                                     ""};

class IniMaker
{
  public:
    explicit IniMaker(FuzzRandom& random) : rnd(random) {}

    std::string Make()
    {
        std::string text;
        if (rnd.OneIn(8)) text += rnd.OneIn(2) ? "\xEF\xBB\xBF" : "\xFF\xFE"; // byte-order marks
        for (uint32_t nChunk = 1 + rnd.Below(6); nChunk > 0; --nChunk)
            switch (rnd.Below(9))
            {
            case 0: text += Junk(rnd.Below(4096)); break;
            case 1: text += LongLine(); break;
            case 2: text += Section() + Key() + "\r\n" + Key() + "=\r\n" + "=" + Value() + "\r\n"; break;
            case 3: text += Duplicates(); break;
            case 4: text += Section() + Key() + "=" + rnd.Pick(c_apszNumbers) + "\r\n"; break;
            case 5: text += LongList(); break;
            case 6: text += NonAscii(); break;
            default: text += Plausible(); break;
            }
        return text;
    }

  private:
    std::string Junk(size_t cb)
    {
        std::string s(cb, '\0');
        for (char& ch : s)
            ch = static_cast<char>(rnd.Next());
        return s;
    }
    std::string Section() { return "[" + std::string(rnd.Pick(c_apszSections)) + "]\r\n"; }
    std::string Key() { return rnd.OneIn(5) ? Junk(1 + rnd.Below(20)) : rnd.Pick(c_apszKeys); }
    std::string Value() { return rnd.OneIn(2) ? rnd.Pick(c_apszNumbers) : Junk(rnd.Below(300)); }
    // Over 64 KiB in a section name, a key or a value.
    std::string LongLine()
    {
        std::string huge(65536 + rnd.Below(70000), static_cast<char>('a' + rnd.Below(26)));
        switch (rnd.Below(3))
        {
        case 0: return "[" + huge + "]\r\n" + Key() + "=1\r\n";
        case 1: return Section() + huge + "=1\r\n";
        }
        return Section() + Key() + "=" + huge + "\r\n";
    }
    std::string Duplicates()
    {
        std::string section = Section(), key = Key(), s;
        for (int i = 0; i < 3; ++i)
            s += section + key + "=" + Value() + "\r\n" + key + "=" + Value() + "\r\n";
        return s;
    }
    // A class, message or application list of 10,000 entries.
    std::string LongList()
    {
        static const char* const c_apszLists[] = {"ButtonClasses", "ListBoxClasses", "Window Messages",
                                                  "Applications"};
        std::string s = "[" + std::string(rnd.Pick(c_apszLists)) + "]\r\n";
        for (int i = 0; i < 10000; ++i)
            s += (rnd.OneIn(100) ? Junk(8) : "Entry" + std::to_string(i)) + "=" +
                 (rnd.OneIn(50) ? "0" : "1") + "\r\n";
        return s;
    }
    std::string NonAscii()
    {
        std::string high;
        for (uint32_t i = 1 + rnd.Below(40); i > 0; --i)
            high += static_cast<char>(0x80 + rnd.Below(128));
        return "[" + high + "]\r\n" + high + "=" + high + "\r\n" + Section() + high + "=" + high + "\r\n";
    }
    std::string Plausible()
    {
        std::string s = Section();
        for (uint32_t i = rnd.Below(8); i > 0; --i)
            s += std::string(rnd.Pick(c_apszKeys)) + "=" + Value() + (rnd.OneIn(4) ? "\n" : "\r\n");
        return s;
    }

    FuzzRandom& rnd;
};

std::string FolderPath(int nFolder)
{
    char sz[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, nFolder, nullptr, 0, sz))) return std::string();
    return sz;
}

class ConfigFuzz
{
  public:
    explicit ConfigFuzz(uint32_t nSeed) : rnd(nSeed), maker(rnd)
    {
        layers.push_back(ModuleFolder() + "QM57REC.INI");
        for (int nFolder : {CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_APPDATA})
            layers.push_back(FolderPath(nFolder) + "\\Quillmark\\QM57REC.INI");
    }

    bool Run(uint32_t nRuns, const std::string& folder)
    {
        DWORD dwStart = GetTickCount();
        for (uint32_t i = 0; i < nRuns; ++i)
            if (!RunOnce(i, folder)) return false;
        RemoveAllConfigFiles();
        printf("%lu runs in %.1f s: Define Target %lu, start-up boxes %lu, unconvertible message keys %lu, "
               "missing sound files told %lu\n",
               static_cast<unsigned long>(nRuns), (GetTickCount() - dwStart) / 1000.0, nShown, nBoxes,
               nBadKeys, nSoundBoxes);
        return true;
    }

  private:
    bool RunOnce(uint32_t nRun, const std::string& folder)
    {
        RemoveAllConfigFiles();
        std::vector<std::string> contents(layers.size());
        for (size_t i = 0; i < layers.size(); ++i)
        {
            if (i + 1 < layers.size() && !rnd.OneIn(2)) continue;
            contents[i] = maker.Make();
            CreateFolders(layers[i].substr(0, layers[i].find_last_of('\\')));
            WriteWholeFile(layers[i], contents[i]);
        }
        RecorderProcess recorder;
        if (!recorder.Start()) return Fail(nRun, "the recorder did not start", contents, folder);
        DWORD dwStart = GetTickCount();
        for (;;)
        {
            std::string box;
            if (HWND hwndSetup = FindDialog(recorder))
            {
                ++nShown;
                PostMessageA(hwndSetup, WM_COMMAND, IDCANCEL, 0);
                break;
            }
            if (HWND hwndBox = FindMessageBox(recorder.ProcessId(), &box))
            {
                // A sound file that a layer names and that is missing is told, and the start goes on.
                if (box.compare(0, 15, "Could not find ") == 0)
                {
                    ++nSoundBoxes;
                    PostMessageA(hwndBox, WM_COMMAND, IDOK, 0);
                    Sleep(100);
                    continue;
                }
                if (!IsStartupBox(box)) return Fail(nRun, ("message box: " + box).c_str(), contents, folder);
                ++nBoxes;
                PostMessageA(hwndBox, WM_COMMAND, IDOK, 0);
                break;
            }
            if (!recorder.IsRunning())
            {
                if (!debug.WaitForLine(recorder.ProcessId(), c_szBadMessageKey, 1000))
                    return Fail(nRun, "ended before Define Target", contents, folder);
                ++nBadKeys;
                break;
            }
            if (GetTickCount() - dwStart > c_dwWaitMs)
                return Fail(nRun, "no Define Target, box or end", contents, folder);
            Sleep(30);
        }
        if (!recorder.WaitForExit(c_dwWaitMs)) return Fail(nRun, "still running", contents, folder);
        if (recorder.ExitCode() != 0) return Fail(nRun, "ended with a code other than 0", contents, folder);
        return true;
    }

    HWND FindDialog(RecorderProcess& recorder) { return recorder.WaitForDialog(c_nTargetList, 0); }

    static bool IsStartupBox(const std::string& text)
    {
        for (const char* psz : c_apszStartupBoxes)
            if (text == psz) return true;
        return false;
    }

    bool Fail(uint32_t nRun, const char* pszWhat, const std::vector<std::string>& contents,
              const std::string& folder)
    {
        printf("FAILED in run %lu: %s; the files are kept in %s as layer_N.ini\n",
               static_cast<unsigned long>(nRun), pszWhat, folder.c_str());
        for (size_t i = 0; i < contents.size(); ++i)
            if (!contents[i].empty())
                WriteWholeFile(folder + "\\layer_" + std::to_string(i) + ".ini", contents[i]);
        RemoveAllConfigFiles();
        return false;
    }

    FuzzRandom rnd;
    IniMaker maker;
    DebugListener debug;
    std::vector<std::string> layers;
    unsigned long nShown = 0;
    unsigned long nBoxes = 0;
    unsigned long nBadKeys = 0;
    unsigned long nSoundBoxes = 0;
};
} // namespace

int main(int argc, char** argv)
{
    uint32_t nSeed = OptionNumber(argc, argv, "seed", GetTickCount());
    uint32_t nRuns = OptionNumber(argc, argv, "runs", 50);
    std::string folder = OptionText(argc, argv, "folder", "");
    if (folder.empty())
    {
        printf("usage: ConfigFuzz --folder=DIR [--runs=N] [--seed=S]\n");
        return 2;
    }
    CreateFolders(folder);
    printf("seed %lu, %lu runs\n", static_cast<unsigned long>(nSeed), static_cast<unsigned long>(nRuns));
    fflush(stdout);
    ConfigFuzz fuzz(nSeed);
    return fuzz.Run(nRuns, folder) ? 0 : 1;
}
