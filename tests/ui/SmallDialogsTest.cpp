// tests/ui/SmallDialogsTest.cpp — the four small dialogs run modally on the test thread while a second
// thread drives them through their window messages; configuration writes land in a temporary INI.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "config/PrivProf.h"
#include "host/SimCap.h"
#include "resource.h"
#include "tests/config/ConfigTestFiles.h"
#include "tests/support/DiagCapture.h"
#include "ui/SmallDialogs.h"

using configtest::ReadBytes;

// Also used by the Options dialog tests.
namespace dialogtest
{
struct Drive
{
    HWND hdlg;      // null when no dialog with the caption came up
    bool bLeftOpen; // the steps did not end the dialog
};

// Runs fnRun on this thread (it shows a modal dialog, or should not) while fnSteps drives the dialog with
// the caption from a second thread. A dialog left open is cancelled, so a faulty one fails its test
// instead of hanging it; the search ends when fnRun returns, so a call that shows nothing costs nothing.
Drive DriveDialog(LPCSTR pszCaption, const std::function<void()>& fnRun,
                  const std::function<void(HWND)>& fnSteps)
{
    std::atomic<bool> bReturned{false};
    Drive drive{nullptr, false};
    std::thread driver([&] {
        for (int nTry = 0; nTry < 500 && !bReturned && !drive.hdlg; nTry++)
        {
            HWND hwnd = FindWindowA("#32770", pszCaption);
            DWORD dwProcessId = 0;
            if (hwnd) GetWindowThreadProcessId(hwnd, &dwProcessId);
            // Visible means WM_INITDIALOG is over and the modal loop runs.
            if (hwnd && dwProcessId == GetCurrentProcessId() && IsWindowVisible(hwnd))
                drive.hdlg = hwnd;
            else
                Sleep(10);
        }
        if (!drive.hdlg) return;
        fnSteps(drive.hdlg);
        for (int nTry = 0; nTry < 300 && IsWindow(drive.hdlg); nTry++)
            Sleep(10);
        drive.bLeftOpen = IsWindow(drive.hdlg) != FALSE;
        if (drive.bLeftOpen) PostMessageA(drive.hdlg, WM_COMMAND, IDCANCEL, 0);
    });
    fnRun();
    bReturned = true;
    driver.join();
    return drive;
}

void Click(HWND hdlg, int id)
{
    SendDlgItemMessageA(hdlg, id, BM_CLICK, 0, 0);
}
} // namespace dialogtest

using dialogtest::Click;
using dialogtest::DriveDialog;

