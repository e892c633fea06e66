// tests/host/HotkeysTest.cpp — the recogniser on key sequences, the journal logic of both journal hooks
// seen through what it records and the commands it posts, and the cutting of hotkeys out of event text.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "hooks/SharedData.h"
#include "host/Hotkeys.h"
#include "host/SimCap.h"
#include "tests/support/DiagCapture.h"

namespace
{
void ResetJournalState()
{
    g_nPendingHotkey = 0;
    g_bCtrlPending = FALSE;
    g_bAltPending = FALSE;
    g_bSysModal = FALSE;
    g_nLastKeyTransition = KEY_TRANSITION_NONE;
    g_nLastKeyCode = 0;
}

// The scan code byte is ignored.
EVENTMSG KeyEvent(UINT message, UINT nVirtualKey, HWND hwnd = nullptr)
{
    return EVENTMSG{message, nVirtualKey | (0x1D << 8), 1, 0, hwnd};
}

// Key-ups in order; the recogniser starts afresh whenever the sequence name changes.
TEST(HotkeyMatchesTest, CombinationsFireOnTheLastReleaseWithExactModifiers)
{
    const struct
    {
        const char* pszSequence;
        UINT nHotkey, nVirtualKey;
        BOOL bCtrlDown, bAltDown, bFires;
    } keyUps[] = {
        {"plain key fires on its release", 0x2C, 0x2C, 0, 0, 1},
        {"plain key with Ctrl held", 0x2C, 0x2C, 1, 0, 0},
        {"plain key with Ctrl held", 0x2C, VK_CONTROL, 0, 0, 0},
        {"Ctrl combination fires once, on the Ctrl release", 0x2002C, 0x2C, 1, 0, 0},
        {"Ctrl combination fires once, on the Ctrl release", 0x2002C, VK_CONTROL, 0, 0, 1},
        {"Ctrl combination fires once, on the Ctrl release", 0x2002C, VK_CONTROL, 0, 0, 0},
        {"Ctrl combination without Ctrl", 0x2002C, 0x2C, 0, 0, 0},
        {"Ctrl combination without Ctrl", 0x2002C, VK_CONTROL, 0, 0, 0},
        {"Ctrl combination with Alt as well", 0x2002C, 0x2C, 1, 1, 0},
        {"Ctrl combination with Alt as well", 0x2002C, VK_CONTROL, 0, 1, 0},
        {"Ctrl combination with Alt as well", 0x2002C, VK_MENU, 0, 0, 0},
        {"Ctrl+Alt, Alt released first", 0x3002C, 0x2C, 1, 1, 0},
        {"Ctrl+Alt, Alt released first", 0x3002C, VK_MENU, 1, 0, 0},
        {"Ctrl+Alt, Alt released first", 0x3002C, VK_CONTROL, 0, 0, 1},
        {"a waiting combination ignores other keys and blocks other codes", 0x2002C, 0x2C, 1, 0, 0},
        {"a waiting combination ignores other keys and blocks other codes", 0x2002C, 'A', 1, 0, 0},
        {"a waiting combination ignores other keys and blocks other codes", 0x2C, 0x2C, 0, 0, 0},
        {"a waiting combination ignores other keys and blocks other codes", 0x2C, VK_CONTROL, 0, 0, 0},
        {"a waiting combination ignores other keys and blocks other codes", 0x2002C, VK_CONTROL, 0, 0, 1},
        {"a waiting combination ignores other keys and blocks other codes", 0x2C, 0x2C, 0, 0, 1},
    };
    const char* pszLast = "";
    for (const auto& up : keyUps)
    {
        if (strcmp(pszLast, up.pszSequence)) ResetJournalState();
        pszLast = up.pszSequence;
        EXPECT_EQ(up.bFires,
                  HotkeyMatches(KeyEvent(WM_KEYUP, up.nVirtualKey), up.nHotkey, up.bCtrlDown, up.bAltDown))
            << up.pszSequence << ", key " << up.nVirtualKey;
    }
}

// One event for one of the journal hooks, and what the logic must make of it. ON_RECORDER: the recorder's
// own window (its process is included); ON_NOTHING: no window.
const int ON_RECORDER = 1, ON_NOTHING = 0;

struct JournalStep
{
    DWORD dwHook;
    LONG nCode;
    UINT message, nVirtualKey;
    int nWindow, nForeground;
    BOOL bCtrlDown;
    UINT nOutcome;
    std::vector<UINT> commands;
};

class JournalLogicTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        pSimCap = new SIMCAP;
        g_pSimCap = pSimCap;
        ASSERT_TRUE(pSimCap->Init(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL));
        hwnd = SIMCAP::Window();
        pSimCap->aInclProcesses.Include(GetCurrentProcessId());
        pSimCap->bIncludeJournalEvents = 1;
        pSimCap->bIncludeMouseEvents = 0;
        pSimCap->nSnapshotKey = 0x2C;
        pSimCap->nStopKey = 0x2002C;
        ResetJournalState();
        PostedCommands();
        capture.Clear();
    }

    void TearDown() override
    {
        delete pSimCap;
        g_pSimCap = nullptr;
        PostedCommands();
        ResetJournalState();
    }

    std::vector<UINT> PostedCommands()
    {
        std::vector<UINT> commands;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.hwnd == hwnd && msg.message == WM_COMMAND) commands.push_back(LOWORD(msg.wParam));
        return commands;
    }

    void Run(const char* pszName, const std::vector<JournalStep>& steps)
    {
        for (const JournalStep& step : steps)
        {
            SCOPED_TRACE(testing::Message() << pszName << ", step " << (&step - steps.data()));
            EVENTMSG em =
                KeyEvent(step.message, step.nVirtualKey, step.nWindow == ON_RECORDER ? hwnd : nullptr);
            JournalMoment moment = {step.nForeground == ON_RECORDER ? hwnd : nullptr, step.bCtrlDown, FALSE};
            UINT nOutcome = step.dwHook == JOURNAL_HOOK_KEYS
                                ? pSimCap->OnHotkeyRecord(step.nCode, em, moment)
                                : pSimCap->OnJournalRecord(step.nCode, em, moment);
            EXPECT_EQ(step.nOutcome, nOutcome);
            EXPECT_EQ(step.commands, PostedCommands());
            // The foreground window is filled in only when the outcome says so.
            EXPECT_EQ((nOutcome & JOURNAL_HWND_FILLED) || step.nWindow == ON_RECORDER ? hwnd : nullptr,
                      em.hwnd);
        }
    }

    DiagCapture capture;
    SIMCAP* pSimCap = nullptr;
    HWND hwnd = nullptr;
};

