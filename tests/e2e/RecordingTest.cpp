// tests/e2e/RecordingTest.cpp — a whole recording driven as a person would: the real host executable,
// its Define Target dialog, the hotkeys pressed with SendInput, the Saving Data and Data Saved dialogs.
// The recording files stay in RECORDING_CHECK_DIR, where an independent reader checks them next.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/DebugListener.h"
#include "tests/support/Keyboard.h"
#include "tests/support/TargetList.h"
#include "tests/support/RecorderProcess.h"
#include "tests/targets/TargetApp.h"

namespace
{
const DWORD c_dwWaitMs = 60000;
const int c_nTargetList = 2004; // Define Target: the application list
const int c_nUserAssistance = 2601;
const int c_nDataSavedPath = 2301;
const int c_nFileExistsDontAsk = 2402;

std::string CheckFolder()
{
    char sz[MAX_PATH] = {};
    if (GetEnvironmentVariableA("RECORDING_CHECK_DIR", sz, sizeof(sz)) && sz[0]) return sz;
    char szTemp[MAX_PATH] = {};
    GetTempPathA(sizeof(szTemp), szTemp);
    return std::string(szTemp) + "recordings";
}

void WriteText(const std::string& path, const std::string& text)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD cb = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &cb, nullptr);
    CloseHandle(h);
}

void TypeKeys(const std::vector<WORD>& keys)
{
    for (WORD wVk : keys)
        Press(wVk);
}

void Click(HWND hwndDialog, int nId)
{
    PostMessageA(GetDlgItem(hwndDialog, nId), BM_CLICK, 0, 0);
}

std::string TempFolder()
{
    char szTemp[MAX_PATH] = {};
    GetTempPathA(sizeof(szTemp), szTemp);
    return szTemp;
}

// The tag map's temporary files and the files that name them, as they stand in the temporary folder.
std::set<std::string> TagMapFiles()
{
    std::set<std::string> names;
    for (const char* pszPattern : {"*_CF*", "tmp*.tmp"})
    {
        WIN32_FIND_DATAA fd;
        HANDLE hFind = FindFirstFileA((TempFolder() + pszPattern).c_str(), &fd);
        if (hFind == INVALID_HANDLE_VALUE) continue;
        do
            names.insert(fd.cFileName);
        while (FindNextFileA(hFind, &fd));
        FindClose(hFind);
    }
    return names;
}

class RecordingTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(debug.IsListening());
        // A target left over from an earlier test would stand in the list beside ours.
        for (HWND hwndOld; (hwndOld = FindWindowA(TARGET_MAIN_CLASS, nullptr)) != nullptr;)
        {
            DWORD dwOld = 0;
            GetWindowThreadProcessId(hwndOld, &dwOld);
            HANDLE hOld = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, dwOld);
            ASSERT_NE(nullptr, hOld);
            TerminateProcess(hOld, 0);
            WaitForSingleObject(hOld, 5000);
            CloseHandle(hOld);
        }
        folder = CheckFolder();
        CreateDirectoryA(folder.c_str(), nullptr);
        RemoveAllConfigFiles();
        tempFilesBefore = TagMapFiles();
    }

    // The temporary files this test's recordings made.
    std::vector<std::string> NewTagMapFiles() const
    {
        std::vector<std::string> names;
        for (const std::string& name : TagMapFiles())
            if (!tempFilesBefore.count(name)) names.push_back(name);
        return names;
    }

    // What the recorder said is the first thing to read when a recording goes wrong.
    void TearDown() override
    {
        RemoveAllConfigFiles();
        if (HasFailure())
            for (const std::string& line : debug.LinesOf(recorder.ProcessId()))
                printf("recorder: %s", line.c_str());
    }

    // The user's configuration names the recording file before the recorder starts.
    void UseRecordingFile(const std::string& name, bool bControlClasses = false,
                          const std::string& settings = "")
    {
        recording = folder + "\\" + name + ".qmr";
        DeleteFileA(recording.c_str());
        std::string config = UserConfigPath();
        CreateDirectoryA(config.substr(0, config.find_last_of('\\')).c_str(), nullptr);
        WriteText(config, "[Settings]\r\nOutputPath=" + recording + "\r\n" + settings);
        // The control classes whose contents a state holds come from the configuration beside the program.
        if (bControlClasses)
            WriteText(ModuleFolder() + "QM57REC.INI", "[ButtonClasses]\r\nButton=1\r\n[ListBoxClasses]\r\n"
                                                      "ListBox=1\r\n[ComboBoxClasses]\r\nComboBox=1\r\n");
    }

    // Starts the recorder, ticks the target in Define Target and confirms User Assistance: armed.
    void ArmFor(const std::string& title, bool bReplacing = false)
    {
        if (!recorder.IsRunning())
        {
            ASSERT_TRUE(recorder.Start());
        }
        HWND hwndSetup = recorder.WaitForDialog(c_nTargetList, c_dwWaitMs);
        ASSERT_NE(nullptr, hwndSetup);
        ASSERT_TRUE(TickEntry(GetDlgItem(hwndSetup, c_nTargetList), title)) << "no entry " << title;
        Sleep(200);
        Click(hwndSetup, IDOK);
        if (bReplacing)
        {
            HWND hwndExists = recorder.WaitForDialog(c_nFileExistsDontAsk, c_dwWaitMs);
            ASSERT_NE(nullptr, hwndExists) << "no File Already Exists dialog";
            Click(hwndExists, IDOK);
        }
        HWND hwndAssist = recorder.WaitForDialog(c_nUserAssistance, c_dwWaitMs);
        ASSERT_NE(nullptr, hwndAssist);
        Click(hwndAssist, IDOK);
        ASSERT_TRUE(debug.WaitForLine(recorder.ProcessId(),
                                      "SIMCAP::HookKeys(): Installing JournalHookKeyProc.\n", c_dwWaitMs));
        Sleep(300);
    }

    // Print Screen starts, types the keys, marks a step, and Ctrl+Print Screen stops; Data Saved then
    // ends the program.
    void RecordKeys(const std::vector<WORD>& keys, bool bAnother = false)
    {
        Record({[&] { TypeKeys(keys); }}, bAnother);
    }

    // The recording starts; the user does each piece of work and marks a step after it; then the stop.
    void Record(const std::vector<std::function<void()>>& steps, bool bAnother = false)
    {
        StartRecording();
        if (HasFatalFailure()) return;
        Sleep(2500); // the writer thread looks every two seconds
        for (const std::function<void()>& work : steps)
        {
            work();
            Press(VK_SNAPSHOT);
            Sleep(500);
        }
        StopRecording();
        FinishWithDataSaved(bAnother);
    }

    void StartRecording()
    {
        Press(VK_SNAPSHOT);
        ASSERT_TRUE(debug.WaitForLine(recorder.ProcessId(),
                                      "SIMCAP::StartCapture(): We're now capturing events\n", c_dwWaitMs));
    }

    void StopRecording()
    {
        Key(VK_CONTROL, false);
        Press(VK_SNAPSHOT);
        Key(VK_CONTROL, true);
    }

    void FinishWithDataSaved(bool bAnother)
    {
        HWND hwndSaved = recorder.WaitForDialog(c_nDataSavedPath, 60000);
        ASSERT_NE(nullptr, hwndSaved) << "no Data Saved dialog";
        Click(hwndSaved, bAnother ? IDOK : IDCANCEL);
        if (bAnother) return;
        ASSERT_TRUE(recorder.WaitForExit(c_dwWaitMs));
        EXPECT_EQ(0u, recorder.ExitCode());
    }

    // Leaves what the reader must find: the keys typed, and what the states must show (JSON).
    void ExpectOnlyTheRecordingLeft(const std::vector<WORD>& keys, const std::string& states = "")
    {
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(recording.c_str())) << recording;
        WIN32_FIND_DATAA fd;
        HANDLE hFind = FindFirstFileA((folder + "\\SC_*").c_str(), &fd);
        EXPECT_EQ(INVALID_HANDLE_VALUE, hFind) << "a session folder was left behind: " << fd.cFileName;
        if (hFind != INVALID_HANDLE_VALUE) FindClose(hFind);
        for (const std::string& name : NewTagMapFiles())
            ADD_FAILURE() << "a temporary file was left behind: " << name;
        std::string expect;
        for (WORD wVk : keys)
            expect += std::to_string(wVk) + "\n";
        // The keystrokes of the hotkeys are taken out of every whole recording.
        if (states.find("cut_short") == std::string::npos)
            expect += "!" + std::to_string(VK_SNAPSHOT) + "\n!" + std::to_string(VK_CONTROL) + "\n";
        std::string base = recording.substr(0, recording.size() - 4);
        WriteText(base + ".expect", expect);
        if (!states.empty()) WriteText(base + ".json", states);
    }

    DebugListener debug;
    RecorderProcess recorder;
    std::string folder;
    std::string recording;
    std::set<std::string> tempFilesBefore;
};

// The first visible, unowned top-level window of a process; null when none comes within the time.
HWND WaitForMainWindow(DWORD dwProcessId)
{
    return WaitForProcessWindow(
        dwProcessId, [](HWND hwnd) { return IsWindowVisible(hwnd) && !GetWindow(hwnd, GW_OWNER); }, 120000);
}

void OpenFileMenu(HWND)
{
    Key(VK_MENU, false);
    Press('F');
    Key(VK_MENU, true);
    Sleep(500);
}

