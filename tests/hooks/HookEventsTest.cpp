// tests/hooks/HookEventsTest.cpp — each event class's XML, byte for byte, from representative records.
#include <windows.h>

#include <gtest/gtest.h>

#include "hooks/HookEvents.h"
#include "hooks/JournalEvents.h"
#include "host/SimCap.h"
#include "snapshot/SimCapList.h"
#include "tests/output/TempCaptureFile.h"
#include "tests/support/DiagCapture.h"

namespace
{
class HookEventsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_pSimCap = &simcap;
        EventList().DeleteAll();
        SIMCAP_ELEMENT::ResetCounters();
        simcap.bIncludeMouseEvents = 1;
        simcap.bIncludeJournalEvents = 1;
    }
    void TearDown() override
    {
        EventList().DeleteAll();
        g_pSimCap = nullptr;
    }

    // Writes the whole event list at depth 1, drained (no recording runs), and answers the bytes.
    std::string WriteAll(BOOL* pbResult = nullptr)
    {
        BOOL bResult = EventList().Write(1);
        if (pbResult) *pbResult = bResult;
        return file.Contents();
    }

    DiagCapture capture;
    SIMCAP simcap;
    outputtest::TempCaptureFile file{simcap};
};

const char c_szEventsOpen[] = "\t<Events>\n";
const char c_szEventsClose[] = "\t</Events>\n";

TEST_F(HookEventsTest, MouseWheelWritesTheHighWordUnsignedAndNegativeCoordinatesRaw)
{
    HWND hwnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hwnd);
    char szIds[160];
    wsprintfA(szIds,
              "\t\t\t<hWnd>%lu</hWnd>\n\t\t\t<ProcessID>%lu</ProcessID>\n\t\t\t<ThreadID>%lu</ThreadID>\n",
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)), GetCurrentProcessId(),
              GetCurrentThreadId());
    MSG msg = {};
    msg.hwnd = hwnd;
    msg.message = WM_MOUSEWHEEL;
    msg.wParam = MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120));
    msg.lParam = MAKELPARAM(static_cast<WORD>(-5), 300);
    msg.time = 1234;
    msg.pt = {-5, 300};
    new SIMCAP_SYSMSGEVENT(2, msg);
    std::string expected = std::string(c_szEventsOpen) +
                           "\t\t<Event StateID=\"1\" EventType=\"SysMsgEvent\">\n"
                           "\t\t\t<ID>0</ID>\n"
                           "\t\t\t<nCode>2</nCode>\t<!-- MSGF_MENU -->\n" +
                           szIds +
                           "\t\t\t<message>522</message>\t<!-- WM_MOUSEWHEEL -->\n"
                           "\t\t\t<wParam>4287102984</wParam>\n"
                           "\t\t\t<lParam>19726331</lParam>\n"
                           "\t\t\t<time>1234</time>\n"
                           "\t\t\t<pt>\n\t\t\t\t<x>-5</x>\n\t\t\t\t<y>300</y>\n\t\t\t</pt>\n"
                           "\t\t\t<fwKeys>8</fwKeys>\n"
                           "\t\t\t<zDelta>65416</zDelta>\n"
                           "\t\t\t<xPos>65531</xPos>\n"
                           "\t\t\t<yPos>300</yPos>\n"
                           "\t\t</Event>\n" +
                           c_szEventsClose;
    EXPECT_EQ(expected, WriteAll());
    DestroyWindow(hwnd);
}

// Non-client mouse messages carry signed points; key messages their scan code and flags.
TEST_F(HookEventsTest, SystemMessagesWriteTheirOwnValues)
{
    const struct
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        const char* pszFragment;
    } cases[] = {
        {WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(static_cast<WORD>(-20), static_cast<WORD>(-3)),
         "\t\t\t<nHittest>2</nHittest>\n"
         "\t\t\t<pts>\n\t\t\t\t<x>-20</x>\n\t\t\t\t<y>-3</y>\n\t\t\t</pts>\n"},
        // extended, scan code 30, one repeat
        {WM_KEYDOWN, 'A', static_cast<LPARAM>(0x01000000 | (30 << 16) | 1),
         "\t\t\t<ScanCode>30</ScanCode>\n"
         "\t\t\t<VirtualKeyCode>65</VirtualKeyCode>\t<!-- ASCII 'A' -->\n"
         "\t\t\t<RepeatCount>1</RepeatCount>\n\t\t\t<bExtendedKey>1</bExtendedKey>\n"
         "\t\t\t<bAltKey>0</bAltKey>\n\t\t\t<bTransitionState>0</bTransitionState>\n"
         "\t\t\t<bPreviousState>0</bPreviousState>\n"},
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE));
        MSG msg = {};
        msg.message = c.message;
        msg.wParam = c.wParam;
        msg.lParam = c.lParam;
        new SIMCAP_SYSMSGEVENT(0, msg);
        std::string xml = WriteAll();
        EXPECT_NE(std::string::npos, xml.find("<nCode>0</nCode>\t<!-- MSGF_DIALOGBOX -->\n")) << xml;
        EXPECT_NE(std::string::npos, xml.find(c.pszFragment)) << xml;
    }
}

