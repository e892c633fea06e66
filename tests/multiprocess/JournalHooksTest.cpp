// tests/multiprocess/JournalHooksTest.cpp — the journal hooks under real keyboard input to the target:
// the commands they post to the recorder window, what they swallow, and the events they hand over where
// the system calls them in the receiving process.
#include <windows.h>

#include <gtest/gtest.h>

#include "hooks/SharedData.h"
#include "tests/multiprocess/HookHarness.h"
#include "tests/support/LibraryHookProc.h"
#include "tests/targets/TargetApp.h"

namespace
{
bool HasKey(const std::vector<SIMCAP_COPYDATA_JOURNALEVENT>& events, UINT uMsg, UINT nVirtualKey)
{
    for (const SIMCAP_COPYDATA_JOURNALEVENT& event : events)
        if (event.message == uMsg && LOBYTE(event.paramL) == nVirtualKey) return true;
    return false;
}

const std::vector<KeyStroke> c_printScreen = {{VK_SNAPSHOT, false}, {VK_SNAPSHOT, true}};
const std::vector<KeyStroke> c_ctrlPrintScreen = {
    {VK_CONTROL, false}, {VK_SNAPSHOT, false}, {VK_SNAPSHOT, true}, {VK_CONTROL, true}};

class JournalHooksTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(recorder.Ready());
        ASSERT_TRUE(target.Start());
        recorder.pSimCap->aInclProcesses.Include(target.dwProcessId);
    }
    // The recording hook installed after the hotkey hook, so it comes first in the chain.
    void HookKeysAndRecording()
    {
        recorder.pSimCap->HookKeys(recorder.hwnd);
        g_hhkJournal =
            SetWindowsHookExA(WH_JOURNALRECORD, LibraryHookProc(g_hModule, "JournalHookProc"), g_hModule, 0);
        ASSERT_NE(nullptr, g_hhkJournal);
        recorder.pSimCap->nMenuState = MS_CAPTURING;
    }
    // Types into the target and waits until the last stroke has been through the journal hook of dwHook
    // where events are handed over; then takes the commands posted with it from the queue.
    void Type(const std::vector<KeyStroke>& strokes, DWORD dwHook)
    {
        ASSERT_TRUE(target.Activate());
        recorder.ClearSeen();
        SendKeys(strokes);
        KeyStroke last = strokes.back();
        UINT uMsg = last.bUp ? WM_KEYUP : WM_KEYDOWN;
        auto lastSeen = [&] {
            auto events = recorder.JournalEvents(dwHook);
            return HasKey(events, uMsg, last.wVirtualKey) || HasKey(events, uMsg + 4, last.wVirtualKey);
        };
        EXPECT_TRUE(!JournalRunsInReceivingProcess() || PumpUntil(lastSeen, 3000));
        PumpFor(100);
    }

    RecorderUnderTest recorder;
    TargetProcess target;
};

