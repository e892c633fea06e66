// tests/host/BackgroundMessageTest.cpp — how the writer thread's messages reach the user, seen as the
// commands that windows standing in for the recorder window and the "Saving Data" dialog receive, the
// error boxes shown, and the debug lines of what could not be delivered. The texts and results a
// registered dialog is sent are seen in the writer thread's and packaging tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/SimCap.h"
#include "output/WrThread.h"
#include "tests/output/WriterTestSupport.h"
#include "tests/support/DiagCapture.h"

using writertest::Command;
using writertest::RunAsWriter;
using writertest::StandIns;
using writertest::TestRecorder;
using writertest::ToDialog;

namespace
{
const char c_szPackaging[] = "Packaging output data...";
const char c_szListError[] = "ERROR: Problem writing Event List.  Cleaning up...";
Command ToRecorder(UINT nId, bool bSent)
{
    return {"recorder", nId, 0, bSent, ""};
}

class BackgroundMessageTest : public ::testing::Test
{
  protected:
    void SetUp() override { recorder->nWrThreadStatus = TS_RUNNING; }

    bool Output(LPCSTR pszText, BOOL bFlag) // on a thread of its own, as the writer calls it
    {
        return RunAsWriter([&] { recorder->OutputBkgndMsg(pszText, bFlag); });
    }

    TestRecorder recorder;
    StandIns standIns;
    DiagCapture diag;
};
} // namespace

TEST_F(BackgroundMessageTest, WithoutTheDialogErrorsGoToTheRecorderWindowAndTheRestToADebugLine)
{
    const struct
    {
        const char* pszText;
        BOOL bFlag;
        UINT nStatus;
        std::vector<std::string> lines;
    } cases[] = {
        {c_szPackaging,
         FALSE,
         TS_RUNNING,
         {"Error in OutputBkgndMsg: IsError but type neither info nor none.\n"}},
        {nullptr, TRUE, TS_RUNNING, {"Error in OutputBkgndMsg: NULL msg but INFO dlg not up.\n"}},
        {"gone", TRUE, TS_EXIT, {}}, // nothing once the thread must end
    };
    for (const auto& c : cases)
    {
        diag.Clear();
        recorder->nWrThreadStatus = c.nStatus;
        ASSERT_TRUE(Output(c.pszText, c.bFlag)) << c.nStatus;
        EXPECT_EQ(c.lines, diag.Lines()) << c.nStatus;
        EXPECT_TRUE(standIns.commands.empty() && diag.Boxes().empty()) << c.nStatus;
    }

    // With the recorder window gone the box can never come: the writer does not wait for it. With the
    // window back, the next error is sent to it and shown as an error box.
    recorder->nWrThreadStatus = TS_RUNNING;
    g_shared.hwndSimCap = nullptr;
    EXPECT_TRUE(Output("nobody to show it", TRUE));
    g_shared.hwndSimCap = standIns.hwndRecorder;
    EXPECT_TRUE(Output("shown", TRUE));
    EXPECT_EQ(std::vector<Command>{ToRecorder(IDM_SHOW_ERROR, true)}, standIns.commands);
    ASSERT_EQ(1u, diag.Boxes().size());
    EXPECT_EQ("shown", diag.Boxes()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_TOPMOST), diag.Boxes()[0].uFlags);
    EXPECT_EQ(standIns.hwndRecorder, diag.Boxes()[0].hwndOwner);
}

TEST_F(BackgroundMessageTest, AfterTheFirstErrorOfASessionFurtherErrorsAreDropped)
{
    recorder->nWrThreadStatus = TS_FAILED;
    standIns.RegisterDialog();
    // Text shown while the session has failed counts as its reported error.
    ASSERT_TRUE(Output("first", FALSE));
    ASSERT_TRUE(Output("second", TRUE));
    EXPECT_EQ(std::vector<Command>{ToDialog(3, true, "first")}, standIns.commands);

    standIns.commands.clear();
    ASSERT_TRUE(RunAsWriter([&] { recorder->ReportWriterError(c_szListError); }));
    EXPECT_TRUE(standIns.commands.empty());
    EXPECT_TRUE(diag.Boxes().empty());
}

