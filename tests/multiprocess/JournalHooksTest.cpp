// tests/multiprocess/JournalHooksTest.cpp — the journal hooks under real keyboard and mouse input to the
// target: the commands they post to the recorder window, what they swallow, and the events they hand over
// where the system calls them in the receiving process.
#include <windows.h>

#include <gtest/gtest.h>

#include "hooks/SharedData.h"
#include "tests/multiprocess/HookHarness.h"
#include "tests/targets/TargetApp.h"

namespace
{
bool HasKey(const std::vector<SIMCAP_COPYDATA_JOURNALEVENT>& events, UINT uMsg, UINT nVirtualKey)
{
    for (const SIMCAP_COPYDATA_JOURNALEVENT& event : events)
        if (event.message == uMsg && LOBYTE(event.paramL) == nVirtualKey) return true;
    return false;
}

std::string Describe(const std::vector<UINT>& commands)
{
    std::string text;
    for (UINT n : commands)
        text += std::to_string(n) + " ";
    return text;
}

// The procedure's address inside the library; in this executable its name stands for an import thunk.
HOOKPROC JournalHookProcOfLibrary()
{
    return reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(g_hModule, "_ZN6SIMCAP15JournalHookProcEijl@12")));
}

class JournalHooksTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(recorder.Ready());
        ASSERT_TRUE(target.Start());
        recorder.pSimCap->aInclProcesses.Include(target.dwProcessId);
    }

    // Types the strokes into the target and waits until the last has been through the journal hook of
    // dwHook (where events are handed over), or for a pause (where they are not).
    void Type(const std::vector<KeyStroke>& strokes, DWORD dwHook)
    {
        ASSERT_TRUE(target.Activate());
        recorder.ClearSeen();
        KeyStroke last = strokes.back();
        SendKeys(strokes);
        const RecorderUnderTest& r = recorder;
        UINT uMsg = last.bUp ? WM_KEYUP : WM_KEYDOWN;
        if (JournalRunsInReceivingProcess())
        {
            EXPECT_TRUE(PumpUntil(
                [&r, dwHook, uMsg, last] {
                    return HasKey(r.JournalEvents(dwHook), uMsg, last.wVirtualKey) ||
                           HasKey(r.JournalEvents(dwHook), uMsg + 4, last.wVirtualKey);
                },
                3000));
        }
        // Commands posted with the last key are taken from the queue too.
        PumpFor(100);
    }

    RecorderUnderTest recorder;
    TargetProcess target;
};

const std::vector<KeyStroke> c_printScreen = {{VK_SNAPSHOT, false}, {VK_SNAPSHOT, true}};
const std::vector<KeyStroke> c_ctrlPrintScreen = {
    {VK_CONTROL, false}, {VK_SNAPSHOT, false}, {VK_SNAPSHOT, true}, {VK_CONTROL, true}};
const std::vector<KeyStroke> c_heldCtrlPrintScreen = {
    {VK_CONTROL, false}, {VK_CONTROL, false}, {VK_CONTROL, false}, {VK_SNAPSHOT, false},
    {VK_SNAPSHOT, true}, {VK_CONTROL, true},  {VK_CONTROL, true}};

TEST_F(JournalHooksTest, ArmedHotkeyHookStartsOnThePlainSnapshotKeyOnly)
{
    struct
    {
        const char* pszName;
        std::vector<KeyStroke> strokes;
        std::vector<UINT> expected;
    } cases[] = {
        {"Print Screen", c_printScreen, {IDM_START}},
        {"Ctrl+Print Screen", c_ctrlPrintScreen, {}},
        {"a letter", {{'Q', false}, {'Q', true}}, {}},
    };
    recorder.pSimCap->nMenuState = MS_ARMED;
    recorder.pSimCap->HookKeys(recorder.hwnd);
    for (const auto& c : cases)
    {
        Type(c.strokes, JOURNAL_HOOK_KEYS);
        EXPECT_EQ(c.expected, recorder.Commands()) << c.pszName << ": " << Describe(recorder.Commands());
    }
    EXPECT_EQ(1, recorder.pSimCap->bKeysHooked);
}