const DWORD R = JOURNAL_HOOK_RECORD, K = JOURNAL_HOOK_KEYS;
const UINT PASS = JOURNAL_PASS_ON, REC = JOURNAL_RECORDED, SOUND = JOURNAL_SOUNDED,
           FILLED = JOURNAL_HWND_FILLED;

TEST_F(JournalLogicTest, RecordingHookRecordsKeysOnceAndPostsStopOnTheCtrlRelease)
{
    pSimCap->nMenuState = MS_CAPTURING;
    Run("stop combination with Ctrl held",
        {
            {R, 0, WM_KEYDOWN, 'A', ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, {}},
            {R, 0, WM_KEYUP, 'A', ON_RECORDER, ON_RECORDER, FALSE, PASS | REC | SOUND, {}},
            {R, 0, WM_KEYDOWN, VK_CONTROL, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, {}},
            {R, 0, WM_KEYDOWN, VK_CONTROL, ON_RECORDER, ON_RECORDER, TRUE, PASS, {}},
            {R, 0, WM_KEYDOWN, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, TRUE, PASS | REC, {}},
            {R, 0, WM_KEYUP, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, TRUE, PASS | REC, {}},
            {R, 0, WM_KEYUP, VK_CONTROL, ON_RECORDER, ON_RECORDER, TRUE, PASS | REC, {IDM_STOP}},
            {R, 0, WM_KEYUP, VK_CONTROL, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
            {R, 0, WM_KEYDOWN, VK_CANCEL, ON_RECORDER, ON_RECORDER, TRUE, 0, {IDM_STOP}},
            {R, 0, WM_KEYUP, VK_CANCEL, ON_RECORDER, ON_RECORDER, TRUE, PASS | REC | SOUND, {}},
        });
}

TEST_F(JournalLogicTest, HotkeysPlayNoKeystrokeSoundAndOnlySomeKeysSound)
{
    pSimCap->nMenuState = MS_CAPTURING;
    pSimCap->nSnapshotKey = 'Q';
    pSimCap->nStopKey = 0x20000 | 'S';
    Run("letters as hotkeys",
        {
            {R, 0, WM_KEYUP, 'Q', ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, {IDM_STEP}},
            {R, 0, WM_KEYDOWN, VK_CONTROL, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, {}},
            {R, 0, WM_KEYUP, 'S', ON_RECORDER, ON_RECORDER, TRUE, PASS | REC | SOUND, {}},
            {R, 0, WM_KEYUP, VK_CONTROL, ON_RECORDER, ON_RECORDER, TRUE, PASS | REC, {IDM_STOP}},
        });
    for (UINT nVirtualKey : {0x10u, 0x14u, 0x1Bu, 0x21u, 0x2Du, 0x2Fu, 0x5Bu, 0x5Du, 0x70u, 0x87u})
        Run("silent key", {{R, 0, WM_KEYUP, nVirtualKey, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, {}}});
    for (UINT nVirtualKey : {0x08u, 0x0Du, 0x20u, 0x2Eu, 0x30u, 0x5Au, 0x60u, 0x88u, 0xBAu})
        Run("sounding key",
            {{R, 0, WM_KEYUP, nVirtualKey, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC | SOUND, {}}});
    pSimCap->bIncludeJournalEvents = 0;
    Run("journal events off", {{R, 0, WM_KEYUP, 'A', ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, {}}});
}

TEST_F(JournalLogicTest, WindowsProcessesAndSystemModalDialogsDecideWhatIsRecorded)
{
    pSimCap->nMenuState = MS_CAPTURING;
    Run("no window of its own",
        {
            {R, 0, WM_CHAR, 'a', ON_NOTHING, ON_RECORDER, FALSE, PASS | REC | FILLED, {}},
            {R, 0, WM_KEYDOWN, 'B', ON_NOTHING, ON_NOTHING, FALSE, PASS, {}},
            {R, 0, WM_LBUTTONUP, 0, ON_NOTHING, ON_RECORDER, FALSE, PASS, {}},
        });
    Run("system-modal dialog",
        {
            {R, HC_SYSMODALON, 0, 0, ON_NOTHING, ON_NOTHING, FALSE, PASS, {}},
            {R, 0, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
            {R, 0, WM_KEYDOWN, VK_CANCEL, ON_RECORDER, ON_RECORDER, TRUE, PASS, {}},
            {K, 0, WM_KEYUP, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
            {R, HC_SYSMODALOFF, 0, 0, ON_NOTHING, ON_NOTHING, FALSE, PASS, {}},
            {R, 0, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC | SOUND, {}},
        });
    Run("unknown code", {{R, 7, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}}});
    EXPECT_TRUE(capture.HasLine("SIMCAP::JournalHookProc(): Unknown nCode\n"));

    pSimCap->aInclProcesses.RemoveAll();
    Run("process not included",
        {
            {R, 0, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
            {R, 0, WM_KEYUP, 'A', ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
            {R, 0, WM_KEYUP, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, FALSE, PASS, {IDM_STEP}},
        });
}

TEST_F(JournalLogicTest, HotkeyHookSwallowsCtrlBreakWhileArmed)
{
    // Which keys start and which do nothing while armed is seen in the multi-process journal hook tests.
    pSimCap->nMenuState = MS_ARMED;
    Run("armed", {
                     {K, 0, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
                     {K, 0, WM_KEYDOWN, VK_CANCEL, ON_RECORDER, ON_RECORDER, TRUE, 0, {}},
                     {K, 0, WM_KEYUP, VK_CANCEL, ON_RECORDER, ON_RECORDER, TRUE, 0, {}},
                 });
    EXPECT_EQ(static_cast<UINT>(MS_ARMED), pSimCap->nMenuState.load());
    // The states the hooks in the target are not driven through: ready steps, stopping takes nothing.
    for (UINT nState : {MS_READY, MS_STOPPING})
    {
        pSimCap->nMenuState = nState;
        Run("ready or stopping", {{R, 0, WM_KEYUP, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC,
                                   nState == MS_READY ? std::vector<UINT>{IDM_STEP} : std::vector<UINT>{}}});
    }
}

// Events blocks as the writer lays them out: one "Event" element per event, values in decimal. The
// notation: "c" a click, "d"/"u" a key down/up, "D"/"U" a system key down/up, each followed by a letter
// or a virtual-key number.
std::vector<std::string> Events(const std::string& strNotation)
{
    const UINT aMessage[] = {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP};
    std::vector<std::string> events;
    std::istringstream in(strNotation);
    for (std::string token; in >> token;)
    {
        char sz[400];
        snprintf(sz, sizeof(sz),
                 "\t\t<Event StateID=\"1\" EventType=\"JournalKeyboardRecordEvent\">\n\t\t\t<ID>7</ID>\n"
                 "\t\t\t<message>%u</message>\t<!-- WM_KEY -->\n"
                 "\t\t\t<hWnd>65636</hWnd>\n\t\t\t<ScanCode>29</ScanCode>\n"
                 "\t\t\t<VirtualKeyCode>%u</VirtualKeyCode>\t<!-- VK -->\n"
                 "\t\t\t<RepeatCount>1</RepeatCount>\n\t\t</Event>\n",
                 token[0] == 'c' ? 0 : aMessage[std::string("duDU").find(token[0])],
                 isdigit(token[1]) ? std::stoi(token.substr(1)) : token[1]);
        events.push_back(
            token[0] != 'c'
                ? sz
                : "\t\t<Event StateID=\"1\" EventType=\"JournalMouseRecordEvent\">\n\t\t\t<ID>8</ID>\n"
                  "\t\t\t<message>513</message>\n\t\t\t<hWnd>65636</hWnd>\n\t\t</Event>\n");
    }
    return events;
}

// What stays of a block when events are cut. A cut runs from an event's "<Event" to the next one, so the
// tabs before it stand in for those of the next event; the last cut ends with the last "</Event>", so
// its tabs and the line feed after it stay.
std::string Block(const std::vector<std::string>& events, const std::vector<bool>& removed)
{
    std::string text = "\t<Events>\n";
    for (size_t i = 0; i < events.size(); ++i)
        if (!removed[i]) text += events[i];
    if (!removed.empty() && removed.back()) text += "\t\t\n";
    return text + "\t</Events>\n";
}

// Print Screen is the snapshot key throughout; "x" marks the events expected to be cut.
TEST(RemoveHotKeyTest, CutsTheKeystrokesOfTheLastHotkey)
{
    const struct
    {
        const char* pszName;
        UINT nStopKey;
        const char *pszEvents, *pszRemoved;
        BOOL bResult;
        const char* pszLine;
    } cases[] = {
        {"Ctrl+Print Screen after typing", 0x2002C, "dA uA d17 d44 u44 u17", "--xxxx", TRUE, nullptr},
        {"Print Screen with events after it", 0x2002C, "c d44 u44 dB uB", "-xx--", TRUE, nullptr},
        {"a separate stop key with Alt, as system keys", 0x1007B, "D18 D123 U123 u18", "xxxx", TRUE, nullptr},
        {"an earlier, complete key-up is kept", 0x2002C, "u17 d17 d44 u44 u17", "-xxxx", TRUE, nullptr},
        {"no hotkey key", 0x2002C, "dA uA c", "---", FALSE, nullptr},
        {"no events", 0x2002C, "", "", FALSE, nullptr},
        {"a key-up without its key-down", 0x2002C, "u44 d17 u44 u17", "-xxx", FALSE,
         "RemoveHotKey - Key downs have not been found for all the key ups.\n"},
        {"Alt is no part of either key", 0x2002C, "d18 d44 u44 u18", "xxxx", FALSE,
         "RemoveHotKey - Key ups have not identified a valid hotkey.\n"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        DiagCapture capture;
        std::vector<std::string> events = Events(c.pszEvents);
        std::vector<bool> removed;
        for (const char* pch = c.pszRemoved; *pch; ++pch)
            removed.push_back(*pch == 'x');
        std::string text = Block(events, std::vector<bool>(events.size(), false));
        std::vector<char> buffer(text.begin(), text.end());
        DWORD cb = static_cast<DWORD>(buffer.size());
        EXPECT_EQ(c.bResult, RemoveHotKeyFromText(buffer.data(), &cb, 0x2C, c.nStopKey));
        EXPECT_EQ(Block(events, removed), std::string(buffer.data(), cb));
        for (DWORD ib = cb; ib < buffer.size(); ++ib)
            EXPECT_EQ('\0', buffer[ib]);
        EXPECT_EQ(c.pszLine ? std::vector<std::string>{c.pszLine} : std::vector<std::string>{},
                  capture.Lines());
    }
    char szEmpty[1] = "";
    DWORD cbEmpty = 0;
    EXPECT_FALSE(RemoveHotKeyFromText(szEmpty, &cbEmpty, 0x2C, 0x2002C));
    EXPECT_EQ(0u, cbEmpty);
}
} // namespace
