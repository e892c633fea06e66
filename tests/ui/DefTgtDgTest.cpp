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

using dialogtest::ItemText;
using dialogtest::Notepad;
using dialogtest::OwnWindow;
using dialogtest::WaitFor;
using dialogtest::WindowText;

namespace
{
const char c_szDialogCaption[] = "Define Target Under Test";
const char c_szSaveTitle[] = "Save Recorded File To";

// A visible dialog that hwndOwner opened, or null.
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

bool StaysOpen(HWND hdlg)
{
    return !WaitFor([hdlg] { return !IsWindow(hdlg); }, 500);
}

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
        char sz[600] = {}; // longer titles fail the comparison
        if (SendMessageA(hwndList, LB_GETTEXTLEN, IndexOf(hwnd), 0) < 600)
            SendMessageA(hwndList, LB_GETTEXT, IndexOf(hwnd), reinterpret_cast<LPARAM>(sz));
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
    void ClickCheckBox(HWND hwnd) const
    {
        RECT rc = {};
        SendMessageA(hwndList, LB_GETITEMRECT, IndexOf(hwnd), reinterpret_cast<LPARAM>(&rc));
        LPARAM lParam = MAKELPARAM(rc.left + 5, (rc.top + rc.bottom) / 2);
        SendMessageA(hwndList, WM_LBUTTONDOWN, MK_LBUTTON, lParam);
        SendMessageA(hwndList, WM_LBUTTONUP, 0, lParam);
    }
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
        StoreOutputPath();
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
        EXPECT_FALSE(drive.bLeftOpen);
        return result;
    }
    void StoreOutputPath()
    {
        ASSERT_TRUE(configtest::WriteBytes(ini, "[Settings]\r\nOutputPath=" + outputPath + "\r\n"));
    }
    std::string StoredOutputPath()
    {
        char sz[MAX_PATH + 1] = {};
        GetPrivateProfileStringA("Settings", "OutputPath", "", sz, sizeof(sz), ini.c_str());
        return sz;
    }
    void ExpectOneBox(const std::string& text, UINT uFlags, HWND hwndOwner = nullptr)
    {
        auto boxes = capture->Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(text, boxes[0].text);
        EXPECT_EQ(uFlags, boxes[0].uFlags);
        EXPECT_EQ(hwndOwner, boxes[0].hwndOwner);
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
};

Notepad* DefTgtDgTest::s_pNotepad;

TEST_F(DefTgtDgTest, ReportsADialogItCannotCreateAndRefusesAnUnusablePath)
{
    DefTgtDg dlg(GetModuleHandleA("kernel32.dll"), nullptr, c_szDialogCaption, c_szSaveTitle);
    EXPECT_FALSE(dlg.UseOutputPath(""));
    EXPECT_FALSE(dlg.UseOutputPath(std::string(MAX_PATH + 1, 'a').c_str()));
    ASSERT_TRUE(dlg.UseOutputPath(outputPath.c_str()));
    EXPECT_EQ(DEFTGT_FAILED, dlg.Show());
    ExpectOneBox("Error attempting to process the Define Target Dialog.", 0x40040);
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
        std::string state, notepadTitle;
        bool bShared = false; // the handle a second recorder finds
        EXPECT_EQ(DEFTGT_CANCELLED, Run([&](HWND hwnd) {
                      ListView list(hwnd);
                      state = list.State(names);
                      notepadTitle = list.Text(s_pNotepad->hwnd);
                      bShared = g_shared.hwndDefTgtDlg == hwnd;
                      PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
                  }));
        EXPECT_EQ(c.expected, state);
        EXPECT_EQ(c.expected.find("notepad") != std::string::npos ? WindowText(s_pNotepad->hwnd) : "",
                  notepadTitle);
        EXPECT_TRUE(bShared);
    }
}

// Check box click and space bar toggle, one application at a time with all its windows. Windows announced
// by the shell hook come and go, a new one of the ticked application comes in ticked, a tool window never;
// one announced before it was shown (as Wine announces every window) comes in once shown. Refresh rebuilds
// the list from the windows there are, without ticks.
TEST_F(DefTgtDgTest, TicksOneApplicationAndFollowsWindowsThatOpenAndClose)
{
    simcap.bSelfCapture = TRUE;
    OwnWindow one("own window one"), two("own window two");
    std::vector<std::string> states;
    EXPECT_EQ(DEFTGT_CANCELLED, Run([&](HWND hwnd) {
                  ListView list(hwnd);
                  OwnWindow late("own late window"), tool("own late tool window", WS_EX_TOOLWINDOW),
                      shown("own window shown", 0, WS_POPUP);
                  Notepad second;
                  std::map<std::string, HWND> names = {{"late", late.hwnd},   {"notepad", s_pNotepad->hwnd},
                                                       {"one", one.hwnd},     {"second", second.hwnd},
                                                       {"shown", shown.hwnd}, {"two", two.hwnd},
                                                       {"tool", tool.hwnd}};
                  auto note = [&] { states.push_back(list.State(names)); };
                  note();
                  list.ClickCheckBox(one.hwnd);
                  note();
                  list.PressSpaceOn(s_pNotepad->hwnd);
                  note();
                  list.ClickCheckBox(two.hwnd);
                  note();
                  for (HWND h : {late.hwnd, tool.hwnd, second.hwnd, shown.hwnd})
                      DefTgtDg::ListBoxShellHook(HSHELL_WINDOWCREATED, reinterpret_cast<WPARAM>(h), 0);
                  note();
                  DefTgtDg::ListBoxShellHook(HSHELL_WINDOWDESTROYED, reinterpret_cast<WPARAM>(second.hwnd),
                                             0);
                  note();
                  ShowWindow(shown.hwnd, SW_SHOWNA);
                  WaitFor([&] { return list.IndexOf(shown.hwnd) >= 0; }, 3000);
                  note();
                  SendMessageA(hwnd, WM_COMMAND, IDC_DT_REFRESH, 0);
                  note();
                  PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
              }));
    std::vector<std::string> expected = {"notepad one two",
                                         "notepad one* two*",
                                         "notepad* one two",
                                         "notepad one* two*",
                                         "late* notepad one* second two*",
                                         "late* notepad one* two*",
                                         "late* notepad one* shown* two*",
                                         "late notepad one second shown two"};
    EXPECT_EQ(expected, states);
}