namespace
{
const UINT c_fErrorBox = MB_ICONINFORMATION | MB_TOPMOST;

std::string ItemText(HWND hdlg, int id)
{
    char sz[600] = {};
    GetDlgItemTextA(hdlg, id, sz, sizeof(sz));
    return sz;
}

bool Checked(HWND hdlg, int id)
{
    return SendDlgItemMessageA(hdlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
} // namespace

// A recorder object whose user configuration is a file in a temporary folder.
class SmallDialogsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        pSimCap = new SIMCAP;
        InitializeCriticalSection(&pSimCap->csBkgndMsg);
        pSimCap->pPrivProf = new PrivProf(pSimCap, GetModuleHandleA(nullptr), nullptr);
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
    SIMCAP* pSimCap = nullptr;
};

TEST_F(SmallDialogsTest, EveryDialogReportsATemplateItCannotLoad)
{
    HINSTANCE hNoTemplates = GetModuleHandleA("kernel32.dll");
    HWND hwndOwner = GetDesktopWindow();
    pSimCap->nMsgMode = BM_ERROR_PENDING; // a Saving Data dialog that never came up leaves the target alone
    SavDatDg savDat(hNoTemplates, hwndOwner, "Processing captured data...");
    DatSvdDg datSvd(hNoTemplates, hwndOwner);
    ExistsDg exists(hNoTemplates, hwndOwner, "C:\\x.qmr");
    UserAsDg userAs(hNoTemplates, hwndOwner);
    EXPECT_FALSE(savDat.Show());
    EXPECT_FALSE(datSvd.Show());
    EXPECT_FALSE(exists.Show());
    EXPECT_FALSE(userAs.Show());

    const char* apszExpected[] = {"Error attempting to process the Saving Data dialog.",
                                  "Error attempting to show the Data Saved dialog.",
                                  "Error attempting to show the File Already Exists dialog.",
                                  "Error attempting to show the User Assistance dialog."};
    auto boxes = capture.Boxes();
    ASSERT_EQ(4u, boxes.size());
    for (size_t i = 0; i < boxes.size(); i++)
    {
        EXPECT_EQ(apszExpected[i], boxes[i].text);
        EXPECT_EQ(c_fErrorBox, boxes[i].uFlags);
        EXPECT_EQ(hwndOwner, boxes[i].hwndOwner);
    }
    EXPECT_EQ(static_cast<UINT>(BM_ERROR_PENDING), pSimCap->nMsgMode);
}

TEST_F(SmallDialogsTest, SavingDataEndsOnTheWritersPostedResult)
{
    for (LPARAM lParam : {1, 2})
    {
        SavDatDg dlg(hResModule, nullptr, "Processing captured data...");
        BOOL bShown = FALSE;
        std::string text;
        HWND hwndTarget = nullptr;
        auto drive = DriveDialog(
            "Saving Data", [&] { bShown = dlg.Show(); },
            [&](HWND hdlg) {
                text = ItemText(hdlg, IDC_SD_MESSAGE);
                EnterCriticalSection(&pSimCap->csBkgndMsg);
                hwndTarget = pSimCap->nMsgMode == BM_INFO_DLG ? pSimCap->hMsgTarget : nullptr;
                LeaveCriticalSection(&pSimCap->csBkgndMsg);
                PostMessageA(hdlg, WM_COMMAND, 2202, lParam);
            });
        EXPECT_TRUE(bShown);
        EXPECT_FALSE(drive.bLeftOpen);
        EXPECT_EQ("Processing captured data...", text);
        ASSERT_NE(nullptr, drive.hdlg);
        EXPECT_EQ(drive.hdlg, hwndTarget);
        EXPECT_EQ(lParam == 1, dlg.Succeeded() != FALSE);
        EXPECT_FALSE(dlg.Cancelled());
        // Closed, it takes no more background messages.
        EXPECT_EQ(nullptr, pSimCap->hMsgTarget);
        EXPECT_EQ(static_cast<UINT>(BM_NONE), pSimCap->nMsgMode);
    }
}

TEST_F(SmallDialogsTest, SavingDataShowsProgressTextsAndIgnoresUnknownReportsUntilCancelled)
{
    SavDatDg dlg(hResModule, nullptr, "Processing captured data...");
    std::string text;
    bool bOpenAfterReports = false;
    auto drive = DriveDialog(
        "Saving Data", [&] { EXPECT_TRUE(dlg.Show()); },
        [&](HWND hdlg) {
            pSimCap->OutputBkgndMsg("Packaging output data...", FALSE);
            SendMessageA(hdlg, WM_COMMAND, 2202, 7);
            text = ItemText(hdlg, IDC_SD_MESSAGE);
            bOpenAfterReports = IsWindow(hdlg);
            Click(hdlg, IDCANCEL);
        });
    EXPECT_FALSE(drive.bLeftOpen);
    EXPECT_EQ("Packaging output data...", text);
    EXPECT_TRUE(bOpenAfterReports);
    EXPECT_TRUE(dlg.Cancelled());
    EXPECT_FALSE(dlg.Succeeded());
}

TEST_F(SmallDialogsTest, SavingDataShowsAnErrorInItsOwnBoxAndFails)
{
    SavDatDg dlg(hResModule, nullptr, "Processing captured data...");
    auto drive = DriveDialog(
        "Saving Data", [&] { EXPECT_TRUE(dlg.Show()); },
        [&](HWND) { pSimCap->OutputBkgndMsg("ERROR: Problem writing Event List.  Cleaning up...", TRUE); });
    EXPECT_FALSE(drive.bLeftOpen);
    EXPECT_FALSE(dlg.Succeeded());
    EXPECT_FALSE(dlg.Cancelled());
    auto boxes = capture.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("ERROR: Problem writing Event List.  Cleaning up...", boxes[0].text);
    EXPECT_EQ(drive.hdlg, boxes[0].hwndOwner);
    EXPECT_EQ(c_fErrorBox, boxes[0].uFlags);
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
        {true, true, true, false, IDOK, FALSE, ""},                         // read-only, asked
    };
    for (const auto& c : cases)
    {
        capture.Clear();
        SetFileAttributesA(recording.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(recording.c_str());
        if (c.bExists) dir.Write("old.qmr", "PK");
        if (c.bReadOnly) SetFileAttributesA(recording.c_str(), FILE_ATTRIBUTE_READONLY);
        configtest::WriteBytes(ini, pathIni);
        pSimCap->bOverwriteOKDlg = c.bAsk;

        BOOL bAllowed = FALSE;
        std::string shown;
        bool bBoxClear = false;
        auto drive = DriveDialog(
            "File Already Exists",
            [&] { bAllowed = ExistsDg::CheckFileExists(hResModule, GetDesktopWindow()); },
            [&](HWND hdlg) {
                shown = ItemText(hdlg, IDC_FE_PATH);
                bBoxClear = !Checked(hdlg, IDC_FE_DONT_ASK);
                if (c.bTick) Click(hdlg, IDC_FE_DONT_ASK);
                Click(hdlg, c.idButton);
            });
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(c.bAllowed, bAllowed);
        EXPECT_EQ(c.bExists && c.bAsk, drive.hdlg != nullptr);
        if (drive.hdlg)
        {
            EXPECT_EQ(recording, shown);
            EXPECT_TRUE(bBoxClear);
        }
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
    for (const auto& c : cases)
    {
        bool bBoxClear = false;
        auto drive = DriveDialog(
            "User Assistance", [&] { EXPECT_TRUE(UserAsDg::ShowUserAssistance(hResModule, nullptr)); },
            [&](HWND hdlg) {
                bBoxClear = !Checked(hdlg, IDC_UA_DONT_SHOW);
                if (c.bTick) Click(hdlg, IDC_UA_DONT_SHOW);
                Click(hdlg, c.idButton);
            });
        EXPECT_FALSE(drive.bLeftOpen);
        EXPECT_TRUE(bBoxClear);
        EXPECT_EQ(c.pszWritten, ReadBytes(ini));
        EXPECT_EQ(c.pszWritten[0] == '\0', pSimCap->bUserAssistanceDlg != FALSE);
    }
    // Switched off, nothing is shown.
    auto drive = DriveDialog(
        "User Assistance", [&] { EXPECT_TRUE(UserAsDg::ShowUserAssistance(hResModule, nullptr)); },
        [&](HWND hdlg) { Click(hdlg, IDOK); });
    EXPECT_EQ(nullptr, drive.hdlg);
}
