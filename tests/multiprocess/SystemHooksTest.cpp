// tests/multiprocess/SystemHooksTest.cpp — the system-wide hooks seen from the recorder's window while a
// real target application is clicked, typed into, its menu opened and its windows destroyed.
#include <windows.h>

#include <gtest/gtest.h>

#include "hooks/SharedData.h"
#include "tests/multiprocess/HookHarness.h"
#include "tests/targets/TargetApp.h"

namespace
{
std::vector<const SIMCAP_COPYDATA_HOOKEVENT*> HookEvents(const RecorderUnderTest& recorder, DWORD dwKind,
                                                         DWORD dwProcessId)
{
    std::vector<const SIMCAP_COPYDATA_HOOKEVENT*> events;
    for (const SeenMessage* pSeen : recorder.Records(COPYDATA_HOOKEVENT))
    {
        const auto* p = pSeen->Record<SIMCAP_COPYDATA_HOOKEVENT>();
        if (p && p->dwKind == dwKind && pSeen->dwWindowProcessId == dwProcessId) events.push_back(p);
    }
    return events;
}

const SeenMessage* FindSeen(const RecorderUnderTest& recorder, UINT uMsg, WPARAM wParam)
{
    for (const SeenMessage& seen : recorder.Seen())
        if (seen.uMsg == uMsg && seen.wParam == wParam) return &seen;
    return nullptr;
}

const SeenMessage* FindDestroyed(const RecorderUnderTest& recorder, HWND hwnd)
{
    for (const SeenMessage* p : recorder.Records(COPYDATA_CBTEVENT))
        if (p->Record<SIMCAP_COPYDATA_CBTEVENT>()->wParam == reinterpret_cast<ULONG_PTR>(hwnd)) return p;
    return nullptr;
}

class SystemHooksTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(recorder.Ready());
        ASSERT_TRUE(target.Start());
    }
    void HookAll(BOOL bMouseEvents)
    {
        recorder.pSimCap->bIncludeMouseEvents = bMouseEvents;
        recorder.pSimCap->HookAll(recorder.hwnd);
        recorder.ClearSeen();
    }
    bool HasMouseMessage(UINT uMsg) const
    {
        for (const auto* p : HookEvents(recorder, HOOKEVENT_KIND_MOUSE, target.dwProcessId))
            if (p->wParam == uMsg) return true;
        return false;
    }

    RecorderUnderTest recorder;
    TargetProcess target;
};

TEST_F(SystemHooksTest, HookAllInstallsTheCaptureHooksInPlaceOfTheHotkeyHook)
{
    recorder.pSimCap->HookKeys(recorder.hwnd);
    recorder.pSimCap->HookKeys(recorder.hwnd); // a second call installs nothing more
    ASSERT_EQ(1, recorder.pSimCap->bKeysHooked);
    HookAll(TRUE);
    EXPECT_EQ(nullptr, g_shared.hhkJournalKeys);
    EXPECT_EQ(0, recorder.pSimCap->bKeysHooked);
    for (HHOOK hhk : {g_shared.hhkMouse, g_hhkJournal, g_shared.hhkSysMsg, g_shared.hhkCallWndRet,
                      g_shared.hhkSimShell, g_shared.hhkCbt})
        EXPECT_NE(nullptr, hhk);
    recorder.pSimCap->UnhookAll(recorder.hwnd);
    EXPECT_TRUE(recorder.diag.HasLine("SIMCAP::UnhookAll(): Clearing Mouse Hook Proc\n"));
    EXPECT_TRUE(recorder.diag.HasLine("SIMCAP::UnhookAll(): Clearing Journal Hook Proc\n"));
    EXPECT_TRUE(recorder.diag.Boxes().empty()) << recorder.diag.Joined();
}

// An excluded target still sends what the hooks see: filtering is the recorder's.
TEST_F(SystemHooksTest, MouseRecordsNameTheClickedWindowWhenMouseEventsAreOn)
{
    for (BOOL bMouseEvents : {TRUE, FALSE})
    {
        SCOPED_TRACE(testing::Message() << "mouse events " << bMouseEvents);
        HookAll(bMouseEvents);
        ASSERT_TRUE(target.Activate());
        ClickOn(target.hwndButton, bMouseEvents ? 0 : 20); // apart, so no double click
        bool bSeen = PumpUntil([this] { return HasMouseMessage(WM_LBUTTONUP); }, bMouseEvents ? 3000 : 500);
        EXPECT_EQ(bMouseEvents, bSeen);
        EXPECT_EQ(bMouseEvents, HasMouseMessage(WM_LBUTTONDOWN));
        RECT rc = {};
        GetWindowRect(target.hwndButton, &rc);
        for (const auto* p : HookEvents(recorder, HOOKEVENT_KIND_MOUSE, target.dwProcessId))
        {
            EXPECT_NE(static_cast<DWORD>(WM_MOUSEMOVE), p->wParam);
            if (p->wParam != WM_LBUTTONDOWN) continue;
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(target.hwndButton), p->mouse.hwnd);
            EXPECT_EQ(static_cast<DWORD>(HTCLIENT), p->mouse.wHitTestCode);
            EXPECT_TRUE(PtInRect(&rc, {LONG(p->mouse.x), LONG(p->mouse.y)}))
                << p->mouse.x << "," << p->mouse.y;
        }
        for (const SeenMessage* pSeen : recorder.Records(COPYDATA_HOOKEVENT))
            EXPECT_EQ(sizeof(SIMCAP_COPYDATA_HOOKEVENT), pSeen->bytes.size());
        recorder.pSimCap->UnhookAll(recorder.hwnd);
        PumpFor(50);
    }
}