void CloseMenu(HWND)
{
    Press(VK_ESCAPE);
    Press(VK_ESCAPE);
}

void OpenTargetDialog(HWND hwndTarget)
{
    PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_OPEN_DIALOG, 0);
    for (int i = 0; i < 1200 && !FindWindowA("#32770", "SimTarget Dialog"); ++i)
        Sleep(50);
    Sleep(300);
}

void CloseDialog(HWND)
{
    Press(VK_ESCAPE);
}

void ExitTarget(HWND hwndTarget)
{
    PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_EXIT, 0);
    for (int i = 0; i < 1200 && IsWindow(hwndTarget); ++i)
        Sleep(50);
    Sleep(300);
}

// One recording of a real application: how it starts, what the user does before the first step (then
// the keys), what after it (then a second step), and what its states must show, as JSON for the reader.
// "%CLASS%" in the JSON stands for the class of the application's main window.
struct Scenario
{
    const char* pszName;
    const char* pszCommand; // null: the project's target
    void (*pfnWork)(HWND hwndTarget);
    std::vector<WORD> keys;
    void (*pfnMore)(HWND hwndTarget);
    const char* pszStates;
};

const char c_szTargetStates[] =
    R"("process": "SimTarget.exe", "window": "SimTargetMain", "children": ["Button", "Edit"])";

const Scenario c_aScenarios[] = {
    {"simtarget",
     nullptr,
     nullptr,
     {'H', 'I'},
     nullptr,
     R"({"states": 2, %TARGET%, "typed": {"state": 2, "class": "Edit", "text": "hi"}})"},
    {"simtarget_menu",
     nullptr,
     OpenFileMenu,
     {},
     CloseMenu,
     R"({"states": 3, %TARGET%, "top_level": {"state": 2, "class": "#32768"}})"},
    {"simtarget_dialog",
     nullptr,
     OpenTargetDialog,
     {'X', 'Y'},
     CloseDialog,
     R"({"states": 3, %TARGET%, "top_level": {"state": 2, "class": "#32770"},
         "typed": {"state": 2, "class": "Edit", "text": "xy"}, "destroyed": ["#32770"]})"},
    {"simtarget_closed",
     nullptr,
     ExitTarget,
     {},
     nullptr,
     R"({"states": 2, %TARGET%, "destroyed": ["SimTargetMain"]})"},
    {"notepad",
     "notepad.exe",
     nullptr,
     {'Q', 'M'},
     nullptr,
     R"({"states": 2, "process": "notepad.exe", "window": "%CLASS%", "children": ["Edit"],
         "typed": {"state": 2, "class": "Edit", "text": "qm"}})"},
    {"regedit",
     "regedit.exe",
     nullptr,
     {},
     nullptr,
     R"({"states": 2, "process": "regedit.exe", "window": "%CLASS%",
         "descendants": ["SysTreeView32", "SysListView32"]})"},
    {"winefile",
     "winefile.exe",
     nullptr,
     {},
     nullptr,
     R"({"states": 2, "process": "winefile.exe", "window": "%CLASS%",
         "descendants": ["ToolbarWindow32", "ListBox"], "controls": ["ListBox", "toolbar", "menu"]})"},
    {"wordpad",
     "\"%ProgramFiles%\\Windows NT\\Accessories\\wordpad.exe\"",
     nullptr,
     {'W'},
     nullptr,
     R"({"states": 2, "process": "wordpad.exe", "window": "%CLASS%",
         "descendants": ["ToolbarWindow32", "ComboBoxEx32", "ComboBox"],
         "controls": ["ComboBox", "toolbar", "menu"]})"},
};

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (size_t i = text.find(from); i != std::string::npos; i = text.find(from, i + to.size()))
        text.replace(i, from.size(), to);
    return text;
}

class ScenarioTest : public RecordingTest, public ::testing::WithParamInterface<Scenario>
{
};

TEST_P(ScenarioTest, RecordsTheStatesOfARealApplication)
{
    const Scenario& scenario = GetParam();
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    char szCommand[MAX_PATH] = {};
    if (scenario.pszCommand) ExpandEnvironmentStringsA(scenario.pszCommand, szCommand, sizeof(szCommand));
    std::string command = scenario.pszCommand ? szCommand : ModuleFolder() + TARGET_EXE_NAME;
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForInputIdle(pi.hProcess, 120000);
    HWND hwndTarget = WaitForMainWindow(pi.dwProcessId);
    ASSERT_NE(nullptr, hwndTarget) << command;
    char szTitle[256] = {}, szClass[256] = {};
    GetWindowTextA(hwndTarget, szTitle, sizeof(szTitle));
    GetClassNameA(hwndTarget, szClass, sizeof(szClass));

    UseRecordingFile(scenario.pszName, true);
    ArmFor(szTitle);
    if (scenario.pszCommand)
        SetForegroundWindow(hwndTarget);
    else
        PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_ACTIVATE, 0);
    Sleep(500);
    std::vector<std::function<void()>> steps = {[&] {
        if (scenario.pfnWork) scenario.pfnWork(hwndTarget);
        TypeKeys(scenario.keys);
    }};
    if (scenario.pfnMore) steps.push_back([&] { scenario.pfnMore(hwndTarget); });
    Record(steps);
    std::string states = Replace(scenario.pszStates, "%TARGET%", c_szTargetStates);
    ExpectOnlyTheRecordingLeft(scenario.keys, Replace(states, "%CLASS%", szClass));

    TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

