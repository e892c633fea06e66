// tests/ui/SmallDialogsTest.cpp — the small dialogs run modally while a second thread drives them;
// configuration writes land in a temporary INI.
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
#include "ui/SmallDialogs.h"

using configtest::ReadBytes;
using dialogtest::Click;
using dialogtest::DriveDialog;
using dialogtest::ItemText;

namespace
{
const UINT c_fErrorBox = MB_ICONINFORMATION | MB_TOPMOST;
const char c_szProcessing[] = "Processing captured data...";
} // namespace

class SmallDialogsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        InitializeCriticalSection(&pSimCap->csBkgndMsg);
        pSimCap->pPrivProf = new PrivProf(pSimCap, hResModule, nullptr);
        ASSERT_TRUE(pSimCap->pPrivProf->SetUserConfigPath(ini.c_str()));
        g_pSimCap = pSimCap;
    }
    void TearDown() override
    {
        SetFileAttributesA(recording.c_str(), FILE_ATTRIBUTE_NORMAL);
        g_pSimCap = nullptr;
        DeleteCriticalSection(&pSimCap->csBkgndMsg);
        delete pSimCap;
    }

    HINSTANCE hResModule = GetModuleHandleA(nullptr);
    DiagCapture capture;
    configtest::TempDir dir;
    std::string ini = dir.Path("QM57REC.INI");
    std::string recording = dir.Path("old.qmr");
    SIMCAP* pSimCap = new SIMCAP;
};

TEST_F(SmallDialogsTest, EveryDialogReportsATemplateItCannotLoad)
{
    HINSTANCE hNoTemplates = GetModuleHandleA("kernel32.dll");
    HWND hwndOwner = GetDesktopWindow();
    pSimCap->nMsgMode = BM_ERROR_PENDING; // a Saving Data dialog that never came up leaves the target alone
    EXPECT_FALSE(SavDatDg(hNoTemplates, hwndOwner, c_szProcessing).Show());
    EXPECT_FALSE(DatSvdDg(hNoTemplates, hwndOwner).Show());
    EXPECT_FALSE(ExistsDg(hNoTemplates, hwndOwner, "C:\\x.qmr").Show());
    EXPECT_FALSE(UserAsDg(hNoTemplates, hwndOwner).Show());
    DefOptDg options(hNoTemplates, hwndOwner, "Hotkey and Sound Settings");
    EXPECT_TRUE(options.Load());
    EXPECT_FALSE(options.Show());
    const char* apszExpected[] = {"Error attempting to process the Saving Data dialog.",
                                  "Error attempting to show the Data Saved dialog.",
                                  "Error attempting to show the File Already Exists dialog.",
                                  "Error attempting to show the User Assistance dialog.",
                                  "Error attempting to process the Options Dialog."};
    auto boxes = capture.Boxes();
    ASSERT_EQ(5u, boxes.size());
    for (size_t i = 0; i < boxes.size(); i++)
    {
        EXPECT_EQ(apszExpected[i], boxes[i].text);
        EXPECT_EQ(c_fErrorBox, boxes[i].uFlags);
        EXPECT_EQ(hwndOwner, boxes[i].hwndOwner);
    }
    EXPECT_EQ(static_cast<UINT>(BM_ERROR_PENDING), pSimCap->nMsgMode);
}

