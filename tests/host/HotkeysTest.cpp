// tests/host/HotkeysTest.cpp — the recogniser on key sequences, the journal logic of both journal hooks
// seen through what it records and the commands it posts, and the cutting of hotkeys out of event text.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hooks/CopyDataRecords.h"
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

EVENTMSG KeyEvent(UINT message, UINT nVirtualKey, HWND hwnd = nullptr)
{
    EVENTMSG em = {};
    em.message = message;
    em.paramL = nVirtualKey | (0x1D << 8); // the scan code byte is ignored
    em.paramH = 1;
    em.hwnd = hwnd;
    return em;
}

struct KeyUp
{
    UINT nVirtualKey;
    BOOL bCtrlDown;
    BOOL bAltDown;
    BOOL bFires;
};

TEST(HotkeyMatchesTest, CombinationsFireOnTheLastReleaseWithExactModifiers)
{
    struct
    {
        const char* pszName;
        UINT nHotkey;
        std::vector<KeyUp> keyUps;
    } cases[] = {
        {"plain key fires on its release", 0x2C, {{0x2C, FALSE, FALSE, TRUE}}},
        {"plain key with Ctrl held", 0x2C, {{0x2C, TRUE, FALSE, FALSE}, {VK_CONTROL, FALSE, FALSE, FALSE}}},
        {"another key", 0x2C, {{'A', FALSE, FALSE, FALSE}}},
        {"Ctrl combination fires on the Ctrl release",
         0x2002C,
         {{0x2C, TRUE, FALSE, FALSE}, {VK_CONTROL, FALSE, FALSE, TRUE}}},
        {"a second Ctrl release fires nothing",
         0x2002C,
         {{0x2C, TRUE, FALSE, FALSE}, {VK_CONTROL, FALSE, FALSE, TRUE}, {VK_CONTROL, FALSE, FALSE, FALSE}}},
        {"Ctrl combination without Ctrl",
         0x2002C,
         {{0x2C, FALSE, FALSE, FALSE}, {VK_CONTROL, FALSE, FALSE, FALSE}}},
        {"Ctrl combination with Alt as well",
         0x2002C,
         {{0x2C, TRUE, TRUE, FALSE}, {VK_CONTROL, FALSE, TRUE, FALSE}, {VK_MENU, FALSE, FALSE, FALSE}}},
        {"Alt combination", 0x1002C, {{0x2C, FALSE, TRUE, FALSE}, {VK_MENU, FALSE, FALSE, TRUE}}},
        {"Ctrl+Alt, Alt released first",
         0x3002C,
         {{0x2C, TRUE, TRUE, FALSE}, {VK_MENU, TRUE, FALSE, FALSE}, {VK_CONTROL, FALSE, FALSE, TRUE}}},
        {"Ctrl+Alt, Ctrl released first",
         0x3002C,
         {{0x2C, TRUE, TRUE, FALSE}, {VK_CONTROL, FALSE, TRUE, FALSE}, {VK_MENU, FALSE, FALSE, TRUE}}},
        {"other keys while a combination waits",
         0x2002C,
         {{0x2C, TRUE, FALSE, FALSE},
          {'A', TRUE, FALSE, FALSE},
          {0x2C, TRUE, FALSE, FALSE},
          {VK_CONTROL, FALSE, FALSE, TRUE}}},
    };
    for (const auto& c : cases)
    {
        ResetJournalState();
        for (size_t i = 0; i < c.keyUps.size(); ++i)
        {
            const KeyUp& up = c.keyUps[i];
            EXPECT_EQ(up.bFires,
                      HotkeyMatches(KeyEvent(WM_KEYUP, up.nVirtualKey), c.nHotkey, up.bCtrlDown, up.bAltDown))
                << c.pszName << ", key-up " << i;
        }
    }
}

// While a combination waits for its modifiers, no other code can match.
TEST(HotkeyMatchesTest, APendingCombinationBlocksOtherCodes)
{
    ResetJournalState();
    EXPECT_FALSE(HotkeyMatches(KeyEvent(WM_KEYUP, 0x2C), 0x2002C, TRUE, FALSE));
    EXPECT_FALSE(HotkeyMatches(KeyEvent(WM_KEYUP, 0x2C), 0x2C, FALSE, FALSE));
    EXPECT_FALSE(HotkeyMatches(KeyEvent(WM_KEYUP, VK_CONTROL), 0x2C, FALSE, FALSE));
    EXPECT_TRUE(HotkeyMatches(KeyEvent(WM_KEYUP, VK_CONTROL), 0x2002C, FALSE, FALSE));
    EXPECT_TRUE(HotkeyMatches(KeyEvent(WM_KEYUP, 0x2C), 0x2C, FALSE, FALSE));
}