INSTANTIATE_TEST_SUITE_P(Applications, ScenarioTest, ::testing::ValuesIn(c_aScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             return std::string(info.param.pszName);
                         });

// Three steps in notepad, recorded twice: as a user gets them, each later state as its changes; then with
// every state in full while the recorder keeps its temporary files, whose deltas the rebuild tool applies
// to the first state and compares with the full states (the last test of the run, "RecordedDeltasRebuilt").
TEST_F(RecordingTest, LaterStatesAreTheirDeltasAndRebuildToTheFullStates)
{
    const std::string kept = folder + "\\notepad_full.kept";
    CreateDirectoryA(kept.c_str(), nullptr);
    for (const char* pszName : {"notepad_deltas", "notepad_full"})
    {
        bool bFull = pszName == std::string("notepad_full");
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        char szCommand[] = "notepad.exe";
        ASSERT_TRUE(
            CreateProcessA(nullptr, szCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        WaitForInputIdle(pi.hProcess, 120000);
        HWND hwndTarget = WaitForMainWindow(pi.dwProcessId);
        ASSERT_NE(nullptr, hwndTarget);
        char szTitle[256] = {};
        GetWindowTextA(hwndTarget, szTitle, sizeof(szTitle));
        UseRecordingFile(pszName, true, bFull ? "ShowDeltaState=0\r\nKeepTempOutputFiles=1\r\n" : "");
        ArmFor(szTitle);
        SetForegroundWindow(hwndTarget);
        Sleep(500);
        Record({[] { Press('D'); }, [] { Press('E'); }, [] { Press('F'); }});
        TerminateProcess(pi.hProcess, 0);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        // The kept files go where the rebuild tool reads them; the files that named them go.
        for (const std::string& name : bFull ? NewTagMapFiles() : std::vector<std::string>())
            if (name.find("_CF") != std::string::npos)
                MoveFileExA((TempFolder() + name).c_str(), (kept + "\\" + name).c_str(),
                            MOVEFILE_REPLACE_EXISTING);
            else
                DeleteFileA((TempFolder() + name).c_str());
        ExpectOnlyTheRecordingLeft({'D', 'E', 'F'}, bFull ? R"({"states": 4, "full": true})"
                                                          : R"({"states": 4, "deltas": {"class": "Edit",
                                                               "texts": ["d", "de", "def"]}})");
    }
}

// A message box of the recorder process with this text, or null.
HWND WaitForBox(DWORD dwProcessId, const std::string& text, DWORD dwTimeoutMs)
{
    auto shows = [&](HWND hwnd) {
        char sz[600] = {};
        HWND hwndText = IsWindowVisible(hwnd) ? FindWindowExA(hwnd, nullptr, nullptr, text.c_str()) : nullptr;
        return hwndText && GetWindowTextA(hwndText, sz, sizeof(sz)) && text == sz;
    };
    return WaitForProcessWindow(dwProcessId, shows, dwTimeoutMs);
}

