// tests/host/RecorderWindowTest.cpp — a real recorder object in this process (window, tray thread,
// configuration), driven through its window's messages; boxes and debug lines are captured.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "snapshot/SimCapList.h"
#include "tests/support/DiagCapture.h"

namespace
{
// Drains what the recorder posted to this thread, answering whether a command was among it.
bool DrainPostedCommand(HWND hwnd, UINT nCommand)
{
    bool bFound = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.hwnd == hwnd && msg.message == WM_COMMAND && LOWORD(msg.wParam) == nCommand) bFound = true;
    return bFound;
}

class RecorderWindowTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        pSimCap = new SIMCAP;
        g_pSimCap = pSimCap;
        ASSERT_TRUE(pSimCap->Init(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL));
        hwnd = SIMCAP::Window();
        ASSERT_NE(nullptr, hwnd);
        // Both threads announce themselves; the tests watch what comes after.
        for (int i = 0; i < 150 && !ThreadsSettled(); ++i)
            Sleep(20);
        capture.Clear();
    }

    void TearDown() override
    {
        delete pSimCap;
        g_pSimCap = nullptr;
        EventList().DeleteAll(); // error events reported by a test
        DrainPostedCommand(nullptr, 0);
    }

    void Command(UINT nCommand) { SendMessageA(hwnd, WM_COMMAND, nCommand, 0); }

    bool ThreadsSettled()
    {
        std::string all = capture.Joined();
        bool bTray = g_nTrayIcon != 0 || all.find("NIM_ADD returned FALSE") != std::string::npos;
        return bTray && pSimCap->nWrThreadStatus == TS_IDLE &&
               all.find("Background thread started") != std::string::npos;
    }

    DiagCapture capture;
    SIMCAP* pSimCap = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(RecorderWindowTest, InitStartsIdleWithTheMessagesThatAreNeverRecorded)
{
    EXPECT_EQ(GetCurrentProcessId(), g_dwOwnProcessId);
    EXPECT_EQ(static_cast<UINT>(MS_IDLE), pSimCap->nMenuState.load());
    // Before any configuration file changes them.
    for (DWORD dwMessage : {WM_PAINT, WM_NCMOUSEMOVE, WM_TIMER, WM_MOUSEMOVE})
        EXPECT_TRUE(pSimCap->aExclMessages.Find(dwMessage)) << dwMessage;
}