// The writer reports through command 2202: 1 and 2 end it, 3 shows a text, 4 shows a box and fails; other
// codes are ignored. Whatever ends it, it takes no more background messages once closed.
TEST_F(SmallDialogsTest, SavingDataFollowsTheWritersReportsUntilTheEnd)
{
    const char szError[] = "ERROR: Problem writing Event List.  Cleaning up...";
    const struct
    {
        const char* pszReport; // through the background channel; an error one ends the dialog
        BOOL bError;
        LPARAM lParamEnd; // the writer's result, or 0: the user's Cancel
        const char* pszShown;
        BOOL bSucceeded, bCancelled;
    } cases[] = {
        {nullptr, FALSE, 1, c_szProcessing, TRUE, FALSE},
        {nullptr, FALSE, 2, c_szProcessing, FALSE, FALSE},
        {"Packaging output data...", FALSE, 0, "Packaging output data...", FALSE, TRUE},
        {szError, TRUE, 0, "", FALSE, FALSE},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        capture.Clear();
        SavDatDg dlg(hResModule, nullptr, c_szProcessing);
        BOOL bShown = FALSE;
        std::string shown;
        HWND hwndTarget = nullptr;
        auto drive = DriveDialog(
            "Saving Data", [&] { bShown = dlg.Show(); },
            [&](HWND hdlg) {
                EnterCriticalSection(&pSimCap->csBkgndMsg);
                hwndTarget = pSimCap->nMsgMode == BM_INFO_DLG ? pSimCap->hMsgTarget : nullptr;
                LeaveCriticalSection(&pSimCap->csBkgndMsg);
                if (c.pszReport) pSimCap->OutputBkgndMsg(c.pszReport, c.bError);
                if (c.bError) return;
                SendMessageA(hdlg, WM_COMMAND, 2202, 7);
                shown = ItemText(hdlg, IDC_SD_MESSAGE);
                if (c.lParamEnd)
                    PostMessageA(hdlg, WM_COMMAND, 2202, c.lParamEnd);
                else
                    Click(hdlg, IDCANCEL);
            });
        EXPECT_TRUE(bShown);
        EXPECT_FALSE(drive.bLeftOpen);
        ASSERT_NE(nullptr, drive.hdlg);
        EXPECT_EQ(drive.hdlg, hwndTarget);
        EXPECT_EQ(c.pszShown, shown);
        EXPECT_EQ(c.bSucceeded, dlg.Succeeded());
        EXPECT_EQ(c.bCancelled, dlg.Cancelled());
        EXPECT_EQ(nullptr, pSimCap->hMsgTarget);
        EXPECT_EQ(static_cast<UINT>(BM_NONE), pSimCap->nMsgMode);
        auto boxes = capture.Boxes();
        ASSERT_EQ(c.bError ? 1u : 0u, boxes.size());
        if (!c.bError) continue;
        EXPECT_EQ(szError, boxes[0].text);
        EXPECT_EQ(drive.hdlg, boxes[0].hwndOwner);
        EXPECT_EQ(c_fErrorBox, boxes[0].uFlags);
    }
}

// A writer that finished the session before the dialog could hear of it does not leave the dialog up for
// ever. (A notice in front of the dialog is seen in the end-to-end session with a write fault.)
TEST_F(SmallDialogsTest, SavingDataNeverOutwaitsTheWriter)
{
    pSimCap->nSessionId = 5;
    pSimCap->nWrThreadStatus = TS_FAILED;
    pSimCap->FinishSession(TRUE);
    pSimCap->nWrThreadStatus = TS_IDLE;
    SavDatDg late(hResModule, nullptr, c_szProcessing);
    auto drive = DriveDialog(
        "Saving Data", [&] { late.Show(); }, [](HWND) {});
    EXPECT_FALSE(drive.bLeftOpen) << "the dialog waited for a report that could not come";
    EXPECT_FALSE(late.Succeeded());
    EXPECT_FALSE(late.Cancelled());
}

TEST_F(SmallDialogsTest, DataSavedShowsTheRecordingAndAnswersWhetherToRecordAgain)
{
    configtest::WriteBytes(ini, "[Settings]\r\nOutputPath=C:\\Recordings\\task one.qmr\r\n");
    for (int idButton : {IDOK, IDCANCEL})
    {
        DatSvdDg dlg(hResModule, nullptr);
        std::string path;
        auto drive = DriveDialog(
            "Data Saved", [&] { EXPECT_TRUE(dlg.Show()); },
            [&](HWND hdlg) {
                path = ItemText(hdlg, IDC_DS_OUTPUT_PATH);
                Click(hdlg, idButton);
            });
        EXPECT_FALSE(drive.bLeftOpen);
        EXPECT_EQ("C:\\Recordings\\task one.qmr", path);
        EXPECT_EQ(idButton == IDOK, dlg.Result() != FALSE);
    }
}

