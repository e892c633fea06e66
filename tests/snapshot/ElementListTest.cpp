// tests/snapshot/ElementListTest.cpp — the event list written into a real capture file: Events blocks,
// the streaming writer's hold-back of the two newest elements, failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "host/SimCap.h"
#include "snapshot/BOGUSRecordEvent.h"
#include "snapshot/SimCapElement.h"
#include "tests/output/TempCaptureFile.h"
#include "tests/support/DiagCapture.h"

using outputtest::TempCaptureFile;

namespace
{
int g_nLive; // test elements alive, which are those queued

// An event written inside an Events block (the shared wrapper around one "Text" child), or as a
// snapshot between blocks. An event can fail, or turn the writer status after it has written itself.
class TestEvent : public SIMCAP_ELEMENT
{
  public:
    explicit TestEvent(const char* psz, BOOL bEvent = TRUE) : pszText(psz), bEvent(bEvent) { g_nLive++; }
    ~TestEvent() override { g_nLive--; }
    BOOL IsEventBlockMember() const override { return bEvent; }
    LPCSTR GetEventType() const override { return "TestEvent"; }
    BOOL Write(int nDepth) override
    {
        if (!bEvent) return g_pSimCap->WriteSimpleTag(nDepth, "GetStateEvent", pszText, nullptr);
        if (bFail)
        {
            BeginWrite(nDepth); // fails half-written
            return FALSE;
        }
        BOOL bOk = BeginWrite(nDepth) && g_pSimCap->WriteSimpleTag(nDepth + 1, "Text", pszText, nullptr) &&
                   EndWrite(nDepth);
        if (nStatusAfter) g_pSimCap->nWrThreadStatus = nStatusAfter;
        return bOk;
    }

    const char* pszText;
    BOOL bEvent, bFail = FALSE;
    UINT nStatusAfter = 0;
};

// The first state is 1; event IDs count from 0.
std::string EventXml(int nDepth, int nId, const std::string& text)
{
    std::string in(nDepth, '\t');
    return in + "<Event StateID=\"1\" EventType=\"TestEvent\">\n" + in + "\t<ID>" + std::to_string(nId) +
           "</ID>\n" + in + "\t<Text>" + text + "</Text>\n" + in + "</Event>\n";
}

// Polls until the file has reached a size; false when it has not within the time.
bool WaitForSize(const TempCaptureFile& file, DWORD cb, DWORD dwTimeoutMs)
{
    for (DWORD dwStart = GetTickCount(); file.Size() != cb; Sleep(20))
        if (GetTickCount() - dwStart > dwTimeoutMs) return false;
    return true;
}

class ElementListTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_pSimCap = &simcap;
        Restart();
        g_nLive = 0;
    }
    void TearDown() override
    {
        EventList().DeleteAll();
        EXPECT_EQ(0, g_nLive);
        g_pSimCap = nullptr;
    }

    // Starts again from an empty file and list.
    void Restart()
    {
        EventList().DeleteAll();
        file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        SIMCAP_ELEMENT::ResetCounters();
        diag.Clear();
    }

    SIMCAP simcap;
    TempCaptureFile file{simcap};
    DiagCapture diag;
};
} // namespace

TEST_F(ElementListTest, AnEmptyListWritesNothing)
{
    EXPECT_TRUE(EventList().Write(1));
    EXPECT_EQ(0u, file.Size());
}

TEST_F(ElementListTest, EventsShareOneBlockClosedBeforeASnapshotAndAtTheEndWhilePlaceholdersWriteNothing)
{
    new TestEvent("e1");
    new TestEvent("e2");
    new TestEvent("e3");
    new TestEvent("s1", FALSE);
    ASSERT_TRUE(BOGUSRecordEvent::QueuePair());
    new TestEvent("e4");

    EXPECT_TRUE(EventList().Write(1));
    EXPECT_EQ("\t<Events>\n" + EventXml(2, 0, "e1") + EventXml(2, 1, "e2") + EventXml(2, 2, "e3") +
                  "\t</Events>\n" + "\t<GetStateEvent>s1</GetStateEvent>\n" + "\t<Events>\n" +
                  EventXml(2, 3, "e4") + "\t</Events>\n",
              file.Contents());
    EXPECT_EQ(nullptr, EventList().Head()) << "streaming deletes what it wrote";
    EXPECT_EQ(0, g_nLive);
}

