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

bool HasMouseMessage(const RecorderUnderTest& recorder, DWORD dwProcessId, UINT uMsg)
{
    for (const auto* p : HookEvents(recorder, HOOKEVENT_KIND_MOUSE, dwProcessId))
        if (p->wParam == uMsg) return true;
    return false;
}

bool HasJournalMessage(const RecorderUnderTest& recorder, UINT uMsg)
{
    for (const SIMCAP_COPYDATA_JOURNALEVENT& event : recorder.JournalEvents(JOURNAL_HOOK_RECORD))
        if (event.message == uMsg) return true;
    return false;
}

const SeenMessage* FindRegistered(const RecorderUnderTest& recorder, UINT uMsg, WPARAM wParam)
{
    for (const SeenMessage& seen : recorder.Seen())
        if (seen.uMsg == uMsg && seen.wParam == wParam) return &seen;
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

    // Clicks the button and waits until the click has been through the hooks: its mouse records, or where
    // none are expected its journal events (where they are handed over) or a pause.
    void ClickButton(BOOL bMouseRecordsExpected, int nOffset)
    {
        ASSERT_TRUE(target.Activate());
        ClickOn(target.hwndButton, nOffset);
        DWORD dwProcessId = target.dwProcessId;
        const RecorderUnderTest& r = recorder;
        if (bMouseRecordsExpected)
            EXPECT_TRUE(
                PumpUntil([&r, dwProcessId] { return HasMouseMessage(r, dwProcessId, WM_LBUTTONUP); }, 3000));
        else if (!JournalRunsInReceivingProcess() ||
                 !PumpUntil([&r] { return HasJournalMessage(r, WM_LBUTTONUP); }, 3000))
            PumpFor(300);
    }

    RecorderUnderTest recorder;
    TargetProcess target;
};

TEST_F(SystemHooksTest, HookAllInstallsTheCaptureHooksInPlaceOfTheHotkeyHook)
{
    for (BOOL bMouseEvents : {FALSE, TRUE})
    {
        recorder.pSimCap->HookKeys(recorder.hwnd);
        ASSERT_EQ(1, recorder.pSimCap->bKeysHooked);
        recorder.diag.Clear();
        HookAll(bMouseEvents);
        EXPECT_EQ(nullptr, g_shared.hhkJournalKeys);
        EXPECT_EQ(0, recorder.pSimCap->bKeysHooked);
        EXPECT_EQ(bMouseEvents, g_shared.hhkMouse != nullptr);
        for (HHOOK hhk : {g_hhkJournal, g_shared.hhkSysMsg, g_shared.hhkCallWndRet, g_shared.hhkSimShell,
                          g_shared.hhkCbt})
            EXPECT_NE(nullptr, hhk);
        EXPECT_TRUE(recorder.diag.Boxes().empty()) << recorder.diag.Joined();

        recorder.diag.Clear();
        recorder.pSimCap->UnhookAll(recorder.hwnd);
        EXPECT_EQ(bMouseEvents, recorder.diag.HasLine("SIMCAP::UnhookAll(): Clearing Mouse Hook Proc\n"));
        EXPECT_TRUE(recorder.diag.HasLine("SIMCAP::UnhookAll(): Clearing Journal Hook Proc\n"));
        EXPECT_TRUE(recorder.diag.Boxes().empty()) << recorder.diag.Joined();
    }
}

TEST_F(SystemHooksTest, HookKeysTwiceInstallsOneHook)
{
    recorder.pSimCap->HookKeys(recorder.hwnd);
    HHOOK hhkFirst = g_shared.hhkJournalKeys;
    ASSERT_NE(nullptr, hhkFirst);
    recorder.diag.Clear();
    recorder.pSimCap->HookKeys(recorder.hwnd);
    EXPECT_EQ(hhkFirst, g_shared.hhkJournalKeys);
    EXPECT_TRUE(recorder.diag.Lines().empty());
    recorder.pSimCap->UnhookKeys(recorder.hwnd);
    EXPECT_EQ(0, recorder.pSimCap->bKeysHooked);
    EXPECT_TRUE(recorder.diag.HasLine("SIMCAP::UnhookKeys(): Clearing JournalHookKeyProc\n"));
}