TEST_F(HookEventsTest, MouseEventsAreWrittenOnlyWhileMouseEventsAreRecordedAndForHcAction)
{
    MOUSEHOOKSTRUCT mhs = {};
    mhs.pt = {-1, 2};
    mhs.hwnd = reinterpret_cast<HWND>(0x30);
    mhs.wHitTestCode = HTCLIENT;
    new SIMCAP_MOUSEEVENT(HC_NOREMOVE, WM_LBUTTONDOWN, mhs);
    new SIMCAP_MOUSEEVENT(HC_ACTION, WM_LBUTTONDOWN, mhs);
    new SIMCAP_MOUSEEVENT(HC_ACTION, WM_RBUTTONUP, mhs);
    auto mouseEvent = [](int nId, const std::string& message) {
        return "\t\t<Event StateID=\"1\" EventType=\"MouseEvent\">\n\t\t\t<ID>" + std::to_string(nId) +
               "</ID>\n\t\t\t<message>" + message +
               " -->\n\t\t\t<pt>\n\t\t\t\t<x>-1</x>\n\t\t\t\t<y>2</y>\n\t\t\t</pt>\n"
               "\t\t\t<hWnd>48</hWnd>\n\t\t\t<wHitTestCode>1</wHitTestCode>\n"
               "\t\t\t<dwExtraInfo>0</dwExtraInfo>\n\t\t</Event>\n";
    };
    std::string expected = c_szEventsOpen + mouseEvent(0, "513</message>\t<!-- WM_LBUTTONDOWN") +
                           mouseEvent(1, "517</message>\t<!-- WM_RBUTTONUP") + c_szEventsClose;
    EXPECT_EQ(expected, WriteAll());

    // Switched off after the events were queued: they write nothing and count as written.
    new SIMCAP_MOUSEEVENT(HC_ACTION, WM_LBUTTONDOWN, mhs);
    simcap.bIncludeMouseEvents = 0;
    ASSERT_TRUE(file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE));
    BOOL bResult = FALSE;
    EXPECT_EQ(std::string(c_szEventsOpen) + c_szEventsClose, WriteAll(&bResult));
    EXPECT_TRUE(bResult);
}

TEST_F(HookEventsTest, JournalKeyboardAndMouseEventsShareABlockThatAnUnexpectedMessageCloses)
{
    EVENTMSG key = {WM_KEYDOWN, static_cast<UINT>((30 << 8) | 'A'), 0x8001, 10, reinterpret_cast<HWND>(0x44)};
    EVENTMSG click = {WM_LBUTTONDOWN, static_cast<UINT>(-7), 9, 11, reinterpret_cast<HWND>(0x44)};
    EVENTMSG other = {WM_QUIT, 0, 0, 12, reinterpret_cast<HWND>(0x44)};
    new SIMCAP_JOURNALKEYBOARDEVENT(HC_ACTION, key);
    new SIMCAP_JOURNALMOUSEEVENT(HC_ACTION, click);
    new SIMCAP_JOURNALEVENT(HC_ACTION, other);
    new SIMCAP_JOURNALKEYBOARDEVENT(HC_ACTION, key);
    auto keyEvent = [](int nId) {
        return "\t\t<Event StateID=\"1\" EventType=\"JournalKeyboardRecordEvent\">\n\t\t\t<ID>" +
               std::to_string(nId) +
               "</ID>\n\t\t\t<message>256</message>\t<!-- WM_KEYDOWN -->\n\t\t\t<hWnd>68</hWnd>\n"
               "\t\t\t<ScanCode>30</ScanCode>\n\t\t\t<VirtualKeyCode>65</VirtualKeyCode>\t<!-- ASCII 'A' "
               "-->\n"
               "\t\t\t<RepeatCount>1</RepeatCount>\n\t\t\t<bExtendedKey>1</bExtendedKey>\n\t\t</Event>\n";
    };
    std::string expected = c_szEventsOpen + keyEvent(0) +
                           "\t\t<Event StateID=\"1\" EventType=\"JournalMouseRecordEvent\">\n"
                           "\t\t\t<ID>1</ID>\n"
                           "\t\t\t<message>513</message>\t<!-- WM_LBUTTONDOWN -->\n"
                           "\t\t\t<hWnd>68</hWnd>\n"
                           "\t\t\t<pt>\n\t\t\t\t<x>-7</x>\n\t\t\t\t<y>9</y>\n\t\t\t</pt>\n"
                           "\t\t</Event>\n" +
                           c_szEventsClose +
                           "\t<Event StateID=\"1\" EventType=\"JournalRecordEvent\">\n"
                           "\t\t<ID>2</ID>\n"
                           "\t\t<message>18</message>\t<!-- unknown message -->\n"
                           "\n"
                           "\t\t<!-- This is an unexpected message to the JournalRecordProc -->\n"
                           "\t\t<hWnd>68</hWnd>\n"
                           "\t</Event>\n" +
                           c_szEventsOpen + keyEvent(3) + c_szEventsClose;
    EXPECT_EQ(expected, WriteAll());
}

