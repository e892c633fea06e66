// tests/ui/DefTgtDgTest.cpp — the Define Target dialog driven from a second thread; notepad processes and
// windows of this process are the applications to choose, the recording path lives in a temporary INI.
// This executable has no hook module, so the tests call the shell hook procedure as another process would.
#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/PrivProf.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "resource.h"
#include "tests/config/ConfigTestFiles.h"
#include "tests/support/DiagCapture.h"
#include "tests/ui/DialogDriver.h"
#include "ui/DefTgtDg.h"

using dialogtest::WaitFor;
using dialogtest::WindowText;

namespace
{
const char c_szDialogCaption[] = "Define Target Under Test";
const char c_szSaveTitle[] = "Save Recorded File To";

// A visible dialog that hwndOwner opened (the Save dialog, About, a small dialog), or null.
HWND WaitForOwnedDialog(HWND hwndOwner)
{
    HWND hwndFound = nullptr;
    WaitFor([&] {
        for (HWND hwnd = nullptr; (hwnd = FindWindowExA(nullptr, hwnd, "#32770", nullptr)) != nullptr;)
            if (GetWindow(hwnd, GW_OWNER) == hwndOwner && IsWindowVisible(hwnd)) hwndFound = hwnd;
        return hwndFound != nullptr;
    });
    return hwndFound;
}

void PressAndWait(HWND hdlg, int id)
{
    PostMessageA(hdlg, WM_COMMAND, id, 0);
    WaitFor([hdlg] { return !IsWindow(hdlg); });
}

bool StaysOpen(HWND hdlg)
{
    return !WaitFor([hdlg] { return !IsWindow(hdlg); }, 500);
}

// A top-level window of this process, made on the calling thread.
struct OwnWindow
{
    explicit OwnWindow(LPCSTR pszTitle, DWORD dwExStyle = 0, DWORD dwStyle = WS_POPUP | WS_VISIBLE,
                       HWND hwndOwner = nullptr)
        : hwnd(CreateWindowExA(dwExStyle, "STATIC", pszTitle, dwStyle, 20, 20, 120, 40, hwndOwner, nullptr,
                               nullptr, nullptr))
    {
    }
    ~OwnWindow() { Destroy(); }
    void Destroy()
    {
        if (hwnd) DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    HWND hwnd;
};

// A started notepad and its main window; ended when the object goes.
struct Notepad
{
    Notepad()
    {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        char szCommand[] = "notepad.exe";
        if (!CreateProcessA(nullptr, szCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return;
        WaitForInputIdle(pi.hProcess, 10000);
        WaitFor([this] {
            for (HWND h = nullptr; !hwnd && (h = FindWindowExA(nullptr, h, nullptr, nullptr)) != nullptr;)
            {
                DWORD dwProcessId = 0;
                GetWindowThreadProcessId(h, &dwProcessId);
                if (dwProcessId == pi.dwProcessId && IsWindowVisible(h) && !GetWindow(h, GW_OWNER)) hwnd = h;
            }
            return hwnd != nullptr;
        });
    }
    ~Notepad()
    {
        if (!pi.hProcess) return;
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    PROCESS_INFORMATION pi = {};
    HWND hwnd = nullptr;
};

// The list as the driver sees it, through the list box's own messages.
struct ListView
{
    explicit ListView(HWND hdlg) : hwndList(GetDlgItem(hdlg, IDC_DT_APPLICATIONS)) {}

    int Count() const { return static_cast<int>(SendMessageA(hwndList, LB_GETCOUNT, 0, 0)); }
    const TargetEntry* Entry(int i) const
    {
        return reinterpret_cast<const TargetEntry*>(SendMessageA(hwndList, LB_GETITEMDATA, i, 0));
    }
    int IndexOf(HWND hwnd) const
    {
        for (int i = 0; i < Count(); i++)
            if (Entry(i)->hwnd == hwnd) return i;
        return -1;
    }
    std::string Text(HWND hwnd) const
    {
        char sz[600] = {};
        int i = IndexOf(hwnd);
        if (SendMessageA(hwndList, LB_GETTEXTLEN, i, 0) < 600)
            SendMessageA(hwndList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(sz));
        return sz;
    }
    // The named windows that are listed, in name order, a ticked one marked with '*'.
    std::string State(const std::map<std::string, HWND>& names) const
    {
        std::string s;
        for (const auto& name : names)
            if (IndexOf(name.second) >= 0)
                s +=
                    (s.empty() ? "" : " ") + name.first + (Entry(IndexOf(name.second))->bSelected ? "*" : "");
        return s;
    }
    void Click(HWND hwnd, int x, UINT uDown = WM_LBUTTONDOWN) const
    {
        RECT rc = {};
        SendMessageA(hwndList, LB_GETITEMRECT, IndexOf(hwnd), reinterpret_cast<LPARAM>(&rc));
        LPARAM lParam = MAKELPARAM(rc.left + x, (rc.top + rc.bottom) / 2);
        SendMessageA(hwndList, uDown, MK_LBUTTON, lParam);
        SendMessageA(hwndList, WM_LBUTTONUP, 0, lParam);
    }
    void ClickCheckBox(HWND hwnd) const { Click(hwnd, 5); }
    void ClickTitle(HWND hwnd) const { Click(hwnd, 100); }
    void PressSpaceOn(HWND hwnd) const
    {
        SendMessageA(hwndList, LB_SETCURSEL, IndexOf(hwnd), 0);
        SendMessageA(hwndList, WM_CHAR, ' ', 0);
    }
    HWND hwndList;
};
} // namespace

// A recorder object whose user configuration, in a temporary folder, names a recording file that does
// not exist yet; one notepad runs for the whole group.
class DefTgtDgTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { s_pNotepad = new Notepad; }
    static void TearDownTestSuite() { delete s_pNotepad; }

    void SetUp() override
    {
        ASSERT_NE(nullptr, s_pNotepad->hwnd) << "notepad did not start";
        simcap.pPrivProf = new PrivProf(&simcap, hResModule, nullptr);
        ASSERT_TRUE(simcap.pPrivProf->SetUserConfigPath(ini.c_str()));
        StoreOutputPath(outputPath);
        simcap.bUserAssistanceDlg = FALSE;
        g_pSimCap = &simcap;
        bSavedWow64 = g_bOwnProcessIsWow64;
    }
    void TearDown() override
    {
        g_pSimCap = nullptr;
        g_bOwnProcessIsWow64 = bSavedWow64;
        // The dialog leaves its handle behind for a second recorder; no later test should meet it.
        g_shared.hwndDefTgtDlg = nullptr;
        SetFileAttributesA(outputPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    // Shows a dialog made as the capture lifecycle makes it while the steps drive it.
    DefTgtResult Run(const std::function<void(HWND)>& fnSteps)
    {
        pDlg.reset(new DefTgtDg(hResModule, nullptr, c_szDialogCaption, c_szSaveTitle));
        EXPECT_TRUE(pDlg->LoadOutputPath());
        DefTgtResult result = DEFTGT_FAILED;
        auto drive = dialogtest::DriveDialog(
            c_szDialogCaption, [&] { result = pDlg->Show(); }, fnSteps);
        EXPECT_NE(nullptr, hdlg = drive.hdlg) << "the dialog did not come up";
        bLeftOpen = drive.bLeftOpen;
        return result;
    }
    void AnswerBoxesWith(int nAnswer)
    {
        capture.reset();
        capture.reset(new DiagCapture(nAnswer));
    }
    void StoreOutputPath(const std::string& path)
    {
        ASSERT_TRUE(configtest::WriteBytes(ini, "[Settings]\r\nOutputPath=" + path + "\r\n"));
    }
    std::string StoredOutputPath()
    {
        char sz[MAX_PATH + 1] = {};
        GetPrivateProfileStringA("Settings", "OutputPath", "", sz, sizeof(sz), ini.c_str());
        return sz;
    }

    static Notepad* s_pNotepad;
    HINSTANCE hResModule = GetModuleHandleA(nullptr);
    std::unique_ptr<DiagCapture> capture{new DiagCapture};
    configtest::TempDir dir;
    std::string ini = dir.Path("QM57REC.INI");
    std::string outputPath = dir.Path("rec.qmr");
    SIMCAP simcap;
    BOOL bSavedWow64 = FALSE;
    std::unique_ptr<DefTgtDg> pDlg;
    HWND hdlg = nullptr;
    bool bLeftOpen = false;
};

Notepad* DefTgtDgTest::s_pNotepad;

TEST_F(DefTgtDgTest, ReportsADialogItCannotCreateAndRefusesAnUnusablePath)
{
    DefTgtDg dlg(GetModuleHandleA("kernel32.dll"), nullptr, c_szDialogCaption, c_szSaveTitle);
    EXPECT_FALSE(dlg.UseOutputPath(""));
    EXPECT_FALSE(dlg.UseOutputPath(std::string(MAX_PATH + 1, 'a').c_str()));
    ASSERT_TRUE(dlg.UseOutputPath(outputPath.c_str()));
    EXPECT_EQ(DEFTGT_FAILED, dlg.Show());
    auto boxes = capture->Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Error attempting to process the Define Target Dialog.", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(0x40040), boxes[0].uFlags);
}

// Application windows only: visible, unowned, no tool windows; the recorder's own only with SelfCapture;
// under WOW64 only processes that run under WOW64 too.
TEST_F(DefTgtDgTest, ListsApplicationWindowsWithTheirTitles)
{
    BOOL bNotepadWow64 = FALSE, bOwnWow64 = FALSE;
    IsWow64Process(s_pNotepad->pi.hProcess, &bNotepadWow64);
    IsWow64Process(GetCurrentProcess(), &bOwnWow64);
    OwnWindow one("own window one"), two("own window two");
    OwnWindow tool("own tool window", WS_EX_TOOLWINDOW), hidden("own hidden window", 0, WS_POPUP);
    OwnWindow owned("own owned window", 0, WS_POPUP | WS_VISIBLE, one.hwnd);
    std::map<std::string, HWND> names = {{"hidden", hidden.hwnd}, {"notepad", s_pNotepad->hwnd},
                                         {"one", one.hwnd},       {"owned", owned.hwnd},
                                         {"tool", tool.hwnd},     {"two", two.hwnd}};
    const struct
    {
        BOOL bSelfCapture, bWow64;
        std::string expected;
    } cases[] = {
        {FALSE, FALSE, "notepad"},
        {TRUE, FALSE, "notepad one two"},
        {TRUE, TRUE,
         bNotepadWow64 ? (bOwnWow64 ? "notepad one two" : "notepad") : (bOwnWow64 ? "one two" : "")},
    };
    for (const auto& c : cases)
    {
        simcap.bSelfCapture = c.bSelfCapture;
        g_bOwnProcessIsWow64 = c.bWow64;
        std::string state, notepadTitle, twoTitle, pathShown;
        bool bIncludeNewChecked = false, bShared = false; // the handle a second recorder finds
        EXPECT_EQ(DEFTGT_CANCELLED, Run([&](HWND hwnd) {
                      ListView list(hwnd);
                      state = list.State(names);
                      notepadTitle = list.Text(s_pNotepad->hwnd);
                      twoTitle = list.Text(two.hwnd);
                      bIncludeNewChecked = IsDlgButtonChecked(hwnd, IDC_DT_INCLUDE_NEW) == BST_CHECKED;
                      pathShown = WindowText(GetDlgItem(hwnd, IDC_DT_OUTPUT_PATH));
                      bShared = g_shared.hwndDefTgtDlg == hwnd;
                      PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
                  }));
        EXPECT_EQ(c.expected, state);
        bool bNotepadListed = c.expected.find("notepad") != std::string::npos;
        EXPECT_EQ(bNotepadListed ? WindowText(s_pNotepad->hwnd) : "", notepadTitle);
        EXPECT_EQ(c.expected.find("two") != std::string::npos ? "own window two" : "", twoTitle);
        EXPECT_TRUE(bIncludeNewChecked);
        EXPECT_EQ(outputPath, pathShown);
        EXPECT_TRUE(bShared);
    }
}

// Check box click, space bar and double click all toggle; one application at a time, all its windows.
TEST_F(DefTgtDgTest, SelectionTakesOneApplicationWithAllItsWindows)
{
    simcap.bSelfCapture = TRUE;
    OwnWindow one("own window one"), two("own window two");
    std::map<std::string, HWND> names = {{"notepad", s_pNotepad->hwnd}, {"one", one.hwnd}, {"two", two.hwnd}};
    std::vector<std::string> states;
    int iCurSel = -1, iNotepad = -2;
    EXPECT_EQ(DEFTGT_CANCELLED, Run([&](HWND hwnd) {
                  ListView list(hwnd);
                  states.push_back(list.State(names));
                  list.ClickCheckBox(one.hwnd);
                  states.push_back(list.State(names));
                  list.PressSpaceOn(s_pNotepad->hwnd);
                  states.push_back(list.State(names));
                  // A click on the title selects the line without touching the check box.
                  list.ClickTitle(two.hwnd);
                  list.ClickTitle(s_pNotepad->hwnd);
                  states.push_back(list.State(names));
                  iCurSel = static_cast<int>(SendMessageA(list.hwndList, LB_GETCURSEL, 0, 0));
                  iNotepad = list.IndexOf(s_pNotepad->hwnd);
                  list.ClickTitle(two.hwnd);
                  list.Click(two.hwnd, 100, WM_LBUTTONDBLCLK);
                  states.push_back(list.State(names));
                  list.ClickCheckBox(one.hwnd);
                  states.push_back(list.State(names));
                  PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
              }));
    std::vector<std::string> expected = {"notepad one two",  "notepad one* two*", "notepad* one two",
                                         "notepad* one two", "notepad one* two*", "notepad one two"};
    EXPECT_EQ(expected, states);
    EXPECT_EQ(iNotepad, iCurSel);
}

// Windows announced by the shell hook come and go; one announced before it was shown (as Wine announces
// every window) comes in once shown; one that vanished unannounced goes when drawn. Refresh rebuilds the
// list from the windows there are, without ticks.
TEST_F(DefTgtDgTest, FollowsWindowsThatOpenAndCloseUntilRefreshed)
{
    simcap.bSelfCapture = TRUE;
    OwnWindow one("own window one");
    std::vector<std::string> states;
    std::string lateTitle;
    EXPECT_EQ(
        DEFTGT_CANCELLED, Run([&](HWND hwnd) {
            ListView list(hwnd);
            list.ClickCheckBox(one.hwnd);
            OwnWindow late("own late window"), vanishing("own vanishing window");
            OwnWindow tool("own late tool window", WS_EX_TOOLWINDOW), shown("own window shown", 0, WS_POPUP);
            Notepad second;
            std::map<std::string, HWND> names = {
                {"late", late.hwnd},          {"notepad", s_pNotepad->hwnd}, {"one", one.hwnd},
                {"second", second.hwnd},      {"shown", shown.hwnd},         {"tool", tool.hwnd},
                {"vanishing", vanishing.hwnd}};
            states.push_back(list.State(names));
            for (HWND h : {late.hwnd, vanishing.hwnd, tool.hwnd, second.hwnd, shown.hwnd})
                DefTgtDg::ListBoxShellHook(HSHELL_WINDOWCREATED, reinterpret_cast<WPARAM>(h), 0);
            states.push_back(list.State(names));
            lateTitle = list.Text(late.hwnd);

            DefTgtDg::ListBoxShellHook(HSHELL_WINDOWDESTROYED, reinterpret_cast<WPARAM>(second.hwnd), 0);
            states.push_back(list.State(names));
            ShowWindow(shown.hwnd, SW_SHOWNA);
            WaitFor([&] { return list.IndexOf(shown.hwnd) >= 0; }, 3000);
            states.push_back(list.State(names));

            HWND hwndVanishing = vanishing.hwnd;
            vanishing.Destroy();
            InvalidateRect(list.hwndList, nullptr, TRUE);
            UpdateWindow(list.hwndList);
            WaitFor([&] { return list.IndexOf(hwndVanishing) < 0; }, 3000);
            states.push_back(list.State(names));

            SendMessageA(hwnd, WM_COMMAND, IDC_DT_REFRESH, 0);
            states.push_back(list.State(names));
            PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
        }));
    // A new window of the chosen application comes in chosen; a tool window never comes in.
    std::vector<std::string> expected = {"notepad one*",
                                         "late* notepad one* second vanishing*",
                                         "late* notepad one* vanishing*",
                                         "late* notepad one* shown* vanishing*",
                                         "late* notepad one* shown*",
                                         "late notepad one second shown"};
    EXPECT_EQ(expected, states);
    EXPECT_EQ("own late window", lateTitle);
}

// OK with nothing ticked asks; Cancel in the question keeps the dialog, OK ends it as cancelled.
TEST_F(DefTgtDgTest, OkWithoutApplicationAsksBeforeExiting)
{
    for (int nAnswer : {IDCANCEL, IDOK})
    {
        AnswerBoxesWith(nAnswer);
        bool bStaysOpen = false;
        EXPECT_EQ(DEFTGT_CANCELLED, Run([&](HWND hwnd) {
                      SendMessageA(hwnd, WM_COMMAND, IDOK, 0);
                      bStaysOpen = StaysOpen(hwnd);
                      PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
                  }));
        EXPECT_EQ(nAnswer == IDCANCEL, bStaysOpen);
        EXPECT_TRUE(pDlg->Cancelled());
        EXPECT_EQ(0u, pDlg->ResultCount());
        auto boxes = capture->Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("No application has been selected. Exit?", boxes[0].text);
        EXPECT_EQ(static_cast<UINT>(0x40021), boxes[0].uFlags);
        EXPECT_EQ(hdlg, boxes[0].hwndOwner);
    }
}

// OK hands over every entry, ticked or not, and the new-applications box (turned off from its default).
TEST_F(DefTgtDgTest, OkReturnsTheEntriesAndTheNewApplicationsSwitch)
{
    simcap.bSelfCapture = TRUE;
    OwnWindow one("own window one");
    int cListed = -1;
    EXPECT_EQ(DEFTGT_OK, Run([&](HWND hwnd) {
                  ListView(hwnd).ClickCheckBox(s_pNotepad->hwnd);
                  CheckDlgButton(hwnd, IDC_DT_INCLUDE_NEW, BST_UNCHECKED);
                  cListed = ListView(hwnd).Count();
                  PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
              }));
    EXPECT_FALSE(pDlg->Cancelled());
    EXPECT_FALSE(pDlg->IncludeNewApps());
    ASSERT_EQ(cListed, static_cast<int>(pDlg->ResultCount()));
    std::string chosen;
    for (UINT i = 0; i < pDlg->ResultCount(); i++)
    {
        const TargetEntry* pEntry = pDlg->ResultAt(i);
        DWORD dwProcessId = 0;
        GetWindowThreadProcessId(pEntry->hwnd, &dwProcessId);
        EXPECT_EQ(dwProcessId, pEntry->dwProcessId);
        if (pEntry->hwnd == one.hwnd || pEntry->hwnd == s_pNotepad->hwnd)
            chosen +=
                std::string(pEntry->hwnd == one.hwnd ? "one" : "notepad") + (pEntry->bSelected ? "* " : " ");
    }
    EXPECT_TRUE(chosen == "one notepad* " || chosen == "notepad* one ") << chosen;
    EXPECT_TRUE(capture->Boxes().empty());
}

// Before OK ends the dialog an existing read-only file is refused after the question (declining it is the
// small dialogs' matter), a writable one is asked about, and then the guidance dialog comes up.
TEST_F(DefTgtDgTest, OkChecksAnExistingFileThenShowsGuidance)
{
    ASSERT_TRUE(configtest::WriteBytes(outputPath, "PK"));
    SetFileAttributesA(outputPath.c_str(), FILE_ATTRIBUTE_READONLY);
    simcap.bUserAssistanceDlg = TRUE;
    std::vector<std::string> seen;
    bool bOpenAfterRefusal = false;
    EXPECT_EQ(DEFTGT_OK, Run([&](HWND hwnd) {
                  auto answerOwned = [&](int nAnswer) {
                      HWND hwndOwned = WaitForOwnedDialog(hwnd);
                      seen.push_back(WindowText(hwndOwned));
                      PressAndWait(hwndOwned, nAnswer);
                  };
                  ListView(hwnd).ClickCheckBox(s_pNotepad->hwnd);
                  PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
                  answerOwned(IDOK);
                  bOpenAfterRefusal = StaysOpen(hwnd);
                  SetFileAttributesA(outputPath.c_str(), FILE_ATTRIBUTE_NORMAL);
                  PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
                  answerOwned(IDOK);
                  answerOwned(IDOK);
              }));
    EXPECT_EQ((std::vector<std::string>{"File Already Exists", "File Already Exists", "User Assistance"}),
              seen);
    EXPECT_TRUE(bOpenAfterRefusal);
    auto boxes = capture->Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Access to " + outputPath + " was denied.", boxes[0].text);
}

// Browse: a cancelled Save dialog changes nothing; a name typed without extension gets one, becomes the
// recording path and is stored on OK; the same file in other letter case is no change. Which extension a
// bare name gets is the Save dialog's choice: the default extension ".xml" that the dialog is given, or
// the ".qmr" of its selected filter (Wine's dialog, like newer Windows ones, prefers the filter's).
TEST_F(DefTgtDgTest, BrowseChoosesTheRecordingFile)
{
    const struct
    {
        const char* pszTyped; // null: the Save dialog is cancelled
        std::vector<std::string> accepted;
        BOOL bChanged;
    } cases[] = {
        {nullptr, {outputPath}, FALSE},
        {"other", {dir.Path("other.xml"), dir.Path("other.qmr")}, TRUE},
        {"REC.QMR", {outputPath}, FALSE},
    };
    for (const auto& c : cases)
    {
        StoreOutputPath(outputPath);
        std::string saveTitle, pathShown;
        EXPECT_EQ(DEFTGT_OK, Run([&](HWND hwnd) {
                      ListView(hwnd).ClickCheckBox(s_pNotepad->hwnd);
                      PostMessageA(hwnd, WM_COMMAND, IDC_DT_BROWSE, 0);
                      HWND hwndSave = WaitForOwnedDialog(hwnd);
                      saveTitle = WindowText(hwndSave);
                      // The file name box: a combo box in newer dialogs, an edit in older ones.
                      HWND hwndName = GetDlgItem(hwndSave, cmb13) ? GetDlgItem(hwndSave, cmb13)
                                                                  : GetDlgItem(hwndSave, edt1);
                      if (c.pszTyped) SetWindowTextA(hwndName, c.pszTyped);
                      PressAndWait(hwndSave, c.pszTyped ? IDOK : IDCANCEL);
                      pathShown = WindowText(GetDlgItem(hwnd, IDC_DT_OUTPUT_PATH));
                      PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
                  }));
        EXPECT_EQ(c_szSaveTitle, saveTitle);
        bool bAccepted = false;
        for (const std::string& path : c.accepted)
            bAccepted = bAccepted || !lstrcmpiA(path.c_str(), pathShown.c_str());
        EXPECT_TRUE(bAccepted) << pathShown;
        EXPECT_EQ(pathShown, pDlg->OutputPath());
        EXPECT_EQ(c.bChanged, pDlg->OutputPathChanged());
        // Only a changed path is written; an unchanged one stays as the configuration had it.
        EXPECT_EQ(c.bChanged ? pathShown : outputPath, StoredOutputPath());
    }
}

// About and the settings dialog come up over the dialog and go; Help without a help file says so at once.
TEST_F(DefTgtDgTest, SecondaryDialogsAndHelpLeaveTheDialogUsable)
{
    std::vector<std::string> titles;
    bool bHelpAnswered = false, bResponsive = false;
    EXPECT_EQ(DEFTGT_CANCELLED, Run([&](HWND hwnd) {
                  for (int id : {IDC_DT_ABOUT, IDC_DT_SETTINGS})
                  {
                      PostMessageA(hwnd, WM_COMMAND, id, 0);
                      HWND hwndOwned = WaitForOwnedDialog(hwnd);
                      titles.push_back(WindowText(hwndOwned));
                      PressAndWait(hwndOwned, IDCANCEL);
                  }
                  PostMessageA(hwnd, WM_COMMAND, IDC_DT_HELP, 0);
                  bHelpAnswered = WaitFor([&] { return !capture->Boxes().empty(); }, 3000);
                  DWORD_PTR dwResult = 0;
                  bResponsive = SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &dwResult) != 0;
                  PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
              }));
    EXPECT_FALSE(bLeftOpen);
    ASSERT_EQ(2u, titles.size());
    EXPECT_NE(std::string::npos, titles[0].find("About")) << titles[0];
    EXPECT_EQ("Hotkey and Sound Settings", titles[1]);
    EXPECT_TRUE(bHelpAnswered);
    EXPECT_TRUE(bResponsive);
    auto boxes = capture->Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find("SimRecorder.hlp")) << boxes[0].text;
}