class RecordingFailureTest : public RecordingTest
{
  protected:
    void SetUp() override
    {
        RecordingTest::SetUp();
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        std::string target = ModuleFolder() + TARGET_EXE_NAME;
        ASSERT_TRUE(
            CreateProcessA(target.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        for (int i = 0; i < 2400 && !hwndTarget; ++i, Sleep(50))
            hwndTarget = FindWindowA(TARGET_MAIN_CLASS, nullptr);
        ASSERT_NE(nullptr, hwndTarget);
    }
    void TearDown() override
    {
        RecordingTest::TearDown();
        if (pi.hProcess)
        {
            TerminateProcess(pi.hProcess, 0);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }

    // The recorder inherits the fault from this process's environment at its start.
    void StartRecorder(const char* pszFault)
    {
        SetEnvironmentVariableA("QM57REC_TEST_WRITE_FAULT", pszFault);
        bool bStarted = recorder.Start();
        SetEnvironmentVariableA("QM57REC_TEST_WRITE_FAULT", nullptr);
        ASSERT_TRUE(bStarted);
    }

    // The box is answered as a user typing on would answer it: Enter reaches whatever has the focus.
    void AnswerBoxWithEnter(const std::string& text)
    {
        HWND hwndBox = WaitForBox(recorder.ProcessId(), text, 60000);
        ASSERT_NE(nullptr, hwndBox) << "no box saying: " << text;
        EXPECT_EQ(hwndBox, GetForegroundWindow()) << "the box is not in front";
        SetForegroundWindow(hwndBox);
        Press(VK_RETURN);
        for (int i = 0; i < 600 && IsWindow(hwndBox); ++i)
            Sleep(50);
        ASSERT_FALSE(IsWindow(hwndBox)) << "Enter did not close the box";
    }

    void Activate()
    {
        PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_ACTIVATE, 0);
        Sleep(400);
    }

    PROCESS_INFORMATION pi = {};
    HWND hwndTarget = nullptr;
};

TEST_F(RecordingFailureTest, ExitFromTheTrayWhileArmedRemovesTheHotkeyHookAndEndsWithZero)
{
    UseRecordingFile("armed_exit");
    ArmFor("SimTarget");
    HWND hwndRecorder = recorder.WaitForWindow(c_dwWaitMs);
    ASSERT_NE(nullptr, hwndRecorder);
    PostMessageA(hwndRecorder, WM_COMMAND, 1090, 0);
    ASSERT_TRUE(recorder.WaitForExit(c_dwWaitMs));
    EXPECT_EQ(0u, recorder.ExitCode());
    EXPECT_TRUE(debug.HasLine(recorder.ProcessId(), "SIMCAP::UnhookKeys(): Clearing JournalHookKeyProc\n"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(recording.c_str())) << "nothing was recorded";
}

TEST_F(RecordingFailureTest, TheSecondRecordingOfARunTakesTheNextSessionId)
{
    UseRecordingFile("second");
    ArmFor("SimTarget");
    PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_ACTIVATE, 0);
    Sleep(300);
    RecordKeys({'A'}, true);
    ArmFor("SimTarget", true);
    PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_ACTIVATE, 0);
    Sleep(300);
    RecordKeys({'B'});
    // Each session is begun and done once, under its own folder.
    EXPECT_EQ(2u, debug.CountLines(recorder.ProcessId(), "\\SC_0001\\second.qmr'"));
    EXPECT_EQ(2u, debug.CountLines(recorder.ProcessId(), "\\SC_0002\\second.qmr'"));
    EXPECT_EQ(2u,
              debug.CountLines(recorder.ProcessId(), "PackageSession - sending packaging result as TRUE"));
    ExpectOnlyTheRecordingLeft({'B'});
}

TEST_F(RecordingFailureTest, ASessionFolderThatCannotBeMadeIsReportedAndNothingIsRecorded)
{
    // The recording file's folder does not exist, so no session folder can be made beside it.
    UseRecordingFile("missing\\nofolder");
    ArmFor("SimTarget");
    PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_ACTIVATE, 0);
    Sleep(300);
    Press(VK_SNAPSHOT);
    HWND hwndBox =
        WaitForBox(recorder.ProcessId(), "Could not create directory for session data.", c_dwWaitMs);
    ASSERT_NE(nullptr, hwndBox) << "no message about the session folder";
    PostMessageA(hwndBox, WM_COMMAND, IDOK, 0);
    Sleep(300);
    EXPECT_FALSE(debug.HasLine(recorder.ProcessId(), "SIMCAP::StartCapture(): We're now capturing events\n"));
    HWND hwndRecorder = recorder.WaitForWindow(c_dwWaitMs);
    PostMessageA(hwndRecorder, WM_COMMAND, 1090, 0);
    ASSERT_TRUE(recorder.WaitForExit(c_dwWaitMs));
    EXPECT_EQ(0u, recorder.ExitCode());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "\\missing").c_str()));
}