TEST_F(SystemHooksTest, MenuLoopSendsSystemMessageRecords)
{
    HookAll(FALSE);
    ASSERT_TRUE(target.Activate());
    SendKeys({{VK_MENU, false}, {'F', false}, {'F', true}, {VK_MENU, true}});
    bool bSeen = PumpUntil(
        [this] {
            for (const auto* p : HookEvents(recorder, HOOKEVENT_KIND_SYSMSG, target.dwProcessId))
                if (p->nCode == MSGF_MENU) return true;
            return false;
        },
        3000);
    SendKeys({{VK_ESCAPE, false}, {VK_ESCAPE, true}, {VK_ESCAPE, false}, {VK_ESCAPE, true}});
    PumpFor(200);
    EXPECT_TRUE(bSeen) << "no system-message record with MSGF_MENU from the target";
}

// Ending the dialog destroys it: the CBT hook reports it while it still exists.
TEST_F(SystemHooksTest, DialogLoopSendsSystemMessageRecordsButNotForRepeatedCtrlAndItsDestruction)
{
    HookAll(FALSE);
    ASSERT_TRUE(target.Activate());
    target.Command(TARGET_CMD_OPEN_DIALOG);
    HWND hwndDialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (hwndDialog = target.FindDialog()) != nullptr; }, 30000));
    ASSERT_TRUE(PumpUntil([hwndDialog] { return GetForegroundWindow() == hwndDialog; }, 3000));
    recorder.ClearSeen();

    SendKeys({{VK_CONTROL, false}, {VK_CONTROL, false}, {VK_CONTROL, true}, {'B', false}, {'B', true}});
    EXPECT_TRUE(PumpUntil(
        [this] {
            for (const auto* p : HookEvents(recorder, HOOKEVENT_KIND_SYSMSG, target.dwProcessId))
                if (p->msg.message == WM_KEYUP && p->msg.wParam == 'B') return true;
            return false;
        },
        3000));
    SendKeys({{VK_ESCAPE, false}, {VK_ESCAPE, true}});
    ASSERT_TRUE(PumpUntil([&] { return FindDestroyed(recorder, hwndDialog) != nullptr; }, 3000));
    const SeenMessage* pDestroyed = FindDestroyed(recorder, hwndDialog);
    ASSERT_EQ(sizeof(SIMCAP_COPYDATA_CBTEVENT), pDestroyed->bytes.size());
    EXPECT_EQ(HCBT_DESTROYWND, pDestroyed->Record<SIMCAP_COPYDATA_CBTEVENT>()->nCode);
    EXPECT_TRUE(pDestroyed->bWindowAlive) << "the sender waits while the recorder looks at the window";
    EXPECT_EQ(target.dwProcessId, pDestroyed->dwWindowProcessId);

    int cCtrlRecords = 0, cKeyRecords = 0;
    for (const auto* p : HookEvents(recorder, HOOKEVENT_KIND_SYSMSG, target.dwProcessId))
    {
        SCOPED_TRACE(testing::Message() << "message " << p->msg.message << " wParam " << p->msg.wParam);
        EXPECT_EQ(MSGF_DIALOGBOX, p->nCode);
        UINT m = p->msg.message;
        if (m == WM_KEYDOWN && p->msg.wParam == 'B') // keyboard messages name the foreground window
        {
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(hwndDialog), p->hwndForeground);
        }
        if (m >= WM_KEYDOWN && m <= WM_SYSKEYUP && p->msg.wParam == VK_CONTROL)
        {
            ++cCtrlRecords;
            EXPECT_EQ(static_cast<DWORD>(WM_KEYDOWN), m);
        }
        if (m >= WM_KEYDOWN && m <= WM_SYSDEADCHAR && p->msg.wParam != VK_CONTROL) ++cKeyRecords;
    }
    EXPECT_EQ(1, cCtrlRecords) << "auto-repeat and release of Ctrl send nothing";
    EXPECT_GE(cKeyRecords, 3) << "B down, its character and B up";
}

TEST_F(SystemHooksTest, ShellMessagesFollowATopLevelWindow)
{
    HookAll(FALSE);
    target.Command(TARGET_CMD_OPEN_POPUP);
    HWND hwndPopup = nullptr;
    ASSERT_TRUE(
        PumpUntil([&] { return (hwndPopup = FindWindowA(TARGET_POPUP_CLASS, nullptr)) != nullptr; }, 3000));
    const WPARAM wPopup = reinterpret_cast<WPARAM>(hwndPopup);
    EXPECT_TRUE(
        PumpUntil([&] { return FindSeen(recorder, g_shared.nWM_SIM_ADD_PROCESS, wPopup) != nullptr; }, 3000));
    target.Command(TARGET_CMD_CLOSE_POPUP);
    EXPECT_TRUE(PumpUntil(
        [&] { return FindSeen(recorder, g_shared.nWM_SIM_REMOVE_PROCESS, wPopup) != nullptr; }, 3000));
    const SeenMessage* pAdded = FindSeen(recorder, g_shared.nWM_SIM_ADD_PROCESS, wPopup);
    ASSERT_NE(nullptr, pAdded);
    EXPECT_EQ(target.dwProcessId, pAdded->dwWindowProcessId);
    EXPECT_TRUE(pAdded->bWindowAlive);
}

} // namespace