TEST_F(RecorderWindowTest, CommandsAreAllowedByTheMenuState)
{
    const UINT aCommands[] = {1000, 1001, 1010, 1020, 1030, 1040, 1050, 1060, 1090};
    // One row per state, one column per command above.
    const bool aaAllowed[8][9] = {
        {0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0, 0, 1}, {1, 1, 1, 0, 0, 0, 0, 0, 1},
        {1, 1, 1, 0, 0, 0, 0, 0, 1}, {0, 0, 0, 1, 1, 0, 1, 1, 1}, {0, 0, 0, 1, 0, 1, 0, 0, 1},
        {0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (UINT nState = 0; nState < 8; ++nState)
    {
        pSimCap->nMenuState = nState;
        for (size_t i = 0; i < ARRAYSIZE(aCommands); ++i)
            EXPECT_EQ(aaAllowed[nState][i], !!pSimCap->IsCommandAllowed(aCommands[i]))
                << "state " << nState << " command " << aCommands[i];
        EXPECT_FALSE(pSimCap->IsCommandAllowed(1021)) << "the error box is never a menu choice";
    }
    pSimCap->nMenuState = 9;
    EXPECT_FALSE(pSimCap->IsCommandAllowed(1090));
    EXPECT_TRUE(capture.HasLine("WinProc:SetMenuState: Illegal state specified."));

    // An illegal state is refused and the old one kept.
    pSimCap->nMenuState = MS_CAPTURING;
    capture.Clear();
    pSimCap->SetMenuState(hwnd, 8);
    EXPECT_EQ(static_cast<UINT>(MS_CAPTURING), pSimCap->nMenuState.load());
    EXPECT_TRUE(capture.HasLine("WinProc:SetMenuState: Illegal state specified."));
}

TEST_F(RecorderWindowTest, PopupItemsAreEnabledAndGreyedByTheState)
{
    HMENU hmenu = LoadMenuA(GetModuleHandleA(nullptr), "SimCap");
    ASSERT_NE(nullptr, hmenu);
    HMENU hmenuPopup = GetSubMenu(hmenu, 0);
    ASSERT_NE(nullptr, hmenuPopup);
    const UINT aItems[] = {1000, 1020, 1050, 1060, 1090};
    // Enabled items per state: the five commands, then the item at position 8.
    const bool aaEnabled[8][6] = {
        {0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 1, 1}, {1, 0, 0, 0, 1, 1}, {1, 0, 0, 0, 1, 1},
        {0, 1, 1, 1, 0, 1}, {0, 1, 0, 0, 1, 1}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0},
    };
    for (UINT nState = 0; nState < 8; ++nState)
    {
        pSimCap->nMenuState = nState;
        pSimCap->SetMenuStates(hwnd, hmenuPopup);
        for (size_t i = 0; i < ARRAYSIZE(aItems); ++i)
            EXPECT_EQ(!aaEnabled[nState][i],
                      !!(GetMenuState(hmenuPopup, aItems[i], MF_BYCOMMAND) & MF_GRAYED))
                << "state " << nState << " item " << aItems[i];
        EXPECT_EQ(!aaEnabled[nState][5], !!(GetMenuState(hmenuPopup, 8, MF_BYPOSITION) & MF_GRAYED))
            << "state " << nState << " position 8";
    }
    pSimCap->nMenuState = 11;
    pSimCap->SetMenuStates(hwnd, hmenuPopup);
    EXPECT_TRUE(capture.HasLine("WinProc:SetMenuStates: Illegal state specified."));
    EXPECT_TRUE(GetMenuState(hmenuPopup, 1000, MF_BYCOMMAND) & MF_GRAYED)
        << "left as the last legal state set it";
    DestroyMenu(hmenu);
}

// The popup's three switches read from its menu window, which is then dismissed with Escape.
TEST_F(RecorderWindowTest, TrayPopupShowsTheCheckMarks)
{
    pSimCap->nMenuState = MS_CAPTURING;
    pSimCap->bIncludeHiddenWindows = 1;
    pSimCap->bIncludeMouseEvents = 0;
    pSimCap->bIncludeJournalEvents = 1;
    std::vector<UINT> states;
    std::thread inspector([&states] {
        for (int i = 0; i < 200 && states.empty(); ++i, Sleep(25))
        {
            HWND hwndMenu = FindWindowA("#32768", nullptr);
            auto hmenu = reinterpret_cast<HMENU>(hwndMenu ? SendMessageA(hwndMenu, MN_GETHMENU, 0, 0) : 0);
            if (!hmenu) continue;
            for (UINT nCommand : {1070, 1071, 1072})
                states.push_back(GetMenuState(hmenu, nCommand, MF_BYCOMMAND) & MF_CHECKED);
            PostMessageA(hwndMenu, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageA(hwndMenu, WM_KEYDOWN, VK_ESCAPE, 0);
        }
    });
    SendMessageA(hwnd, WM_USER, 0, WM_RBUTTONUP);
    inspector.join();
    EXPECT_EQ((std::vector<UINT>{MF_CHECKED, 0, MF_CHECKED}), states);
    // Nothing chosen: the state and the window stay.
    EXPECT_EQ(static_cast<UINT>(MS_CAPTURING), pSimCap->nMenuState.load());
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(RecorderWindowTest, ToggleCommandsFlipTheirFlagWhateverTheState)
{
    pSimCap->nMenuState = MS_BUSY;
    pSimCap->bIncludeHiddenWindows = 2; // anything but 0 becomes 0
    Command(1070);
    EXPECT_EQ(0, pSimCap->bIncludeHiddenWindows);
    Command(1070);
    EXPECT_EQ(1, pSimCap->bIncludeHiddenWindows);
    Command(1071);
    EXPECT_EQ(1, pSimCap->bIncludeMouseEvents);
    Command(1072);
    EXPECT_EQ(0, pSimCap->bIncludeJournalEvents);
}

TEST_F(RecorderWindowTest, PauseResumeAndCommentAskOnlyWhenAllowed)
{
    pSimCap->nMenuState = MS_IDLE;
    Command(1030);
    Command(1040);
    Command(1060);
    EXPECT_TRUE(capture.Boxes().empty());
    EXPECT_EQ(static_cast<UINT>(MS_IDLE), pSimCap->nMenuState.load());

    pSimCap->nMenuState = MS_CAPTURING;
    Command(1060);
    Command(1030);
    EXPECT_EQ(static_cast<UINT>(MS_PAUSED), pSimCap->nMenuState.load());
    Command(1040);
    EXPECT_EQ(static_cast<UINT>(MS_CAPTURING), pSimCap->nMenuState.load());
    std::vector<CapturedBox> boxes = capture.Boxes();
    ASSERT_EQ(3u, boxes.size()) << "one notice each for comment, pause and resume";
    for (const CapturedBox& box : boxes)
        EXPECT_EQ(hwnd, box.hwndOwner);
}

TEST_F(RecorderWindowTest, ExitIsRefusedWhileBusyAndEndsTheLoopWhenAllowed)
{
    for (UINT nState : {MS_BUSY, MS_WORKING, MS_STOPPING})
    {
        pSimCap->nMenuState = nState;
        Command(1090);
        EXPECT_TRUE(IsWindow(hwnd)) << "state " << nState;
    }
    pSimCap->nMenuState = MS_PAUSED;
    Command(1090);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(pSimCap->bQuitting.load());
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the message loop is told to end";
    EXPECT_EQ(0u, msg.wParam);
}

TEST_F(RecorderWindowTest, StopOutsideARecordingReturnsToTargetSelection)
{
    DrainPostedCommand(hwnd, 0);
    pSimCap->nMenuState = MS_IDLE;
    Command(1020);
    EXPECT_EQ(static_cast<UINT>(MS_READY), pSimCap->nMenuState.load());
    EXPECT_TRUE(DrainPostedCommand(hwnd, 1000));
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(RecorderWindowTest, OutputLastErrorShowsTheSystemTextAndKeepsTheCode)
{
    char szExpected[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED,
                   0x400, szExpected, sizeof(szExpected), nullptr);
    ASSERT_NE('\0', szExpected[0]);
    SetLastError(0);
    pSimCap->OutputLastError("Test::Op(): failed - ", ERROR_ACCESS_DENIED);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    std::vector<CapturedBox> boxes = capture.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(szExpected, boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), boxes[0].uFlags);
    EXPECT_EQ(hwnd, boxes[0].hwndOwner);
    EXPECT_EQ(std::string("Test::Op(): failed - [5] ") + szExpected + "\n", capture.Joined());

    capture.Clear();
    pSimCap->OutputLastError(nullptr, 0xE0001234);
    EXPECT_EQ(0u, capture.Joined().find("SIMCAP::OutputLastError(): [3758101044] ")) << capture.Joined();
    ASSERT_EQ(1u, capture.Boxes().size());
    EXPECT_FALSE(capture.Boxes()[0].text.empty()) << "a code without system text still shows something";
}

TEST_F(RecorderWindowTest, ErrorBoxIsShownOnlyWhenAnErrorIsPending)
{
    Command(1021);
    EXPECT_TRUE(capture.HasLine("SIMCAP - ShowErrorBox called with no valid error.\n"));
    EXPECT_TRUE(capture.Boxes().empty());

    lstrcpyA(pSimCap->szBkgndMsg, "ERROR: Problem writing Event List.  Cleaning up...");
    pSimCap->nMsgMode = BM_ERROR_PENDING;
    pSimCap->hMsgTarget = hwnd;
    Command(1021);
    std::vector<CapturedBox> boxes = capture.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("ERROR: Problem writing Event List.  Cleaning up...", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_TOPMOST), boxes[0].uFlags);
    EXPECT_EQ(static_cast<UINT>(BM_NONE), pSimCap->nMsgMode);
    EXPECT_EQ('\0', pSimCap->szBkgndMsg[0]);
    EXPECT_EQ(nullptr, pSimCap->hMsgTarget);
}

// Collects the tray frames shown over about two and a half seconds.
std::vector<UINT> FramesSeen()
{
    std::vector<UINT> frames;
    for (int i = 0; i < 25; ++i)
    {
        UINT nIcon = g_nTrayIcon;
        if (frames.empty() || frames.back() != nIcon) frames.push_back(nIcon);
        Sleep(100);
    }
    return frames;
}

TEST_F(RecorderWindowTest, TrayIconAnimatesByTheState)
{
    if (g_nTrayIcon == 0) GTEST_SKIP() << "this desktop has no notification area";
    pSimCap->nMenuState = MS_CAPTURING;
    std::vector<UINT> recording = FramesSeen();
    EXPECT_GE(recording.size(), 3u);
    for (size_t i = 1; i < recording.size(); ++i)
        EXPECT_TRUE(recording[i] == IDI_RECORDING_1 || recording[i] == IDI_RECORDING_2) << recording[i];

    pSimCap->nMenuState = MS_STOPPING;
    std::vector<UINT> stopping = FramesSeen();
    EXPECT_GE(stopping.size(), 3u);
    for (size_t i = 1; i < stopping.size(); ++i)
        EXPECT_TRUE(stopping[i] == IDI_STOPPING_1 || stopping[i] == IDI_STOPPING_2) << stopping[i];

    pSimCap->nMenuState = MS_PAUSED;
    Sleep(1300);
    EXPECT_EQ(static_cast<UINT>(IDI_IDLE), g_nTrayIcon) << "a paused recording shows the idle icon";
}

TEST_F(RecorderWindowTest, TeardownWhileRecordingEndsBothThreadsAndForgetsTheWindow)
{
    pSimCap->nMenuState = MS_CAPTURING;
    DWORD dwStart = GetTickCount();
    delete pSimCap;
    pSimCap = nullptr;
    g_pSimCap = nullptr;
    // The threads look at the state about once a second; had the teardown waited for the recording to end,
    // it would never have come back. The bound leaves room for a busy machine.
    EXPECT_LT(GetTickCount() - dwStart, 10000u);
    EXPECT_TRUE(capture.HasLine("Exited tray thread loop.\n"));
    EXPECT_TRUE(capture.HasLine("Exited thread loop.\n"));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, g_shared.hwndSimCap);
}
} // namespace