TEST_F(JournalHooksTest, RecordingJournalHookPostsStepAndStopByTheState)
{
    struct
    {
        UINT nState;
        const char* pszName;
        std::vector<KeyStroke> strokes;
        std::vector<UINT> expected;
    } cases[] = {
        {MS_CAPTURING, "Print Screen", c_printScreen, {IDM_STEP}},
        {MS_CAPTURING, "Ctrl+Print Screen", c_ctrlPrintScreen, {IDM_STOP}},
        {MS_CAPTURING, "Ctrl held and released twice", c_heldCtrlPrintScreen, {IDM_STOP}},
        {MS_READY, "Print Screen", c_printScreen, {IDM_STEP}},
        {MS_READY, "Ctrl+Print Screen", c_ctrlPrintScreen, {}},
        {MS_PAUSED, "Print Screen", c_printScreen, {}},
        {MS_PAUSED, "Ctrl+Print Screen", c_ctrlPrintScreen, {IDM_STOP}},
    };
    recorder.pSimCap->HookAll(recorder.hwnd);
    for (const auto& c : cases)
    {
        recorder.pSimCap->nMenuState = c.nState;
        Type(c.strokes, JOURNAL_HOOK_RECORD);
        EXPECT_EQ(c.expected, recorder.Commands())
            << "state " << c.nState << ", " << c.pszName << ": " << Describe(recorder.Commands());
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
    std::vector<UINT> aKeyUps;
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
    // The recording hook is installed last, so it comes first in the chain, before the hotkey hook.
    recorder.pSimCap->HookKeys(recorder.hwnd);
    g_hhkJournal = SetWindowsHookExA(WH_JOURNALRECORD, JournalHookProcOfLibrary(), g_hModule, 0);
    ASSERT_NE(nullptr, g_hhkJournal);
    recorder.pSimCap->nMenuState = MS_CAPTURING;

    ASSERT_TRUE(target.Activate());
    recorder.ClearSeen();
    SendKeys({{VK_CONTROL, false}, {VK_CANCEL, false}});
    const RecorderUnderTest& r = recorder;
    ASSERT_TRUE(PumpUntil([&r] { return !r.Commands().empty(); }, 3000));
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

TEST_F(JournalHooksTest, CtrlBreakWhileArmedRemovesTheHotkeyHookAndKeepsTheState)
{
    recorder.pSimCap->nMenuState = MS_ARMED;
    recorder.pSimCap->HookKeys(recorder.hwnd);
    ASSERT_TRUE(target.Activate());
    SendKeys({{VK_CONTROL, false}, {VK_CANCEL, false}, {VK_CANCEL, true}, {VK_CONTROL, true}});
    EXPECT_TRUE(PumpUntil([] { return g_shared.hhkJournalKeys == nullptr; }, 3000));
    EXPECT_EQ(0, recorder.pSimCap->bKeysHooked);
    EXPECT_EQ(static_cast<UINT>(MS_ARMED), recorder.pSimCap->nMenuState.load());
    EXPECT_TRUE(recorder.Commands().empty());
}

// Where the system calls the journal hooks in the receiving process, the events reach the recorder with
// the moment's modifier state; the hotkey hook hands over keys only.
TEST_F(JournalHooksTest, JournalEventsAreHandedOverFromTheReceivingThread)
{
    if (!JournalRunsInReceivingProcess())
        GTEST_SKIP() << "the system calls the journal hooks on the recorder's own thread here";
    recorder.pSimCap->HookKeys(recorder.hwnd);
    g_hhkJournal = SetWindowsHookExA(WH_JOURNALRECORD, JournalHookProcOfLibrary(), g_hModule, 0);
    ASSERT_NE(nullptr, g_hhkJournal);
    recorder.pSimCap->nMenuState = MS_CAPTURING;

    Type({{'A', false}, {'A', true}, {VK_CONTROL, false}, {'C', false}, {'C', true}, {VK_CONTROL, true}},
         JOURNAL_HOOK_RECORD);
    struct
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
            EXPECT_EQ(0, events[i].nCode);
            EXPECT_EQ(target.dwProcessId, events[i].dwProcessId);
            EXPECT_EQ(target.dwThreadId, events[i].dwThreadId);
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(target.hwndEdit), events[i].hwnd);
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(target.hwndMain), events[i].hwndForeground);
        }
    }
    for (const SeenMessage* pSeen : recorder.Records(COPYDATA_JOURNALEVENT))
        EXPECT_EQ(sizeof(SIMCAP_COPYDATA_JOURNALEVENT), pSeen->bytes.size());

    // A click: the recording hook hands it over with its screen position; the hotkey hook does not.
    recorder.ClearSeen();
    ClickOn(target.hwndButton);
    const RecorderUnderTest& r = recorder;
    auto clickSeen = [&r] {
        for (const SIMCAP_COPYDATA_JOURNALEVENT& event : r.JournalEvents(JOURNAL_HOOK_RECORD))
            if (event.message == WM_LBUTTONUP) return true;
        return false;
    };
    ASSERT_TRUE(PumpUntil(clickSeen, 3000));
    PumpFor(100);
    RECT rc = {};
    GetWindowRect(target.hwndButton, &rc);
    for (const SIMCAP_COPYDATA_JOURNALEVENT& event : recorder.JournalEvents(JOURNAL_HOOK_RECORD))
    {
        EXPECT_NE(static_cast<DWORD>(WM_MOUSEMOVE), event.message);
        if (event.message == WM_LBUTTONDOWN)
        {
            EXPECT_EQ(static_cast<DWORD>((rc.left + rc.right) / 2), event.paramL);
            EXPECT_EQ(static_cast<DWORD>((rc.top + rc.bottom) / 2), event.paramH);
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(target.hwndButton), event.hwnd);
        }
    }
    EXPECT_TRUE(recorder.JournalEvents(JOURNAL_HOOK_KEYS).empty());
}
} // namespace