TEST_F(BackgroundMessageTest, OnlyTheRegisteredDialogGetsTheTextAndOnlyWhenItFits)
{
    standIns.RegisterDialog();
    recorder->OutputBkgndMsg(c_szPackaging, FALSE);
    const UINT cchText = sizeof(c_szPackaging) - 1;
    for (const auto& c :
         {std::make_pair(standIns.hwndDialog, cchText + 1), std::make_pair(standIns.hwndDialog, cchText),
          std::make_pair(standIns.hwndRecorder, 520u)})
    {
        bool bCopied = c.first == standIns.hwndDialog && c.second > cchText;
        char sz[520] = "untouched";
        EXPECT_EQ(bCopied, recorder->GetBkgndMsg(c.first, sz, c.second) != FALSE) << c.second;
        EXPECT_EQ(bCopied ? c_szPackaging : "untouched", std::string(sz)) << c.second;
    }
    // Another window cannot take the dialog's place away; the dialog itself can.
    char sz[520];
    recorder->SetBkgndMsgTarget(standIns.hwndRecorder, FALSE);
    EXPECT_TRUE(recorder->GetBkgndMsg(standIns.hwndDialog, sz, sizeof(sz)));
    recorder->SetBkgndMsgTarget(standIns.hwndDialog, FALSE);
    EXPECT_FALSE(recorder->GetBkgndMsg(standIns.hwndDialog, sz, sizeof(sz)));
}

// A failed write stops the recording first, so the error stands in front of the "Saving Data" dialog that
// the stop brings up; a recording that was cut short but kept is told and saved all the same.
TEST_F(BackgroundMessageTest, AWriterProblemDuringARecordingStopsItAndIsShownInFrontOfTheDialog)
{
    const char c_szKept[] = "stopped early; what came before is saved";
    const struct
    {
        const char* pszName;
        bool bKept;
        bool bDialogUpAlready;
        UINT nStateOnStop;
        bool bDialogOnStop;
        std::vector<Command> expected;
        UINT nStatusAfter;
        size_t cBoxes; // error boxes of the recorder window itself
    } cases[] = {
        {"the stop brings up the dialog",
         false,
         false,
         MS_STOPPING,
         true,
         {ToRecorder(IDM_STOP, false), ToDialog(4, true, c_szListError)},
         TS_FAILED,
         0},
        {"the stop is refused",
         false,
         false,
         MS_READY,
         false,
         {ToRecorder(IDM_STOP, false), ToRecorder(IDM_SHOW_ERROR, true)},
         TS_FAILED,
         1},
        {"the user has stopped already",
         false,
         true,
         MS_STOPPING,
         true,
         {ToDialog(4, true, c_szListError)},
         TS_FAILED,
         0},
        {"what was written is kept",
         true,
         false,
         MS_STOPPING,
         true,
         {ToRecorder(IDM_STOP, false), ToDialog(5, true, c_szKept)},
         TS_RUNNING,
         0},
    };
    for (const auto& c : cases)
    {
        standIns.commands.clear();
        diag.Clear();
        g_bErrorReported = FALSE;
        recorder->nMenuState = c.bDialogUpAlready ? MS_STOPPING : MS_CAPTURING;
        recorder->nWrThreadStatus = TS_RUNNING;
        if (c.bDialogUpAlready) standIns.RegisterDialog();
        standIns.nStateOnStop = c.nStateOnStop;
        standIns.bDialogOnStop = c.bDialogOnStop;
        ASSERT_TRUE(RunAsWriter([&] {
            if (c.bKept)
                recorder->ReportWriterNotice(c_szKept);
            else
                recorder->ReportWriterError(c_szListError);
        })) << c.pszName;
        EXPECT_EQ(c.expected, standIns.commands) << c.pszName;
        ASSERT_EQ(c.cBoxes, diag.Boxes().size()) << c.pszName;
        if (c.cBoxes)
        {
            EXPECT_EQ(c_szListError, diag.Boxes()[0].text) << c.pszName;
        }
        EXPECT_EQ(c.nStatusAfter, recorder->nWrThreadStatus.load()) << c.pszName;
        recorder->SetBkgndMsgTarget(standIns.hwndDialog, FALSE);
    }
}