// Armed, the hotkey hook alone runs; recording, the recording hook takes its place.
TEST_F(JournalHooksTest, HotkeysPostCommandsByTheRecorderState)
{
    const std::vector<KeyStroke> heldCtrlPrintScreen = {
        {VK_CONTROL, false}, {VK_CONTROL, false}, {VK_CONTROL, false}, {VK_SNAPSHOT, false},
        {VK_SNAPSHOT, true}, {VK_CONTROL, true},  {VK_CONTROL, true}};
    const struct
    {
        UINT nState;
        const char* pszName;
        std::vector<KeyStroke> strokes;
        std::vector<UINT> expected;
    } cases[] = {
        {MS_ARMED, "Print Screen", c_printScreen, {IDM_START}},
        {MS_ARMED, "Ctrl+Print Screen", c_ctrlPrintScreen, {}},
        {MS_CAPTURING, "Print Screen", c_printScreen, {IDM_STEP}},
        {MS_CAPTURING, "Ctrl+Print Screen", c_ctrlPrintScreen, {IDM_STOP}},
        {MS_CAPTURING, "Ctrl held and released twice", heldCtrlPrintScreen, {IDM_STOP}},
        {MS_READY, "Ctrl+Print Screen", c_ctrlPrintScreen, {}},
        {MS_PAUSED, "Print Screen", c_printScreen, {}},
        // A recording that ends while Ctrl is held leaves its stop combination half-done; the next
        // hotkey hook must not wait for it.
        {MS_CAPTURING,
         "the recording ends with Ctrl held",
         {{VK_CONTROL, false}, {VK_SNAPSHOT, false}, {VK_SNAPSHOT, true}},
         {}},
        {MS_ARMED,
         "Print Screen under the next hotkey hook",
         {{VK_CONTROL, true}, {VK_SNAPSHOT, false}, {VK_SNAPSHOT, true}},
         {IDM_START}},
    };
    recorder.pSimCap->HookKeys(recorder.hwnd);
    // Any process can send hand-over records; only this session's hook procedures know their key. Made-up
    // ones that would switch the hotkeys off (HC_SYSMODALON) are dropped, so the table below still holds.
    for (DWORD dwKey : {DWORD{0}, g_shared.dwHandOverKey ^ 1})
    {
        SIMCAP_COPYDATA_JOURNALEVENT forged = {};
        forged.dwHook = JOURNAL_HOOK_KEYS;
        forged.nCode = HC_SYSMODALON;
        forged.dwKey = dwKey;
        COPYDATASTRUCT cds = {COPYDATA_JOURNALEVENT, sizeof(forged), &forged};
        SendMessageA(recorder.hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    }
    EXPECT_TRUE(recorder.diag.HasLine(
        "SIMCAP::OnCopyData(): journal record without the key of this session's hooks; dropped\n"));
    for (const auto& c : cases)
    {
        bool bArmed = c.nState == MS_ARMED;
        if (!bArmed && recorder.pSimCap->bKeysHooked) recorder.pSimCap->HookAll(recorder.hwnd);
        if (bArmed && !recorder.pSimCap->bKeysHooked)
        {
            recorder.pSimCap->UnhookAll(recorder.hwnd);
            recorder.pSimCap->HookKeys(recorder.hwnd);
        }
        recorder.pSimCap->nMenuState = c.nState;
        Type(c.strokes, bArmed ? JOURNAL_HOOK_KEYS : JOURNAL_HOOK_RECORD);
        EXPECT_EQ(c.expected, recorder.Commands()) << "state " << c.nState << ", " << c.pszName;
    }
}

// The stop combination fires on the Ctrl release: the command is posted while that key-up is handled.
TEST_F(JournalHooksTest, StopFiresWithTheCtrlRelease)
{
    if (!JournalRunsInReceivingProcess())
        GTEST_SKIP() << "journal events are handed over only where the system calls the hook in the target";
    recorder.pSimCap->HookAll(recorder.hwnd);
    recorder.pSimCap->nMenuState = MS_CAPTURING;
    Type(c_ctrlPrintScreen, JOURNAL_HOOK_RECORD);
    for (const SeenMessage* pSeen : recorder.Records(COPYDATA_JOURNALEVENT))
    {
        const auto* p = pSeen->Record<SIMCAP_COPYDATA_JOURNALEVENT>();
        bool bCtrlUp = p->message == WM_KEYUP && LOBYTE(p->paramL) == VK_CONTROL;
        EXPECT_EQ(bCtrlUp ? std::vector<UINT>{IDM_STOP} : std::vector<UINT>{}, pSeen->commands)
            << "message " << p->message << " key " << LOBYTE(p->paramL);
    }
}

TEST_F(JournalHooksTest, CtrlBreakWhileRecordingStopsAndIsNotPassedOn)
{
    HookKeysAndRecording();
    ASSERT_TRUE(target.Activate());
    recorder.ClearSeen();
    SendKeys({{VK_CONTROL, false}, {VK_CANCEL, false}});
    ASSERT_TRUE(PumpUntil([this] { return !recorder.Commands().empty(); }, 3000));
    PumpFor(300);
    EXPECT_EQ(std::vector<UINT>{IDM_STOP}, recorder.Commands());
    EXPECT_NE(nullptr, g_shared.hhkJournalKeys) << "the hotkey hook never saw the Ctrl+Break key-down";
    if (JournalRunsInReceivingProcess())
    {
        EXPECT_TRUE(HasKey(recorder.JournalEvents(JOURNAL_HOOK_KEYS), WM_KEYDOWN, VK_CONTROL));
        EXPECT_FALSE(HasKey(recorder.JournalEvents(JOURNAL_HOOK_KEYS), WM_KEYDOWN, VK_CANCEL));
    }
    // The key-up is passed on, and the hotkey hook gives up on it.
    SendKeys({{VK_CANCEL, true}, {VK_CONTROL, true}});
    EXPECT_TRUE(PumpUntil([] { return g_shared.hhkJournalKeys == nullptr; }, 3000));
    EXPECT_EQ(0, recorder.pSimCap->bKeysHooked);
}

// Both hooks hand the keys over with the moment's modifier state, from the receiving thread.
TEST_F(JournalHooksTest, JournalEventsAreHandedOverFromTheReceivingThread)
{
    if (!JournalRunsInReceivingProcess())
        GTEST_SKIP() << "the system calls the journal hooks on the recorder's own thread here";
    HookKeysAndRecording();
    Type({{'A', false}, {'A', true}, {VK_CONTROL, false}, {'C', false}, {'C', true}, {VK_CONTROL, true}},
         JOURNAL_HOOK_RECORD);
    const struct
    {
        UINT uMsg;
        UINT nVirtualKey;
        DWORD fModifiers;
    } expected[] = {
        {WM_KEYDOWN, 'A', 0},
        {WM_KEYUP, 'A', 0},
        {WM_KEYDOWN, VK_CONTROL, 0}, // the state before the event itself
        {WM_KEYDOWN, 'C', JOURNAL_MOD_CTRL},
        {WM_KEYUP, 'C', JOURNAL_MOD_CTRL},
        {WM_KEYUP, VK_CONTROL, JOURNAL_MOD_CTRL},
    };
    for (DWORD dwHook : {JOURNAL_HOOK_RECORD, JOURNAL_HOOK_KEYS})
    {
        std::vector<SIMCAP_COPYDATA_JOURNALEVENT> events = recorder.JournalEvents(dwHook);
        ASSERT_EQ(ARRAYSIZE(expected), events.size()) << "hook " << dwHook;
        for (size_t i = 0; i < events.size(); ++i)
        {
            SCOPED_TRACE(testing::Message() << "hook " << dwHook << ", event " << i);
            EXPECT_EQ(expected[i].uMsg, events[i].message);
            EXPECT_EQ(expected[i].nVirtualKey, LOBYTE(events[i].paramL));
            EXPECT_EQ(expected[i].fModifiers, events[i].fModifiers);
            EXPECT_EQ(target.dwThreadId, events[i].dwThreadId);
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(target.hwndEdit), events[i].hwnd);
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(target.hwndMain), events[i].hwndForeground);
        }
    }
    for (const SeenMessage* pSeen : recorder.Records(COPYDATA_JOURNALEVENT))
        EXPECT_EQ(sizeof(SIMCAP_COPYDATA_JOURNALEVENT), pSeen->bytes.size());
}
} // namespace