TEST_F(HookEventsTest, JournalEventsAreSilentWhileJournalEventsAreNotRecorded)
{
    EVENTMSG key = {WM_KEYUP, 'B', 1, 10, reinterpret_cast<HWND>(0x44)};
    new SIMCAP_JOURNALKEYBOARDEVENT(HC_ACTION, key);
    new SIMCAP_JOURNALKEYBOARDEVENT(1, key);
    simcap.bIncludeJournalEvents = 0;
    BOOL bResult = FALSE;
    std::string xml = WriteAll(&bResult);
    EXPECT_TRUE(bResult);
    EXPECT_EQ(std::string::npos, xml.find("<Event ")) << xml;
}

TEST_F(HookEventsTest, CbtEventsNameTheirCodeAndADestroyCarriesItsWindow)
{
    SIMCAP_COPYDATA_CBTEVENT record = {};
    record.dwKind = CBTEVENT_KIND;
    record.nCode = HCBT_ACTIVATE;
    record.wParam = 0x5150;
    new SIMCAP_CBTEVENT(&record);
    EXPECT_EQ(std::string(c_szEventsOpen) +
                  "\t\t<Event StateID=\"1\" EventType=\"CBTEvent\">\n"
                  "\t\t\t<ID>0</ID>\n"
                  "\t\t\t<Action>5</Action>\t<!-- HCBT_ACTIVATE -->\n"
                  "\t\t\t<hWnd>20816</hWnd>\n"
                  "\t\t</Event>\n" +
                  c_szEventsClose,
              WriteAll());

    ASSERT_TRUE(file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE));
    record.nCode = HCBT_DESTROYWND;
    new SIMCAP_CBTEVENT(&record);
    BOOL bResult = TRUE;
    WriteAll(&bResult);
    EXPECT_FALSE(bResult);
    EXPECT_TRUE(capture.HasLine("SimCap: Failed to Write Cbt Event Info\n"));
    EventList().DeleteAll(); // a failed write leaves its event where it was

    // A window about to go is described, hidden or not, two levels below its event.
    ASSERT_TRUE(file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE));
    HWND hwnd =
        CreateWindowExA(0, "STATIC", "going", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    record.wParam = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd));
    new SIMCAP_CBTEVENT(&record);
    DestroyWindow(hwnd);
    std::string xml = WriteAll(&bResult);
    EXPECT_TRUE(bResult);
    EXPECT_NE(std::string::npos, xml.find("\t\t\t<hWnd>" + std::to_string(record.wParam) +
                                          "</hWnd>\n"
                                          "\t\t\t\t<Window>\n"
                                          "\t\t\t\t\t<hWnd>" +
                                          std::to_string(record.wParam) + "</hWnd>\n"))
        << xml;
    EXPECT_NE(std::string::npos, xml.find("\t\t\t\t\t<Text>going</Text>\n")) << xml;
}

TEST_F(HookEventsTest, ErrorEventsStandAsCommentsBetweenBlocks)
{
    EVENTMSG key = {WM_KEYDOWN, 'C', 1, 10, reinterpret_cast<HWND>(0x44)};
    new SIMCAP_JOURNALKEYBOARDEVENT(HC_ACTION, key);
    auto* pError = new SIMCAP_ERROREVENT;
    ASSERT_TRUE(pError->Init("Op(): failed - ", "Access <denied> & more."));
    std::string xml = WriteAll();
    EXPECT_NE(
        std::string::npos,
        xml.find("\t\t</Event>\n\t</Events>\n\t<!-- Op(): failed - Access &lt;denied&gt; &amp; more. -->\n"))
        << xml;
    EXPECT_EQ(xml.size() - strlen("-->\n"), xml.rfind("-->\n")) << "the comment ends the file";
}
} // namespace