TEST_F(RecordingFailureTest, AReadOnlyRecordingFileIsRefusedWithItsMessage)
{
    UseRecordingFile("readonly");
    WriteText(recording, "an earlier recording");
    SetFileAttributesA(recording.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(recorder.Start());
    HWND hwndSetup = recorder.WaitForDialog(c_nTargetList, c_dwWaitMs);
    ASSERT_NE(nullptr, hwndSetup);
    ASSERT_TRUE(TickEntry(GetDlgItem(hwndSetup, c_nTargetList), "SimTarget"));
    Sleep(200);
    Click(hwndSetup, IDOK);
    // The user agrees to replace the earlier recording; the file itself refuses.
    HWND hwndExists = recorder.WaitForDialog(c_nFileExistsDontAsk, c_dwWaitMs);
    ASSERT_NE(nullptr, hwndExists) << "no File Already Exists dialog";
    Click(hwndExists, IDOK);
    HWND hwndBox = WaitForBox(recorder.ProcessId(), "Access to " + recording + " was denied.", c_dwWaitMs);
    ASSERT_NE(nullptr, hwndBox) << "no access-denied message";
    PostMessageA(hwndBox, WM_COMMAND, IDOK, 0);
    // The earlier recording is untouched and the user is back in Define Target.
    Sleep(500);
    EXPECT_TRUE(IsWindow(hwndSetup));
    EXPECT_EQ(std::string("an earlier recording"), ReadWholeFile(recording));
    PostMessageA(hwndSetup, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(recorder.WaitForExit(c_dwWaitMs));
    EXPECT_EQ(0u, recorder.ExitCode());
    SetFileAttributesA(recording.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(recording.c_str());
}
void ExpectNoSessionFolder(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((folder + "\\SC_*").c_str(), &fd);
    EXPECT_EQ(INVALID_HANDLE_VALUE, hFind) << "a session folder was left behind: " << fd.cFileName;
    if (hFind != INVALID_HANDLE_VALUE) FindClose(hFind);
}

// How a session ends for the user, seen from outside.
enum class Ending
{
    Saved,             // Data Saved, and the recording holds what was typed
    SavedAfterNotice,  // a box says the recording stopped early; Enter; Data Saved with what came before
    FailedThenTwoMore, // the error box; Enter; back at Define Target with nothing left; two recordings follow
};

struct SessionCase
{
    const char* pszName;
    const char* pszFault; // QM57REC_TEST_WRITE_FAULT for the recorder, or null
    DWORD dwPauseMs;      // between the start and the first keystroke
    Ending ending;
};

// Closing a menu, a dialog or the target itself during a recording is recorded like anything else: the
// scenarios above read those recordings back.
const SessionCase c_aSessionCases[] = {
    {"pause", nullptr, 5000, Ending::Saved},
    {"writefault", "once:1500", 2500, Ending::SavedAfterNotice},
    {"afterfailure", "once:0", 0, Ending::FailedThenTwoMore},
};

class SessionEndTest : public RecordingFailureTest, public ::testing::WithParamInterface<SessionCase>
{
};

TEST_P(SessionEndTest, EndsWithDataSavedOrAVisibleErrorAndLeavesNothingBehind)
{
    const SessionCase& session = GetParam();
    UseRecordingFile(std::string("session_") + session.pszName);
    StartRecorder(session.pszFault);
    ArmFor("SimTarget");
    Activate();
    StartRecording();

    if (session.ending == Ending::FailedThenTwoMore)
    {
        // The capture file fails at its first byte: the recording stops at once and says why.
        AnswerBoxWithEnter("Problem writing Event List VersionNoEncode");
        ASSERT_NE(nullptr, recorder.WaitForDialog(c_nTargetList, c_dwWaitMs)) << "not back at Define Target";
        EXPECT_EQ(nullptr, recorder.WaitForDialog(c_nDataSavedPath, 500)) << "a failed session was saved";
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(recording.c_str()));
        ExpectNoSessionFolder(folder);
        // Nothing of the failed session reaches the next ones.
        ArmFor("SimTarget");
        Activate();
        RecordKeys({'C'}, true);
        ArmFor("SimTarget", true);
        Activate();
        RecordKeys({'D'});
        ExpectOnlyTheRecordingLeft({'D'});
        WriteText(recording.substr(0, recording.size() - 4) + ".expect", "68\n!67\n!65\n!44\n!17\n");
        return;
    }

    Sleep(session.dwPauseMs);
    Press('A');
    Sleep(500);
    Press('B');
    Press(VK_SNAPSHOT);
    Sleep(500);
    StopRecording();
    if (session.ending == Ending::SavedAfterNotice)
        AnswerBoxWithEnter("ERROR: Problem writing Event List.  The recording was stopped there; what was "
                           "recorded before the problem is being saved.");
    FinishWithDataSaved(false);
    // A recording cut short keeps what came before the problem: well-formed, but perhaps without a state.
    if (session.ending == Ending::Saved)
        ExpectOnlyTheRecordingLeft({'A', 'B'}, R"({"states": 2})");
    else
        ExpectOnlyTheRecordingLeft({}, R"({"cut_short": true})");
}

INSTANTIATE_TEST_SUITE_P(Sessions, SessionEndTest, ::testing::ValuesIn(c_aSessionCases),
                         [](const ::testing::TestParamInfo<SessionCase>& info) {
                             return std::string(info.param.pszName);
                         });

// A disk that fills up under a recording: the screenshot of a step or the recording file no longer fits.
// The folder is a small file system of its own (SMALL_DISK_DIR, mounted by the test run where the machine
// allows it); the test fills it up to a few kilobytes at the moment it names.
enum class FullBefore
{
    Step, // the step's screenshot finds no room
    Stop, // the session's files are written; the recording file finds no room
};

struct DiskCase
{
    const char* pszName;
    FullBefore full;
    const char* pszError;
};

const DiskCase c_aDiskCases[] = {
    {"diskfull_bitmap", FullBefore::Step, "ERROR: Could not write bitmap of screen to disk.  Cleaning up..."},
    {"diskfull_archive", FullBefore::Stop, "ERROR: Unable to package output files.  Cleaning up..."},
};

class SmallDiskTest : public RecordingFailureTest, public ::testing::WithParamInterface<DiskCase>
{
  protected:
    // Writes real bytes (a file only made long would stay sparse) until cbLeft bytes are free.
    bool FillDisk(ULONGLONG cbLeft)
    {
        HANDLE hFiller = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (hFiller == INVALID_HANDLE_VALUE) return false;
        std::vector<char> chunk(1 << 20, 'f');
        ULARGE_INTEGER free = {};
        while (GetDiskFreeSpaceExA((disk + "\\").c_str(), &free, nullptr, nullptr) && free.QuadPart > cbLeft)
        {
            DWORD cbWrite = static_cast<DWORD>(std::min<ULONGLONG>(chunk.size(), free.QuadPart - cbLeft));
            DWORD cbWritten = 0;
            if (!WriteFile(hFiller, chunk.data(), cbWrite, &cbWritten, nullptr) || cbWritten == 0) break;
        }
        CloseHandle(hFiller);
        return free.QuadPart <= cbLeft + 4096;
    }

    std::string disk;
    std::string filler;
};

TEST_P(SmallDiskTest, TheFailureIsToldNothingPartIsLeftAndTheNextRecordingIsSaved)
{
    const DiskCase& diskCase = GetParam();
    char szDisk[MAX_PATH] = {};
    ULARGE_INTEGER total = {};
    if (!GetEnvironmentVariableA("SMALL_DISK_DIR", szDisk, sizeof(szDisk)) ||
        !GetDiskFreeSpaceExA((std::string(szDisk) + "\\").c_str(), nullptr, &total, nullptr) ||
        total.QuadPart > (64u << 20))
        GTEST_SKIP() << "no small file system to fill (SMALL_DISK_DIR '" << szDisk << "')";
    disk = szDisk;
    filler = disk + "\\filler.bin";
    DeleteFileA(filler.c_str());
    const std::string checked = folder + "\\" + diskCase.pszName + ".qmr";
    folder = disk;
    UseRecordingFile(diskCase.pszName);
    StartRecorder(nullptr);
    ArmFor("SimTarget");
    Activate();
    StartRecording();
    Sleep(2500); // the first state is on the disk
    Press('A');
    if (diskCase.full == FullBefore::Step)
    {
        ASSERT_TRUE(FillDisk(64 << 10));
    }
    Press(VK_SNAPSHOT);
    Sleep(500);
    if (diskCase.full == FullBefore::Stop)
    {
        Sleep(2500); // the step's state is on the disk
        ASSERT_TRUE(FillDisk(12 << 10));
    }
    StopRecording();
    AnswerBoxWithEnter(diskCase.pszError);
    ASSERT_NE(nullptr, recorder.WaitForDialog(c_nTargetList, c_dwWaitMs)) << "not back at Define Target";
    EXPECT_EQ(nullptr, recorder.WaitForDialog(c_nDataSavedPath, 500)) << "a failed session was saved";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(recording.c_str())) << "a partial recording file";
    ExpectNoSessionFolder(disk);

    // With room again, the next recording of the same run is saved whole.
    DeleteFileA(filler.c_str());
    ArmFor("SimTarget");
    Activate();
    RecordKeys({'C'});
    ASSERT_TRUE(
        MoveFileExA(recording.c_str(), checked.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING));
    folder = CheckFolder();
    recording = checked;
    ExpectOnlyTheRecordingLeft({'C'}, R"({"states": 2})");
    ExpectNoSessionFolder(disk);
}

INSTANTIATE_TEST_SUITE_P(FullDisk, SmallDiskTest, ::testing::ValuesIn(c_aDiskCases),
                         [](const ::testing::TestParamInfo<DiskCase>& info) {
                             return std::string(info.param.pszName);
                         });

// A thread of the target that answers nothing costs a state a few seconds at most, whether the system comes
// to see it as hung (it sleeps) or never does (it waits for posted messages alone, so only the recorder's
// own bounds help); the state is written with what could be read, and the recording goes on once it wakes.
TEST_F(RecordingFailureTest, AHungTargetCostsAStateAFewSecondsAndTheRecordingGoesOn)
{
    const char c_szStateTaken[] = "SIMCAP_GETSTATEEVENT::Init(): done - bResult=TRUE";
    const struct
    {
        UINT nCommand;
        DWORD dwHangMs;
    } c_aHangs[] = {{TARGET_CMD_HANG, 8000}, {TARGET_CMD_STALL, 16000}};
    UseRecordingFile("hung", true);
    ArmFor("SimTarget");
    Activate();
    StartRecording();
    Sleep(2500);
    // The window of the thread that will hang comes first; the keys still go to the main window.
    PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_HANG, 0);
    Sleep(300);
    Activate();
    for (const auto& hang : c_aHangs)
    {
        size_t cTaken = debug.CountLines(recorder.ProcessId(), c_szStateTaken);
        PostMessageA(hwndTarget, WM_COMMAND, hang.nCommand, hang.dwHangMs);
        Sleep(300);
        DWORD dwStart = GetTickCount();
        Press(VK_SNAPSHOT);
        while (debug.CountLines(recorder.ProcessId(), c_szStateTaken) == cTaken &&
               GetTickCount() - dwStart < hang.dwHangMs + c_dwWaitMs)
            Sleep(20);
        DWORD dwTakenMs = GetTickCount() - dwStart;
        printf("command %u: the state was taken %lu ms after the step key\n", hang.nCommand, dwTakenMs);
        // One unanswered send, five seconds at the very most, with room for a slow machine; sends that each
        // waited their full time would last until the thread wakes.
        EXPECT_LT(dwTakenMs, 10000u) << "command " << hang.nCommand;
        if (dwTakenMs < hang.dwHangMs + 500) Sleep(hang.dwHangMs + 500 - dwTakenMs);
    }
    TypeKeys({'O', 'K'});
    Press(VK_SNAPSHOT);
    Sleep(500);
    StopRecording();
    FinishWithDataSaved(false);
    // Only the buttons of the thread that hung went unread: those of the main window answered.
    EXPECT_EQ(2 * TARGET_HUNG_BUTTONS, debug.CountLines(recorder.ProcessId(), "did not answer\n"));
    ExpectOnlyTheRecordingLeft({'O', 'K'},
                               R"({"states": 4, "top_level": {"state": 2, "class": "SimTargetHung"},
        "typed": {"state": 4, "class": "Edit", "text": "ok"}})");
}