// One event for one of the journal hooks, and what the logic must make of it.
enum : int
{
    ON_RECORDER = 1, // the event's window is the recorder's own (its process is included)
    ON_NOTHING = 0,  // the event has no window
};

struct JournalStep
{
    DWORD dwHook;
    LONG nCode;
    UINT message;
    UINT nVirtualKey;
    int nWindow;
    int nForeground;
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
        for (size_t i = 0; i < steps.size(); ++i)
        {
            const JournalStep& step = steps[i];
            SCOPED_TRACE(testing::Message() << pszName << ", step " << i);
            EVENTMSG em =
                KeyEvent(step.message, step.nVirtualKey, step.nWindow == ON_RECORDER ? hwnd : nullptr);
            JournalMoment moment = {step.nForeground == ON_RECORDER ? hwnd : nullptr, step.bCtrlDown, FALSE};
            UINT nOutcome = step.dwHook == JOURNAL_HOOK_KEYS
                                ? pSimCap->OnHotkeyRecord(step.nCode, em, moment)
                                : pSimCap->OnJournalRecord(step.nCode, em, moment);
            EXPECT_EQ(step.nOutcome, nOutcome);
            EXPECT_EQ(step.commands, PostedCommands());
            if (nOutcome & JOURNAL_HWND_FILLED)
            {
                EXPECT_EQ(hwnd, em.hwnd);
            }
        }
    }

    DiagCapture capture;
    SIMCAP* pSimCap = nullptr;
    HWND hwnd = nullptr;
};

const DWORD R = JOURNAL_HOOK_RECORD;
const DWORD K = JOURNAL_HOOK_KEYS;
const UINT PASS = JOURNAL_PASS_ON;
const UINT REC = JOURNAL_RECORDED;
const UINT SOUND = JOURNAL_SOUNDED;
const UINT FILLED = JOURNAL_HWND_FILLED;

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

