// tests/ui/DefOptDgTest.cpp — the Options dialog edited through its controls from a second thread; what
// OK writes is read back from a temporary INI.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "config/PrivProf.h"
#include "host/SimCap.h"
#include "resource.h"
#include "tests/config/ConfigTestFiles.h"
#include "tests/support/DiagCapture.h"
#include "tests/ui/DialogDriver.h"
#include "ui/DefOptDg.h"

using configtest::ReadBytes;
using dialogtest::Click;

namespace
{
const char c_szTitle[] = "Hotkey and Sound Settings";

// What the key controls and switches show, in one comparable line.
std::string Shown(HWND hdlg)
{
    char szKey[32] = "(none)";
    int iKey = static_cast<int>(SendDlgItemMessageA(hdlg, IDC_OPT_KEY, CB_GETCURSEL, 0, 0));
    if (iKey >= 0)
        SendDlgItemMessageA(hdlg, IDC_OPT_KEY, CB_GETLBTEXT, iKey, reinterpret_cast<LPARAM>(szKey));
    std::string s = szKey;
    for (int id :
         {IDC_OPT_CTRL, IDC_OPT_ALT, IDC_OPT_CLICK_SOUNDS, IDC_OPT_NOTE_SOUNDS, IDC_OPT_HIGH_RESOLUTION})
        s += IsDlgButtonChecked(hdlg, id) == BST_CHECKED ? " 1" : " 0";
    return s;
}

// Picks an entry the way the user does: the selection changes and the dialog hears of it.
void Choose(HWND hdlg, int id, LPCSTR pszEntry)
{
    WPARAM i = SendDlgItemMessageA(hdlg, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(pszEntry));
    SendDlgItemMessageA(hdlg, id, CB_SETCURSEL, i, 0);
    SendMessageA(hdlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(hdlg, id)));
}
} // namespace

// The dialog shows the defaults of a Windows NT platform; others stop with Alt.
TEST(DefOptDgKeysTest, OtherPlatformsStopWithAlt)
{
    EXPECT_EQ(0x0001002Cu, DefOptDg::DefaultSet(FALSE).nStopKey);
}

class DefOptDgTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        pSimCap->pPrivProf = new PrivProf(pSimCap, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(pSimCap->pPrivProf->SetUserConfigPath(ini.c_str()));
        g_pSimCap = pSimCap;
    }
    void TearDown() override
    {
        g_pSimCap = nullptr;
        delete pSimCap;
    }

    void Settings(UINT nSnapshotKey, UINT nStopKey, BOOL bClicks, BOOL bNotes, BOOL bAccessibility)
    {
        pSimCap->nSnapshotKey = nSnapshotKey;
        pSimCap->nStopKey = nStopKey;
        pSimCap->sounds.SetClicksEnabled(bClicks);
        pSimCap->sounds.SetNoteRequestEnabled(bNotes);
        pSimCap->bAccessibilityEntry = bAccessibility;
    }

    // Loads and shows the dialog with the driver's steps; answers Show's result.
    BOOL Run(const std::function<void(HWND)>& fnSteps)
    {
        DefOptDg dlg(GetModuleHandleA(nullptr), nullptr, c_szTitle);
        EXPECT_TRUE(dlg.Load());
        BOOL bApplied = FALSE;
        auto drive = dialogtest::DriveDialog(
            c_szTitle, [&] { bApplied = dlg.Show(); }, fnSteps);
        EXPECT_NE(nullptr, hdlgShown = drive.hdlg);
        EXPECT_FALSE(drive.bLeftOpen);
        return bApplied;
    }

    DiagCapture capture;
    configtest::TempDir dir;
    std::string ini = dir.Path("QM57REC.INI");
    SIMCAP* pSimCap = new SIMCAP;
    HWND hdlgShown = nullptr;
};

// Both actions are shown from the settings and keep their own edits; OK writes only what changed.
TEST_F(DefOptDgTest, EachActionKeepsItsEditsAndOkWritesOnlyWhatChanged)
{
    Settings(0x0000002C, 0x0003002C, TRUE, TRUE, FALSE);
    int cKeys = 0;
    std::string start, stop, startAgain, stopAgain;
    EXPECT_TRUE(Run([&](HWND hdlg) {
        cKeys = static_cast<int>(SendDlgItemMessageA(hdlg, IDC_OPT_KEY, CB_GETCOUNT, 0, 0));
        start = Shown(hdlg);
        Choose(hdlg, IDC_OPT_ACTION, "Stop Recording");
        stop = Shown(hdlg);
        Click(hdlg, IDC_OPT_ALT);
        Choose(hdlg, IDC_OPT_KEY, "F9");
        Choose(hdlg, IDC_OPT_ACTION, "Start Recording/End Step");
        startAgain = Shown(hdlg);
        Choose(hdlg, IDC_OPT_ACTION, "Stop Recording");
        stopAgain = Shown(hdlg);
        Click(hdlg, IDC_OPT_CLICK_SOUNDS);
        Click(hdlg, IDC_OPT_HIGH_RESOLUTION);
        Click(hdlg, IDOK);
    }));
    EXPECT_EQ(51, cKeys);
    EXPECT_EQ("PrintScreen 0 0 1 1 0", start);
    EXPECT_EQ("PrintScreen 1 1 1 1 0", stop);
    EXPECT_EQ("PrintScreen 0 0 1 1 0", startAgain);
    EXPECT_EQ("F9 1 0 1 1 0", stopAgain);
    EXPECT_EQ("[Settings]\r\nStopKey=0x00020078\r\nAccessibilityEntry=1\r\n[Sounds]\r\nClicksEnabled=0\r\n",
              ReadBytes(ini));
    EXPECT_EQ(0x0000002Cu, pSimCap->nSnapshotKey);
    EXPECT_EQ(0x00020078u, pSimCap->nStopKey);
    EXPECT_FALSE(pSimCap->sounds.ClicksEnabled());
    EXPECT_TRUE(pSimCap->bAccessibilityEntry);
}