// While a recording runs an element is written only once two newer ones exist, and an empty list is waited
// on rather than taken for the end; when it stops (or the writer is told to finish while paused) the rest
// is drained.
TEST_F(ElementListTest, StreamingHoldsBackTheTwoNewestWhileCaptureRuns)
{
    const struct
    {
        UINT nRunningState, nEndState, nEndStatus;
    } cases[] = {{MS_CAPTURING, MS_STOPPING, TS_RUNNING}, {MS_PAUSED, MS_PAUSED, TS_FINISHING}};
    const std::string first = "\t<Events>\n" + EventXml(2, 0, "e1");
    for (const auto& c : cases)
    {
        Restart();
        simcap.nMenuState = c.nRunningState;
        simcap.nWrThreadStatus = TS_RUNNING;
        BOOL bResult = FALSE;
        std::thread writer([&bResult] { bResult = EventList().Write(1); });
        Sleep(1300);
        new TestEvent("e1");
        new TestEvent("e2");
        Sleep(1300);
        EXPECT_EQ(0u, file.Size()) << c.nRunningState;

        new TestEvent("e3");
        EXPECT_TRUE(WaitForSize(file, static_cast<DWORD>(first.size()), 3000)) << c.nRunningState;
        Sleep(300);
        EXPECT_EQ(first.size(), file.Size()) << "e2 waits for a second newer element";

        simcap.nMenuState = c.nEndState;
        simcap.nWrThreadStatus = c.nEndStatus;
        writer.join();
        EXPECT_TRUE(bResult);
        EXPECT_EQ(first + EventXml(2, 1, "e2") + EventXml(2, 2, "e3") + "\t</Events>\n", file.Contents())
            << c.nRunningState;
        EXPECT_EQ(nullptr, EventList().Head());
    }
}

// Streaming (depth 1) has already deleted e1 when e2 fails half-written: it cuts e2 off again and closes
// the block, so the file can still be finished. A nested write keeps all three and leaves its output.
TEST_F(ElementListTest, AFailedWriteLeavesTheUnwrittenElementsQueued)
{
    for (int nDepth : {1, 2})
    {
        Restart();
        new TestEvent("e1");
        (new TestEvent("e2"))->bFail = TRUE;
        new TestEvent("e3");
        EXPECT_FALSE(EventList().Write(nDepth)) << nDepth;
        std::string in(nDepth, '\t');
        std::string expected = in + "<Events>\n" + EventXml(nDepth + 1, 0, "e1");
        if (nDepth == 1)
            expected += "\t</Events>\n";
        else
            expected += in + "\t<Event StateID=\"1\" EventType=\"TestEvent\">\n" + in + "\t\t<ID>1</ID>\n";
        EXPECT_EQ(expected, file.Contents()) << nDepth;
        EXPECT_EQ(nDepth == 1, EventList().RolledBack() != FALSE) << nDepth;
        EXPECT_EQ(nDepth == 1 ? 2 : 3, g_nLive) << nDepth;
    }
}

TEST_F(ElementListTest, FailedEventsTagsAreReported)
{
    const std::string opened = "\t<Events>\n" + EventXml(2, 0, "e1"), closing = "\t</";
    const std::string endLine = "SIMCAP_LIST::Write(): Failed to Write Events end tag\n";
    const struct
    {
        const char* pszName;
        UINT nStatusBefore;
        BOOL bSnapshotAfter;
        std::string bytes, line;
        int nLeft;
    } cases[] = {
        {"begin", TS_FAILED, FALSE, "\t<", "SIMCAP_LIST::Write(): Failed to Write Events begin tag\n", 1},
        {"end before a snapshot", TS_RUNNING, TRUE, opened + closing, endLine, 1},
        {"end of the list", TS_RUNNING, FALSE, opened + closing, endLine, 0},
    };
    for (const auto& c : cases)
    {
        Restart();
        simcap.nWrThreadStatus = c.nStatusBefore;
        (new TestEvent("e1"))->nStatusAfter = TS_FAILED;
        if (c.bSnapshotAfter) new TestEvent("s1", FALSE);

        EXPECT_FALSE(EventList().Write(1)) << c.pszName;
        EXPECT_EQ(c.bytes, file.Contents()) << c.pszName;
        EXPECT_EQ(std::vector<std::string>{c.line}, diag.Lines()) << c.pszName;
        EXPECT_EQ(c.nLeft, g_nLive) << c.pszName;
    }
}