TEST_F(JournalLogicTest, StepAndStopDependOnTheMenuState)
{
    struct
    {
        UINT nState;
        std::vector<UINT> plain;
        std::vector<UINT> withCtrl;
    } cases[] = {
        {MS_ARMED, {}, {}},          {MS_READY, {IDM_STEP}, {}}, {MS_CAPTURING, {IDM_STEP}, {IDM_STOP}},
        {MS_PAUSED, {}, {IDM_STOP}}, {MS_STOPPING, {}, {}},
    };
    for (const auto& c : cases)
    {
        pSimCap->nMenuState = c.nState;
        std::string name = "state " + std::to_string(c.nState);
        Run(name.c_str(),
            {{R, 0, WM_KEYUP, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, c.plain}});
        Run(name.c_str(),
            {{R, 0, WM_SYSKEYUP, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, TRUE, PASS | REC, {}},
             {R, 0, WM_KEYUP, VK_CONTROL, ON_RECORDER, ON_RECORDER, TRUE, PASS | REC, c.withCtrl}});
        ResetJournalState();
    }
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
    Run("mouse and other messages",
        {
            {R, 0, WM_MOUSEMOVE, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
            {R, 0, WM_NCMOUSEMOVE, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
            {R, 0, WM_LBUTTONUP, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, {}},
            {R, 0, WM_USER, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, {}},
        });
    for (UINT message : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN})
        Run("click", {{R, 0, message, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC | SOUND, {}}});
    pSimCap->bIncludeJournalEvents = 0;
    Run("click, journal events off",
        {{R, 0, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC, {}}});
    pSimCap->bIncludeMouseEvents = 1;
    Run("click, mouse events on",
        {{R, 0, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC | SOUND, {}}});

    Run("system-modal dialog",
        {
            {R, HC_SYSMODALON, 0, 0, ON_NOTHING, ON_NOTHING, FALSE, PASS, {}},
            {R, 0, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
            {R, 0, WM_KEYDOWN, VK_CANCEL, ON_RECORDER, ON_RECORDER, TRUE, PASS, {}},
            {K, 0, WM_KEYUP, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
            {R, HC_SYSMODALOFF, 0, 0, ON_NOTHING, ON_NOTHING, FALSE, PASS, {}},
            {R, 0, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS | REC | SOUND, {}},
        });
    EXPECT_FALSE(capture.HasLine("SIMCAP::JournalHookProc(): Unknown nCode\n"));
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

TEST_F(JournalLogicTest, HotkeyHookStartsOnTheSnapshotKeyAndGivesUpOnCtrlBreak)
{
    pSimCap->nMenuState = MS_ARMED;
    Run("armed", {
                     {K, 0, WM_KEYUP, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, FALSE, PASS, {IDM_START}},
                     {K, 0, WM_KEYDOWN, VK_CONTROL, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
                     {K, 0, WM_KEYUP, VK_SNAPSHOT, ON_RECORDER, ON_RECORDER, TRUE, PASS, {}},
                     {K, 0, WM_KEYUP, VK_CONTROL, ON_RECORDER, ON_RECORDER, TRUE, PASS, {}},
                     {K, 0, WM_LBUTTONDOWN, 0, ON_RECORDER, ON_RECORDER, FALSE, PASS, {}},
                     {K, 0, WM_KEYDOWN, VK_CANCEL, ON_RECORDER, ON_RECORDER, TRUE, 0, {}},
                     {K, 0, WM_KEYUP, VK_CANCEL, ON_RECORDER, ON_RECORDER, TRUE, 0, {}},
                 });
    EXPECT_EQ(static_cast<UINT>(MS_ARMED), pSimCap->nMenuState.load());
}

// A hand-over is read only when whole, and acted on only while its hook is installed.
TEST_F(JournalLogicTest, HandedOverRecordsAreCheckedBeforeTheyAreUsed)
{
    pSimCap->nMenuState = MS_CAPTURING;
    SIMCAP_COPYDATA_JOURNALEVENT record = {};
    record.dwHook = JOURNAL_HOOK_RECORD;
    record.message = WM_KEYDOWN;
    record.paramL = VK_CANCEL;
    record.hwnd = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hwnd));
    COPYDATASTRUCT cds = {COPYDATA_JOURNALEVENT, sizeof(record) - 1, &record};
    EXPECT_EQ(0, pSimCap->OnCopyData(hwnd, 0, reinterpret_cast<LPARAM>(&cds)));
    EXPECT_TRUE(
        capture.HasLine("SIMCAP::OnCopyData(): record 1246907980 of 43 bytes is shorter than its 44 bytes; "
                        "dropped\n"))
        << capture.Joined();

    cds.cbData = sizeof(record);
    EXPECT_EQ(static_cast<LRESULT>(JOURNAL_ANSWERED | JOURNAL_PASS_ON),
              pSimCap->OnCopyData(hwnd, 0, reinterpret_cast<LPARAM>(&cds)));
    EXPECT_TRUE(PostedCommands().empty()) << "no journal hook is installed";
}

// Events blocks as the writer lays them out: one "Event" element per event, values in decimal.
std::string EventXml(UINT message, UINT nVirtualKey)
{
    std::string xml =
        "\t\t<Event StateID=\"1\" EventType=\"JournalKeyboardRecordEvent\">\n\t\t\t<ID>7</ID>\n";
    xml += "\t\t\t<message>" + std::to_string(message) + "</message>\t<!-- WM_KEY -->\n";
    xml += "\t\t\t<hWnd>65636</hWnd>\n\t\t\t<ScanCode>29</ScanCode>\n";
    xml += "\t\t\t<VirtualKeyCode>" + std::to_string(nVirtualKey) + "</VirtualKeyCode>\t<!-- VK -->\n";
    xml += "\t\t\t<RepeatCount>1</RepeatCount>\n\t\t</Event>\n";
    return xml;
}

std::string ClickXml()
{
    return "\t\t<Event StateID=\"1\" EventType=\"JournalMouseRecordEvent\">\n\t\t\t<ID>8</ID>\n"
           "\t\t\t<message>513</message>\n\t\t\t<hWnd>65636</hWnd>\n\t\t</Event>\n";
}

const char c_szOpen[] = "\t<Events>\n";
const char c_szClose[] = "\t</Events>\n";

// What stays of a block when events are cut. A cut runs from an event's "<Event" to the next one, so the
// tabs before it stand in for those of the next event; the last cut ends with the last "</Event>", so
// its tabs and the line feed after it stay.
std::string Block(const std::vector<std::string>& events, const std::vector<bool>& removed)
{
    std::string text = c_szOpen;
    for (size_t i = 0; i < events.size(); ++i)
        if (!removed[i]) text += events[i];
    if (!removed.empty() && removed.back()) text += "\t\t\n";
    return text + c_szClose;
}

const UINT KD = WM_KEYDOWN;
const UINT KU = WM_KEYUP;
const UINT SKD = WM_SYSKEYDOWN;
const UINT SKU = WM_SYSKEYUP;

TEST(RemoveHotKeyTest, CutsTheKeystrokesOfTheLastHotkey)
{
    struct
    {
        const char* pszName;
        UINT nSnapshotKey;
        UINT nStopKey;
        std::vector<std::string> events;
        std::vector<bool> removed;
        BOOL bResult;
        const char* pszLine;
    } cases[] = {
        {"Ctrl+Print Screen after typing",
         0x2C,
         0x2002C,
         {EventXml(KD, 'A'), EventXml(KU, 'A'), EventXml(KD, 17), EventXml(KD, 44), EventXml(KU, 44),
          EventXml(KU, 17)},
         {false, false, true, true, true, true},
         TRUE,
         nullptr},
        {"Print Screen with events after it",
         0x2C,
         0x2002C,
         {ClickXml(), EventXml(KD, 44), EventXml(KU, 44), EventXml(KD, 'B'), EventXml(KU, 'B')},
         {false, true, true, false, false},
         TRUE,
         nullptr},
        {"a separate stop key with Alt, as system keys",
         0x2C,
         0x1007B,
         {EventXml(SKD, 18), EventXml(SKD, 123), EventXml(SKU, 123), EventXml(KU, 18)},
         {true, true, true, true},
         TRUE,
         nullptr},
        {"an earlier, complete key-up is kept",
         0x2C,
         0x2002C,
         {EventXml(KU, 17), EventXml(KD, 17), EventXml(KD, 44), EventXml(KU, 44), EventXml(KU, 17)},
         {false, true, true, true, true},
         TRUE,
         nullptr},
        {"a modifier still held is kept",
         0x2C,
         0x2002C,
         {EventXml(KU, 44), EventXml(KD, 17), EventXml(KD, 44), EventXml(KU, 44)},
         {false, false, true, true},
         TRUE,
         nullptr},
        {"a key-up without its key-down",
         0x2C,
         0x2002C,
         {EventXml(KU, 44), EventXml(KD, 17), EventXml(KU, 44), EventXml(KU, 17)},
         {false, true, true, true},
         FALSE,
         "RemoveHotKey - Key downs have not been found for all the key ups.\n"},
        {"Alt is no part of either key",
         0x2C,
         0x2002C,
         {EventXml(KD, 18), EventXml(KD, 44), EventXml(KU, 44), EventXml(KU, 18)},
         {true, true, true, true},
         FALSE,
         "RemoveHotKey - Key ups have not identified a valid hotkey.\n"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        DiagCapture capture;
        std::string text = Block(c.events, std::vector<bool>(c.events.size(), false));
        std::vector<char> buffer(text.begin(), text.end());
        DWORD cb = static_cast<DWORD>(buffer.size());
        EXPECT_EQ(c.bResult, RemoveHotKeyFromText(buffer.data(), &cb, c.nSnapshotKey, c.nStopKey));
        EXPECT_EQ(Block(c.events, c.removed), std::string(buffer.data(), cb));
        for (DWORD ib = cb; ib < buffer.size(); ++ib)
            EXPECT_EQ('\0', buffer[ib]);
        if (c.pszLine)
        {
            EXPECT_TRUE(capture.HasLine(c.pszLine)) << capture.Joined();
        }
        else
        {
            EXPECT_TRUE(capture.Lines().empty()) << capture.Joined();
        }
    }
}

TEST(RemoveHotKeyTest, BlocksWithoutAHotkeyKeyStayAsTheyAre)
{
    std::vector<std::string> blocks = {
        Block({EventXml(KD, 'A'), EventXml(KU, 'A'), ClickXml()}, {false, false, false}),
        Block({}, {}),
        "",
    };
    for (const std::string& text : blocks)
    {
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        DWORD cb = static_cast<DWORD>(text.size());
        EXPECT_FALSE(RemoveHotKeyFromText(buffer.data(), &cb, 0x2C, 0x2002C));
        EXPECT_EQ(text.size(), cb);
        EXPECT_EQ(text, std::string(buffer.data(), cb));
    }
}

// The tag map hands over a memory object: the text after a size word, which shrinks with the text.
TEST_F(JournalLogicTest, RemoveHotKeyEditsAMemoryObjectWithTheRecordersKeys)
{
    pSimCap->nSnapshotKey = 'Q';
    std::vector<std::string> events = {EventXml(KD, 'A'), EventXml(KD, 'Q'), EventXml(KU, 'Q')};
    std::string text = Block(events, {false, false, false});
    std::vector<DWORD> object(1 + (text.size() + 3) / 4, 0);
    object[0] = static_cast<DWORD>(text.size());
    memcpy(&object[1], text.data(), text.size());
    EXPECT_TRUE(pSimCap->RemoveHotKey(&object[1]));
    std::string expected = Block(events, {false, true, true});
    EXPECT_EQ(expected.size(), object[0]);
    EXPECT_EQ(expected, std::string(reinterpret_cast<const char*>(&object[1]), object[0]));
}
} // namespace