TEST_F(DefOptDgTest, DefaultsAreShownAndAppliedOnlyByOk)
{
    for (int idEnd : {IDCANCEL, IDOK})
    {
        Settings(0x00020041, 0x00010042, FALSE, FALSE, TRUE);
        std::string start, stop;
        BOOL bApplied = Run([&](HWND hdlg) {
            Click(hdlg, IDC_OPT_DEFAULTS);
            start = Shown(hdlg);
            Choose(hdlg, IDC_OPT_ACTION, "Stop Recording");
            stop = Shown(hdlg);
            Click(hdlg, idEnd);
        });
        EXPECT_EQ("PrintScreen 0 0 1 1 0", start);
        EXPECT_EQ("PrintScreen 1 0 1 1 0", stop); // a Windows NT platform: Ctrl
        EXPECT_EQ(idEnd == IDOK, bApplied != FALSE);
        EXPECT_EQ(idEnd == IDOK
                      ? "[Settings]\r\nSnapshotKey=0x0000002C\r\nStopKey=0x0002002C\r\n"
                        "AccessibilityEntry=0\r\n[Sounds]\r\nClicksEnabled=1\r\nNoteRequestEnabled=1\r\n"
                      : "",
                  ReadBytes(ini));
        EXPECT_EQ(idEnd == IDOK ? 0x0002002Cu : 0x00010042u, pSimCap->nStopKey);
    }
}

TEST_F(DefOptDgTest, AKeyOutsideTheListShowsNoEntryAndIsKept)
{
    Settings(0x0002002D, 0x0002002C, TRUE, TRUE, FALSE);
    std::string start;
    EXPECT_TRUE(Run([&](HWND hdlg) {
        start = Shown(hdlg);
        Click(hdlg, IDC_OPT_ALT);
        Click(hdlg, IDC_OPT_NOTE_SOUNDS);
        Click(hdlg, IDOK);
    }));
    EXPECT_EQ("(none) 1 0 1 1 0", start);
    EXPECT_TRUE(capture.HasLine("DefOptDg:GetKeyComboElementFromSelectedAction - invalid Assigned ACTIONKEY "
                                "appears to be invalid.\n"));
    EXPECT_EQ("[Sounds]\r\nNoteRequestEnabled=0\r\n", ReadBytes(ini));
    EXPECT_EQ(0x0002002Du, pSimCap->nSnapshotKey);
}

TEST_F(DefOptDgTest, FailedWritesAreReportedAndOnlyTheHotkeysChangeAnyway)
{
    Settings(0x0000002C, 0x0002002C, TRUE, TRUE, FALSE);
    ASSERT_TRUE(pSimCap->pPrivProf->SetUserConfigPath(dir.Path("missing\\QM57REC.INI").c_str()));
    EXPECT_TRUE(Run([&](HWND hdlg) {
        for (int id : {IDC_OPT_ALT, IDC_OPT_CLICK_SOUNDS, IDC_OPT_NOTE_SOUNDS, IDC_OPT_HIGH_RESOLUTION, IDOK})
            Click(hdlg, id);
    }));
    const char* apszExpected[] = {"Could not update Start/Update key combination request.",
                                  "Could not update the Clicks Enabled request.",
                                  "Could not update the Note Request Enabled request.",
                                  "Could not update the High Resolution Capture Enabled request."};
    auto boxes = capture.Boxes();
    ASSERT_EQ(4u, boxes.size());
    for (size_t i = 0; i < boxes.size(); i++)
    {
        EXPECT_EQ(apszExpected[i], boxes[i].text);
        EXPECT_EQ(hdlgShown, boxes[i].hwndOwner);
        EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), boxes[i].uFlags);
    }
    EXPECT_EQ(0x0001002Cu, pSimCap->nSnapshotKey);
    EXPECT_TRUE(pSimCap->sounds.ClicksEnabled());
    EXPECT_TRUE(pSimCap->sounds.NoteRequestEnabled());
    EXPECT_FALSE(pSimCap->bAccessibilityEntry);
}

// Ctrl+Print Screen for starting as well as stopping: OK explains and keeps the dialog open.
TEST_F(DefOptDgTest, OneCombinationForStartAndStopIsRefused)
{
    Settings(0x0000002C, 0x0002002C, TRUE, TRUE, FALSE);
    bool bOpenAfterOk = false;
    EXPECT_FALSE(Run([&](HWND hdlg) {
        Click(hdlg, IDC_OPT_CTRL);
        Click(hdlg, IDOK);
        bOpenAfterOk = IsWindowVisible(hdlg) != FALSE;
        Click(hdlg, IDCANCEL);
    }));
    EXPECT_TRUE(bOpenAfterOk);
    ASSERT_EQ(1u, capture.Boxes().size());
    EXPECT_EQ("The same key combination cannot start and stop a recording.  Choose another combination for "
              "one of them.",
              capture.Boxes()[0].text);
    EXPECT_EQ("", ReadBytes(ini));
    EXPECT_EQ(0x0000002Cu, pSimCap->nSnapshotKey);
}