// Whether the target is included or not: the hooks send what they see, filtering is the recorder's.
TEST_F(SystemHooksTest, MouseRecordsNameTheClickedWindowWhenMouseEventsAreOn)
{
    struct
    {
        BOOL bMouseEvents;
        BOOL bIncluded;
    } cases[] = {{TRUE, TRUE}, {TRUE, FALSE}, {FALSE, TRUE}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "mouse events " << c.bMouseEvents << ", included " << c.bIncluded);
        recorder.pSimCap->aInclProcesses.RemoveAll();
        if (c.bIncluded) recorder.pSimCap->aInclProcesses.Include(target.dwProcessId);
        HookAll(c.bMouseEvents);
        ClickButton(c.bMouseEvents, 20 * static_cast<int>(&c - cases) - 20);

        RECT rc = {};
        GetWindowRect(target.hwndButton, &rc);
        auto events = HookEvents(recorder, HOOKEVENT_KIND_MOUSE, target.dwProcessId);
        EXPECT_EQ(c.bMouseEvents, HasMouseMessage(recorder, target.dwProcessId, WM_LBUTTONDOWN));
        EXPECT_EQ(c.bMouseEvents, HasMouseMessage(recorder, target.dwProcessId, WM_LBUTTONUP));
        for (const auto* p : events)
        {
            EXPECT_NE(static_cast<DWORD>(WM_MOUSEMOVE), p->wParam);
            EXPECT_NE(static_cast<DWORD>(WM_NCMOUSEMOVE), p->wParam);
            EXPECT_EQ(0u, p->hwndForeground);
            for (DWORD dw : p->mouse.adwZero)
                EXPECT_EQ(0u, dw);
            if (p->wParam == WM_LBUTTONDOWN)
            {
                EXPECT_EQ(reinterpret_cast<ULONG_PTR>(target.hwndButton), p->mouse.hwnd);
                EXPECT_EQ(static_cast<DWORD>(HTCLIENT), p->mouse.wHitTestCode);
                EXPECT_TRUE(p->mouse.x >= rc.left && p->mouse.x < rc.right && p->mouse.y >= rc.top &&
                            p->mouse.y < rc.bottom)
                    << p->mouse.x << "," << p->mouse.y;
            }
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
    DWORD dwProcessId = target.dwProcessId;
    const RecorderUnderTest& r = recorder;
    auto menuRecordSeen = [&r, dwProcessId] {
        for (const auto* p : HookEvents(r, HOOKEVENT_KIND_SYSMSG, dwProcessId))
            if (p->nCode == MSGF_MENU) return true;
        return false;
    };
    bool bSeen = PumpUntil(menuRecordSeen, 3000);
    SendKeys({{VK_ESCAPE, false}, {VK_ESCAPE, true}, {VK_ESCAPE, false}, {VK_ESCAPE, true}});
    PumpFor(200);
    EXPECT_TRUE(bSeen) << "no system-message record with MSGF_MENU from the target";
}

TEST_F(SystemHooksTest, DialogLoopSendsSystemMessageRecordsButNotForRepeatedCtrl)
{
    HookAll(FALSE);
    ASSERT_TRUE(target.Activate());
    target.Command(TARGET_CMD_OPEN_DIALOG);
    HWND hwndDialog = nullptr;
    const TargetProcess& t = target;
    ASSERT_TRUE(PumpUntil([&t, &hwndDialog] { return (hwndDialog = t.FindDialog()) != nullptr; }, 5000));
    ASSERT_TRUE(PumpUntil([hwndDialog] { return GetForegroundWindow() == hwndDialog; }, 3000));
    recorder.ClearSeen();

    SendKeys({{VK_CONTROL, false}, {VK_CONTROL, false}, {VK_CONTROL, true}, {'B', false}, {'B', true}});
    DWORD dwProcessId = target.dwProcessId;
    const RecorderUnderTest& r = recorder;
    EXPECT_TRUE(PumpUntil(
        [&r, dwProcessId] {
            for (const auto* p : HookEvents(r, HOOKEVENT_KIND_SYSMSG, dwProcessId))
                if (p->msg.message == WM_KEYUP && p->msg.wParam == 'B') return true;
            return false;
        },
        3000));
    // Ending the dialog destroys it: the CBT hook reports it while it still exists.
    SendKeys({{VK_ESCAPE, false}, {VK_ESCAPE, true}});
    const SeenMessage* pDestroyed = nullptr;
    EXPECT_TRUE(PumpUntil(
        [&r, &pDestroyed, hwndDialog] {
            for (const SeenMessage* p : r.Records(COPYDATA_CBTEVENT))
                if (p->Record<SIMCAP_COPYDATA_CBTEVENT>()->wParam == reinterpret_cast<ULONG_PTR>(hwndDialog))
                    pDestroyed = p;
            return pDestroyed != nullptr;
        },
        3000));
    EXPECT_TRUE(pDestroyed && pDestroyed->bWindowAlive);

    // Focus, activation and keyboard messages name the foreground window; all others none.
    int cCtrlRecords = 0;
    int cKeyRecords = 0;
    for (const auto* p : HookEvents(recorder, HOOKEVENT_KIND_SYSMSG, target.dwProcessId))
    {
        SCOPED_TRACE(testing::Message() << "message " << p->msg.message << " wParam " << p->msg.wParam);
        EXPECT_EQ(MSGF_DIALOGBOX, p->nCode);
        UINT m = p->msg.message;
        bool bNamesForeground = m == WM_ACTIVATE || m == WM_SETFOCUS || m == WM_KILLFOCUS ||
                                m == WM_SETHOTKEY || m == WM_GETHOTKEY || m == WM_HOTKEY ||
                                (m >= WM_KEYDOWN && m <= WM_SYSDEADCHAR);
        if (!bNamesForeground)
        {
            EXPECT_EQ(0u, p->hwndForeground);
        }
        else if (m != WM_KEYUP) // Escape's key-up may come after the dialog has gone
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

TEST_F(SystemHooksTest, DestroyedWindowIsReportedWhileItStillExists)
{
    recorder.pSimCap->aInclProcesses.Include(target.dwProcessId);
    HookAll(FALSE);
    HWND hwndButton = target.hwndButton;
    target.Command(TARGET_CMD_DESTROY_BUTTON);
    const RecorderUnderTest& r = recorder;
    const SeenMessage* pSeen = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&r, &pSeen, hwndButton] {
            for (const SeenMessage* p : r.Records(COPYDATA_CBTEVENT))
                if (p->Record<SIMCAP_COPYDATA_CBTEVENT>()->wParam == reinterpret_cast<ULONG_PTR>(hwndButton))
                    pSeen = p;
            return pSeen != nullptr;
        },
        3000));
    ASSERT_EQ(sizeof(SIMCAP_COPYDATA_CBTEVENT), pSeen->bytes.size());
    const auto* p = pSeen->Record<SIMCAP_COPYDATA_CBTEVENT>();
    EXPECT_EQ(4u, p->dwKind);
    EXPECT_EQ(HCBT_DESTROYWND, p->nCode);
    EXPECT_EQ(p->wParam, p->hwnd);
    for (DWORD dw : p->adwReserved)
        EXPECT_EQ(0u, dw);
    EXPECT_TRUE(pSeen->bWindowAlive) << "the sender waits while the recorder looks at the window";
    EXPECT_EQ(target.dwProcessId, pSeen->dwWindowProcessId);
    PumpUntil([hwndButton] { return !IsWindow(hwndButton); }, 2000);
    EXPECT_FALSE(IsWindow(hwndButton));
}