// A window that goes away while the snapshot reads it is left out with its line, at the top level and among
// the children alike, and every state is written.
TEST_F(RecordingFailureTest, WindowsGoneDuringTheSnapshotAreLeftOutOfEveryState)
{
    UseRecordingFile("vanishing");
    ArmFor("SimTarget");
    PostMessageA(hwndTarget, WM_COMMAND, TARGET_CMD_VANISHING, 0);
    Activate();
    Record({[] {}, [] {}});
    ExpectOnlyTheRecordingLeft({}, R"({"states": 3})");
    size_t acLeftOut[2] = {};
    for (const std::string& line : debug.LinesOf(recorder.ProcessId()))
    {
        if (line.find("went away during the snapshot; left out") == std::string::npos) continue;
        ++acLeftOut[line.find("::ChildEnumProc(): child ") != std::string::npos];
        printf("recorder: %s", line.c_str());
    }
    // One top-level window and one child in each of the three states.
    EXPECT_EQ(3u, acLeftOut[0]) << "top-level windows left out";
    EXPECT_EQ(3u, acLeftOut[1]) << "child windows left out";
}

TEST_F(RecordingFailureTest, ARecordingPathTooLongForItsSessionFilesIsRefusedInDefineTarget)
{
    // 247 characters: the recording file fits, its session's capture file would not. With "\\SC_" and five
    // digits it would take 256 characters, and OpenFile takes at most 127.
    std::string name(247 - folder.size() - 5, 'p');
    UseRecordingFile(name);
    ASSERT_TRUE(recorder.Start());
    HWND hwndSetup = recorder.WaitForDialog(c_nTargetList, c_dwWaitMs);
    ASSERT_NE(nullptr, hwndSetup);
    ASSERT_TRUE(TickEntry(GetDlgItem(hwndSetup, c_nTargetList), "SimTarget"));
    Sleep(200);
    Click(hwndSetup, IDOK);
    HWND hwndBox = WaitForBox(recorder.ProcessId(),
                              "The path of the recording file is too long for the files a recording makes "
                              "beside it.  Choose a path at least 129 characters shorter.",
                              c_dwWaitMs);
    ASSERT_NE(nullptr, hwndBox) << "the path was not refused";
    PostMessageA(hwndBox, WM_COMMAND, IDOK, 0);
    Sleep(500);
    EXPECT_TRUE(IsWindow(hwndSetup)) << "Define Target must stay open for another path";
    EXPECT_EQ(nullptr, recorder.WaitForDialog(c_nUserAssistance, 300));
    PostMessageA(hwndSetup, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(recorder.WaitForExit(c_dwWaitMs));
    EXPECT_EQ(0u, recorder.ExitCode());
    ExpectNoSessionFolder(folder);
}
} // namespace
