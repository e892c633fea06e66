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
        if (recorder.IsRunning())
        {
            CancelSetup();
            recorder.WaitForExit(60000);
        }
    }

    // Cancelling the first Define Target dialog ends the program.
    void CancelSetup() { PostMessageA(hwndSetup, WM_COMMAND, IDCANCEL, 0); }

    std::vector<std::string> Lines() { return debug.LinesOf(recorder.ProcessId()); }

    DebugListener debug;
    RecorderProcess recorder;
    HWND hwnd = nullptr;
    HWND hwndSetup = nullptr;
};

TEST_F(RecorderProcessTest, CreatesOneHiddenWindowWithItsClassAndTitle)
{
    char szTitle[64] = {};
    GetWindowTextA(hwnd, szTitle, sizeof(szTitle));
    EXPECT_STREQ("QM57REC", szTitle);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(hwnd, FindWindowA("SimCapQM57", "QM57REC"));
}

TEST_F(RecorderProcessTest, SecondStartEndsAtOnceWithZeroAndLeavesTheFirstRunning)
{
    RecorderProcess second;
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(second.WaitForExit(c_dwStartMs));
    EXPECT_EQ(0u, second.ExitCode());
    EXPECT_TRUE(recorder.IsRunning());
    EXPECT_EQ(hwnd, FindWindowA("SimCapQM57", "QM57REC"));
}

TEST_F(RecorderProcessTest, TrayThreadAddsTheIconOrEndsWhenTheShellRefuses)
{
    ASSERT_TRUE(debug.WaitForLine(recorder.ProcessId(), "Tray thread started with dwData=1\n", c_dwStartMs));
    Sleep(300);
    bool bRefused = debug.HasLine(recorder.ProcessId(), "ProcessIconInfo with NIM_ADD returned FALSE");
    // Wine's shell answers NIM_ADD with its own tray window; a shell without a tray refuses it, and the
    // thread must then be gone before the exit, so the exit line never comes.
    CancelSetup();
    ASSERT_TRUE(recorder.WaitForExit(60000));
    EXPECT_EQ(!bRefused, debug.HasLine(recorder.ProcessId(), "Exited tray thread loop.\n"));
}

TEST_F(RecorderProcessTest, CancellingTheFirstSetupEndsTheProcessWithZeroAfterTheTrayThread)
{
    ASSERT_TRUE(debug.WaitForLine(recorder.ProcessId(), "Tray thread started", c_dwStartMs));
    CancelSetup();
    ASSERT_TRUE(recorder.WaitForExit(60000));
    EXPECT_EQ(0u, recorder.ExitCode());
    EXPECT_TRUE(debug.HasLine(recorder.ProcessId(), "Exited tray thread loop.\n"));
    EXPECT_TRUE(debug.HasLine(recorder.ProcessId(), "Exited thread loop.\n"))
        << "the writer thread ended too";
    EXPECT_EQ(nullptr, FindWindowA("SimCapQM57", "QM57REC"));
}

TEST_F(RecorderProcessTest, WithNoConfigurationTheUsersFileHoldsOnlyTheOutputPath)
{
    std::string text = ReadWholeFile(UserConfigPath());
    ASSERT_FALSE(text.empty()) << UserConfigPath();
    char szSections[256] = {};
    DWORD cch = GetPrivateProfileSectionNamesA(szSections, sizeof(szSections), UserConfigPath().c_str());
    EXPECT_EQ(std::string("Settings\0", 9), std::string(szSections, cch));
    char szKeys[1024] = {};
    cch = GetPrivateProfileSectionA("Settings", szKeys, sizeof(szKeys), UserConfigPath().c_str());
    std::string entry(szKeys);
    EXPECT_EQ(entry.size() + 1, cch) << "exactly one key";
    EXPECT_EQ(0u, entry.find("OutputPath=")) << entry;
    EXPECT_NE(std::string::npos, entry.find("\\qmrecording.qmr")) << entry;
}

TEST_F(RecorderProcessTest, UnexpectedRecordKindsAreReportedAndAnsweredWithZero)
{
    DWORD dwPayload = 0x12345678;
    for (ULONG_PTR dwData : {6u, 14u})
    {
        COPYDATASTRUCT cds = {dwData, sizeof(dwPayload), &dwPayload};
        DWORD_PTR dwResult = 1;
        ASSERT_TRUE(SendMessageTimeoutA(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_BLOCK,
                                        5000, &dwResult));
        EXPECT_EQ(0u, dwResult);
    }
    ASSERT_TRUE(
        debug.WaitForLine(recorder.ProcessId(), "SIMCAP::OnCopyData(): unexpected 'dwData' value\n", 2000));
    EXPECT_EQ(2u, debug.CountLines(recorder.ProcessId(), "unexpected 'dwData' value"));
    EXPECT_TRUE(recorder.IsRunning());
}

TEST_F(RecorderProcessTest, RecordsShorterThanTheirKindAreDroppedWithoutReadingPastThem)
{
    // Each record claims a kind whose layout is longer than the bytes sent; a reader that trusted the kind
    // would read beyond them.
    BYTE abShort[8] = {2, 0, 0, 0, 0, 0, 0, 0};
    struct Case
    {
        ULONG_PTR dwData;
        DWORD cb;
        void* pv;
    } cases[] = {
        {7, sizeof(abShort), abShort}, {13, sizeof(abShort), abShort}, {7, 0, nullptr}, {13, 55, abShort}};
    for (const Case& c : cases)
    {
        COPYDATASTRUCT cds = {c.dwData, c.cb, c.pv};
        DWORD_PTR dwResult = 1;
        ASSERT_TRUE(SendMessageTimeoutA(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_BLOCK,
                                        5000, &dwResult));
        EXPECT_EQ(0u, dwResult);
    }
    Sleep(200);
    EXPECT_EQ(4u, debug.CountLines(recorder.ProcessId(), "is shorter than its"));
    EXPECT_TRUE(recorder.IsRunning());
    CancelSetup();
    ASSERT_TRUE(recorder.WaitForExit(60000));
    EXPECT_EQ(0u, recorder.ExitCode());
}

TEST_F(RecorderProcessTest, UnknownCommandsAndExitWhileSetupIsUpAreIgnored)
{
    // Exit is refused while a setup dialog is up; unknown ids are never handled.
    for (UINT nCommand : {0u, 999u, 1002u, 1089u, 1091u, 2202u, 65535u, c_nExit})
        PostMessageA(hwnd, WM_COMMAND, nCommand, 0);
    Sleep(500);
    EXPECT_TRUE(recorder.IsRunning());
    EXPECT_TRUE(IsWindow(hwndSetup));
    CancelSetup();
    ASSERT_TRUE(recorder.WaitForExit(60000));
    EXPECT_EQ(0u, recorder.ExitCode());
}

} // namespace