// OK with nothing ticked asks; Cancel in the question keeps the dialog, OK ends it as cancelled.
TEST_F(DefTgtDgTest, OkWithoutApplicationAsksBeforeExiting)
{
    for (int nAnswer : {IDCANCEL, IDOK})
    {
        capture.reset();
        capture.reset(new DiagCapture(nAnswer));
        bool bStaysOpen = false;
        EXPECT_EQ(DEFTGT_CANCELLED, Run([&](HWND hwnd) {
                      SendMessageA(hwnd, WM_COMMAND, IDOK, 0);
                      bStaysOpen = StaysOpen(hwnd);
                      PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
                  }));
        EXPECT_EQ(nAnswer == IDCANCEL, bStaysOpen);
        EXPECT_TRUE(pDlg->Cancelled());
        EXPECT_EQ(0u, pDlg->ResultCount());
        ExpectOneBox("No application has been selected. Exit?", 0x40021, hdlg);
    }
}

// OK hands over every entry, ticked or not, and the new-applications box (on by default, turned off here).
TEST_F(DefTgtDgTest, OkReturnsTheEntriesAndTheNewApplicationsSwitch)
{
    simcap.bSelfCapture = TRUE;
    OwnWindow one("own window one");
    int cListed = -1;
    bool bIncludeNewChecked = false;
    EXPECT_EQ(DEFTGT_OK, Run([&](HWND hwnd) {
                  ListView(hwnd).ClickCheckBox(s_pNotepad->hwnd);
                  bIncludeNewChecked = IsDlgButtonChecked(hwnd, IDC_DT_INCLUDE_NEW) == BST_CHECKED;
                  CheckDlgButton(hwnd, IDC_DT_INCLUDE_NEW, BST_UNCHECKED);
                  cListed = ListView(hwnd).Count();
                  PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
              }));
    EXPECT_TRUE(bIncludeNewChecked);
    EXPECT_FALSE(pDlg->Cancelled());
    EXPECT_FALSE(pDlg->IncludeNewApps());
    ASSERT_EQ(cListed, static_cast<int>(pDlg->ResultCount()));
    ASSERT_GE(cListed, 2);
    int cSelected = 0;
    for (UINT i = 0; i < pDlg->ResultCount(); i++)
    {
        const TargetEntry* pEntry = pDlg->ResultAt(i);
        DWORD dwProcessId = 0;
        GetWindowThreadProcessId(pEntry->hwnd, &dwProcessId);
        EXPECT_EQ(dwProcessId, pEntry->dwProcessId);
        EXPECT_EQ(pEntry->hwnd == s_pNotepad->hwnd, !!pEntry->bSelected);
        cSelected += pEntry->bSelected;
    }
    EXPECT_EQ(1, cSelected);
    EXPECT_TRUE(capture->Boxes().empty());
}

// Browse: a cancelled Save dialog changes nothing; a name typed without extension gets one, becomes the
// recording path and is stored on OK; the same file in other letter case is no change. A bare name gets
// the default extension ".xml" or the ".qmr" of the selected filter, as the Save dialog prefers.
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
        StoreOutputPath();
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
                      PostMessageA(hwndSave, WM_COMMAND, c.pszTyped ? IDOK : IDCANCEL, 0);
                      WaitFor([hwndSave] { return !IsWindow(hwndSave); });
                      pathShown = ItemText(hwnd, IDC_DT_OUTPUT_PATH);
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

// Help without a help file says so at once and leaves the dialog answering.
TEST_F(DefTgtDgTest, HelpWithoutAHelpFileAnswersPromptly)
{
    bool bHelpAnswered = false, bResponsive = false;
    EXPECT_EQ(DEFTGT_CANCELLED, Run([&](HWND hwnd) {
                  PostMessageA(hwnd, WM_COMMAND, IDC_DT_HELP, 0);
                  bHelpAnswered = WaitFor([&] { return !capture->Boxes().empty(); }, 3000);
                  DWORD_PTR dwResult = 0;
                  bResponsive = SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &dwResult) != 0;
                  PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
              }));
    EXPECT_TRUE(bHelpAnswered);
    EXPECT_TRUE(bResponsive);
    auto boxes = capture->Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find("SimRecorder.hlp")) << boxes[0].text;
}