// The read-only refusal after the question is covered by the Define Target tests.
TEST_F(SmallDialogsTest, ExistsCheckAsksBeforeReplacingAndRefusesReadOnlyFiles)
{
    const std::string pathIni = "[Settings]\r\nOutputPath=" + recording + "\r\n";
    struct
    {
        bool bExists, bReadOnly, bAsk, bTick;
        int idButton;
        BOOL bAllowed;
        const char* pszWritten;
    } cases[] = {
        {false, false, true, false, IDOK, TRUE, ""},                        // nothing to replace: no question
        {true, false, true, false, IDOK, TRUE, ""},                         // asked, agreed
        {true, false, true, true, IDCANCEL, FALSE, "OverwriteOKDlg=0\r\n"}, // declined; not asked again
        {true, false, false, false, IDOK, TRUE, ""},                        // question switched off
        {true, true, false, false, IDOK, FALSE, ""},                        // read-only, not asked
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        capture.Clear();
        SetFileAttributesA(recording.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(recording.c_str());
        if (c.bExists) dir.Write("old.qmr", "PK");
        if (c.bReadOnly) SetFileAttributesA(recording.c_str(), FILE_ATTRIBUTE_READONLY);
        configtest::WriteBytes(ini, pathIni);
        pSimCap->bOverwriteOKDlg = c.bAsk;
        BOOL bAllowed = FALSE;
        std::string shown;
        auto drive = DriveDialog(
            "File Already Exists",
            [&] { bAllowed = ExistsDg::CheckFileExists(hResModule, GetDesktopWindow()); },
            [&](HWND hdlg) {
                shown = ItemText(hdlg, IDC_FE_PATH);
                if (c.bTick) Click(hdlg, IDC_FE_DONT_ASK);
                Click(hdlg, c.idButton);
            });
        EXPECT_EQ(c.bAllowed, bAllowed);
        EXPECT_EQ(c.bExists && c.bAsk, drive.hdlg != nullptr);
        EXPECT_EQ(drive.hdlg ? recording : "", shown);
        EXPECT_EQ(pathIni + c.pszWritten, ReadBytes(ini));
        EXPECT_EQ(c.bAsk && !c.bTick, pSimCap->bOverwriteOKDlg != FALSE);
        auto boxes = capture.Boxes();
        ASSERT_EQ(c.bReadOnly ? 1u : 0u, boxes.size());
        if (!c.bReadOnly) continue;
        EXPECT_EQ("Access to " + recording + " was denied.", boxes[0].text);
        EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), boxes[0].uFlags);
        EXPECT_EQ(GetDesktopWindow(), boxes[0].hwndOwner);
    }
}

TEST_F(SmallDialogsTest, UserAssistanceStoresDontShowAgainOnlyOnOk)
{
    struct
    {
        bool bTick;
        int idButton;
        const char* pszWritten;
    } cases[] = {
        {true, IDCANCEL, ""}, {false, IDOK, ""}, {true, IDOK, "[Settings]\r\nUserAssistanceDlg=0\r\n"}};
    // The guidance names the keys in force, not the defaults.
    pSimCap->nSnapshotKey = 0x00010078;
    pSimCap->nStopKey = 0x00030051;
    std::string keyTexts;
    for (const auto& c : cases)
    {
        auto drive = DriveDialog(
            "User Assistance", [&] { EXPECT_TRUE(UserAsDg::ShowUserAssistance(hResModule, nullptr)); },
            [&](HWND hdlg) {
                keyTexts = ItemText(hdlg, IDC_UA_START_TEXT) + "|" + ItemText(hdlg, IDC_UA_STEP_TEXT) + "|" +
                           ItemText(hdlg, IDC_UA_STOP_TEXT);
                if (c.bTick) Click(hdlg, IDC_UA_DONT_SHOW);
                Click(hdlg, c.idButton);
            });
        EXPECT_EQ(
            "2.  Press Alt+F9 to start recording; this takes the first snapshot.|3.  Do each step of the "
            "task, then press Alt+F9 again to capture it.|4.  Press Ctrl+Alt+Q to stop recording and "
            "save the file.",
            keyTexts);
        EXPECT_FALSE(drive.bLeftOpen);
        EXPECT_EQ(c.pszWritten, ReadBytes(ini));
        EXPECT_EQ(c.pszWritten[0] == '\0', pSimCap->bUserAssistanceDlg != FALSE);
    }
    // Switched off, nothing is shown.
    auto drive = DriveDialog(
        "User Assistance", [&] { EXPECT_TRUE(UserAsDg::ShowUserAssistance(hResModule, nullptr)); },
        [&](HWND hdlg) { Click(hdlg, IDOK); });
    EXPECT_EQ(nullptr, drive.hdlg);
}
