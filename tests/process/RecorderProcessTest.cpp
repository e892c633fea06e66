// tests/process/RecorderProcessTest.cpp — the real host executable under Wine, seen from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/DebugListener.h"
#include "tests/support/RecorderProcess.h"

namespace
{
const DWORD c_dwStartMs = 60000;
const UINT c_nExit = 1090;
const int c_nTargetList = 2004; // the Define Target dialog's application list

class RecorderProcessTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(debug.IsListening());
        RemoveAllConfigFiles();
        ASSERT_TRUE(recorder.Start());
        hwnd = recorder.WaitForWindow(c_dwStartMs);
        ASSERT_NE(nullptr, hwnd) << "no recorder window appeared";
        hwndSetup = recorder.WaitForDialog(c_nTargetList, c_dwStartMs);
        ASSERT_NE(nullptr, hwndSetup) << "no Define Target dialog appeared";
    }

    void TearDown() override
    {
        // Whatever a test sent, the recorder still ends cleanly.
        if (!recorder.IsRunning()) return;
        CancelSetup();
        ASSERT_TRUE(recorder.WaitForExit(60000));
        EXPECT_EQ(0u, recorder.ExitCode());
    }

    // Cancelling the first Define Target dialog ends the program.
    void CancelSetup() { PostMessageA(hwndSetup, WM_COMMAND, IDCANCEL, 0); }

    DebugListener debug;
    RecorderProcess recorder;
    HWND hwnd = nullptr;
    HWND hwndSetup = nullptr;
};

TEST_F(RecorderProcessTest, SecondStartEndsAtOnceWithZeroAndLeavesTheFirstRunning)
{
    RecorderProcess second;
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(second.WaitForExit(c_dwStartMs));
    EXPECT_EQ(0u, second.ExitCode());
    EXPECT_TRUE(recorder.IsRunning());
    EXPECT_EQ(hwnd, FindWindowA("SimCapQM57", "QM57REC"));
}

// One hidden window with its class and title; cancelling the first setup ends the process with zero after
// both threads. Wine's shell answers NIM_ADD with its own tray window; a shell without a tray refuses it,
// and the tray thread must then be gone before the exit, so its exit line never comes.
TEST_F(RecorderProcessTest, CancellingTheFirstSetupEndsTheProcessWithZeroAfterBothThreads)
{
    EXPECT_EQ(hwnd, FindWindowA("SimCapQM57", "QM57REC"));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    ASSERT_TRUE(debug.WaitForLine(recorder.ProcessId(), "Tray thread started with dwData=1\n", c_dwStartMs));
    Sleep(300);
    bool bRefused = debug.HasLine(recorder.ProcessId(), "ProcessIconInfo with NIM_ADD returned FALSE");
    CancelSetup();
    ASSERT_TRUE(recorder.WaitForExit(60000));
    EXPECT_EQ(0u, recorder.ExitCode());
    EXPECT_EQ(!bRefused, debug.HasLine(recorder.ProcessId(), "Exited tray thread loop.\n"));
    EXPECT_TRUE(debug.HasLine(recorder.ProcessId(), "Exited thread loop.\n"))
        << "the writer thread ended too";
    EXPECT_EQ(nullptr, FindWindowA("SimCapQM57", "QM57REC"));
}

// Records of unknown kinds, and records shorter than their kind's layout (a reader that trusted the kind
// would read past them), are answered with zero and told in a debug line each. The fuzzer sends many more.
TEST_F(RecorderProcessTest, UnexpectedAndShortRecordsAreToldAndAnsweredWithZero)
{
    BYTE abShort[8] = {2, 0, 0, 0, 0, 0, 0, 0};
    const struct
    {
        ULONG_PTR dwData;
        DWORD cb;
        void* pv;
        const char* pszLine;
    } cases[] = {{6, 4, abShort, "unexpected 'dwData' value"}, {14, 4, abShort, "unexpected 'dwData' value"},
                 {7, 8, abShort, "is shorter than its"},       {13, 8, abShort, "is shorter than its"},
                 {7, 0, nullptr, "is shorter than its"},       {13, 55, abShort, "is shorter than its"}};
    for (const auto& c : cases)
    {
        COPYDATASTRUCT cds = {c.dwData, c.cb, c.pv};
        DWORD_PTR dwResult = 1;
        ASSERT_TRUE(SendMessageTimeoutA(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_BLOCK,
                                        5000, &dwResult));
        EXPECT_EQ(0u, dwResult) << c.dwData;
    }
    Sleep(200);
    EXPECT_EQ(2u, debug.CountLines(recorder.ProcessId(), "unexpected 'dwData' value"));
    EXPECT_EQ(4u, debug.CountLines(recorder.ProcessId(), "is shorter than its"));
}

TEST_F(RecorderProcessTest, UnknownCommandsAndExitWhileSetupIsUpAreIgnored)
{
    // Exit is refused while a setup dialog is up; unknown ids are never handled.
    for (UINT nCommand : {0u, 999u, 1002u, 1089u, 1091u, 2202u, 65535u, c_nExit})
        PostMessageA(hwnd, WM_COMMAND, nCommand, 0);
    Sleep(500);
    EXPECT_TRUE(recorder.IsRunning());
    EXPECT_TRUE(IsWindow(hwndSetup));
}

} // namespace