TEST_F(SystemHooksTest, ShellMessagesFollowATopLevelWindow)
{
    HookAll(FALSE);
    target.Command(TARGET_CMD_OPEN_POPUP);
    HWND hwndPopup = nullptr;
    DWORD dwProcessId = target.dwProcessId;
    ASSERT_TRUE(PumpUntil(
        [&hwndPopup, dwProcessId] {
            hwndPopup = FindWindowA(TARGET_POPUP_CLASS, nullptr);
            return hwndPopup != nullptr;
        },
        3000));
    const RecorderUnderTest& r = recorder;
    UINT nAdd = g_shared.nWM_SIM_ADD_PROCESS;
    UINT nRemove = g_shared.nWM_SIM_REMOVE_PROCESS;
    WPARAM wPopup = reinterpret_cast<WPARAM>(hwndPopup);
    EXPECT_TRUE(PumpUntil([&r, nAdd, wPopup] { return FindRegistered(r, nAdd, wPopup) != nullptr; }, 3000));

    target.Command(TARGET_CMD_CLOSE_POPUP);
    EXPECT_TRUE(
        PumpUntil([&r, nRemove, wPopup] { return FindRegistered(r, nRemove, wPopup) != nullptr; }, 3000));
    const SeenMessage* pAdded = FindRegistered(recorder, nAdd, wPopup);
    ASSERT_NE(nullptr, pAdded);
    EXPECT_EQ(dwProcessId, pAdded->dwWindowProcessId);
    EXPECT_TRUE(pAdded->bWindowAlive);
}

// The target maps the test library itself, without any hook: both processes see the same section.
TEST_F(SystemHooksTest, TheSharedSectionIsSharedWithTheTarget)
{
    UINT nSaved = g_shared.nWM_ListBoxAddProcess;
    g_shared.nWM_ListBoxAddProcess = 0x5EED1234;
    struct
    {
        WPARAM ibOffset;
        DWORD dwExpected;
    } cases[] = {
        {0x1C, static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(recorder.hwnd))},
        {0x14, g_shared.nWM_SIM_ADD_PROCESS},
        {0x3C, 0x5EED1234},
    };
    for (const auto& c : cases)
    {
        DWORD_PTR dwResult = 0;
        ASSERT_TRUE(SendMessageTimeoutA(target.hwndMain, TARGET_WM_READ_SHARED, c.ibOffset, 0, SMTO_NORMAL,
                                        5000, &dwResult));
        EXPECT_EQ(c.dwExpected, static_cast<DWORD>(dwResult)) << "offset " << c.ibOffset;
    }
    g_shared.nWM_ListBoxAddProcess = nSaved;
}
} // namespace
