// tests/snapshot/ElementListTest.cpp — the event list written into a real capture file: Events blocks,
// the streaming writer's hold-back of the two newest elements, numbering, failures; and the list beneath.
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
        if (bFail) return FALSE;
        BOOL bOk = BeginWrite(nDepth) && g_pSimCap->WriteSimpleTag(nDepth + 1, "Text", pszText, nullptr) &&
                   EndWrite(nDepth);
        if (nStatusAfter) g_pSimCap->nWrThreadStatus = nStatusAfter;
        return bOk;
    }

    const char* pszText;
    BOOL bEvent, bFail = FALSE;
    UINT nStatusAfter = 0;
};

// Keeps the base's Write.
class BareEvent : public SIMCAP_ELEMENT
{
  public:
    LPCSTR GetEventType() const override { return "BareEvent"; }
};

std::string EventXml(int nDepth, int nState, int nId, const std::string& text)
{
    return std::string(nDepth, '\t') + "<Event StateID=\"" + std::to_string(nState) +
           "\" EventType=\"TestEvent\">\n" + std::string(nDepth + 1, '\t') + "<ID>" + std::to_string(nId) +
           "</ID>\n" + std::string(nDepth + 1, '\t') + "<Text>" + text + "</Text>\n" +
           std::string(nDepth, '\t') + "</Event>\n";
}

const std::string c_snapshotXml = "\t<GetStateEvent>s1</GetStateEvent>\n";

// Polls until the file has reached a size; false when it has not within the time.
bool WaitForSize(const TempCaptureFile& file, DWORD cb, DWORD dwTimeoutMs)
{
    for (DWORD dwWaited = 0; dwWaited < dwTimeoutMs; dwWaited += 20)
    {
        if (file.Size() == cb) return true;
        Sleep(20);
    }
    return file.Size() == cb;
}

class ElementListTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_pSimCap = &simcap;
        EventList().DeleteAll();
        SIMCAP_ELEMENT::ResetCounters();
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
    EXPECT_EQ("\t<Events>\n" + EventXml(2, 1, 0, "e1") + EventXml(2, 1, 1, "e2") + EventXml(2, 1, 2, "e3") +
                  "\t</Events>\n" + c_snapshotXml + "\t<Events>\n" + EventXml(2, 1, 3, "e4") +
                  "\t</Events>\n",
              file.Contents());
    EXPECT_EQ(nullptr, EventList().Head()) << "streaming deletes what it wrote";
    EXPECT_EQ(0, g_nLive);
}

TEST_F(ElementListTest, TheBaseWriteLeavesAReminder)
{
    new BareEvent;
    EXPECT_TRUE(EventList().Write(1));
    EXPECT_EQ("\t<!-- Event Class needs to overload Write() method -->\n", file.Contents());
}

// While a recording runs an element is written only once two newer ones exist; when it stops the rest
// is drained.
TEST_F(ElementListTest, StreamingHoldsBackTheTwoNewestWhileCaptureRuns)
{
    const struct
    {
        UINT nRunningState;
        UINT nEndState;
        UINT nEndStatus;
    } cases[] = {
        {MS_CAPTURING, MS_STOPPING, TS_RUNNING},
        {MS_PAUSED, MS_PAUSED, TS_FINISHING},
    };
    const std::string first = "\t<Events>\n" + EventXml(2, 1, 0, "e1");
    for (const auto& c : cases)
    {
        Restart();
        simcap.nMenuState = c.nRunningState;
        simcap.nWrThreadStatus = TS_RUNNING;
        new TestEvent("e1");
        new TestEvent("e2");

        BOOL bResult = FALSE;
        std::thread writer([&bResult] { bResult = EventList().Write(1); });
        Sleep(300);
        EXPECT_EQ(0u, file.Size()) << c.nRunningState;

        new TestEvent("e3");
        EXPECT_TRUE(WaitForSize(file, static_cast<DWORD>(first.size()), 3000)) << c.nRunningState;
        Sleep(300);
        EXPECT_EQ(first.size(), file.Size()) << "e2 waits for a second newer element";

        simcap.nMenuState = c.nEndState;
        simcap.nWrThreadStatus = c.nEndStatus;
        writer.join();
        EXPECT_TRUE(bResult);
        EXPECT_EQ(first + EventXml(2, 1, 1, "e2") + EventXml(2, 1, 2, "e3") + "\t</Events>\n",
                  file.Contents())
            << c.nRunningState;
        EXPECT_EQ(nullptr, EventList().Head());
    }
}

TEST_F(ElementListTest, PlaceholdersLetASnapshotThroughAtOnce)
{
    simcap.nMenuState = MS_CAPTURING;
    new TestEvent("s1", FALSE);
    ASSERT_TRUE(BOGUSRecordEvent::QueuePair());

    std::thread writer([] { EventList().Write(1); });
    EXPECT_TRUE(WaitForSize(file, static_cast<DWORD>(c_snapshotXml.size()), 500));
    simcap.nMenuState = MS_STOPPING;
    writer.join();
    EXPECT_EQ(c_snapshotXml, file.Contents());
}

TEST_F(ElementListTest, AFailedWriteLeavesTheUnwrittenElementsQueued)
{
    const struct
    {
        int nDepth;
        int nLeft;
    } cases[] = {
        {1, 2}, // streaming: e1 was written and deleted
        {2, 3},
    };
    for (const auto& c : cases)
    {
        Restart();
        new TestEvent("e1");
        (new TestEvent("e2"))->bFail = TRUE;
        new TestEvent("e3");

        EXPECT_FALSE(EventList().Write(c.nDepth)) << c.nDepth;
        EXPECT_EQ(std::string(c.nDepth, '\t') + "<Events>\n" + EventXml(c.nDepth + 1, 1, 0, "e1"),
                  file.Contents())
            << "the block stays open";
        EXPECT_EQ(c.nLeft, g_nLive) << c.nDepth;
    }
}

TEST_F(ElementListTest, FailedEventsTagsAreReported)
{
    const std::string opened = "\t<Events>\n" + EventXml(2, 1, 0, "e1");
    const struct
    {
        const char* pszName;
        UINT nStatusBefore;
        BOOL bSnapshotAfter;
        std::string bytes;
        std::string line;
        int nLeft;
    } cases[] = {
        {"begin", TS_FAILED, FALSE, "\t<", "SIMCAP_LIST::Write(): Failed to Write Events begin tag\n", 1},
        {"end before a snapshot", TS_RUNNING, TRUE, opened + "\t</",
         "SIMCAP_LIST::Write(): Failed to Write Events end tag\n", 1},
        {"end of the list", TS_RUNNING, FALSE, opened + "\t</",
         "SIMCAP_LIST::Write(): Failed to Write Events end tag\n", 0},
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

TEST_F(ElementListTest, AFailedBeginWriteStillTakesASequenceNumber)
{
    file.Close();
    auto* pEvent = new TestEvent("lost");
    EXPECT_FALSE(pEvent->BeginWrite(1));
    EXPECT_FALSE(pEvent->EndWrite(1));
    auto* pBare = new BareEvent;
    EXPECT_FALSE(pBare->Write(1));
    EXPECT_EQ((std::vector<std::string>{"SIMCAP_ELEMENT::BeginWrite(): Failed to Write Begin Tag\n",
                                        "SIMCAP_ELEMENT::EndWrite(): Failed to Write End Tag\n",
                                        "SimCap: Failed to record Event Info\n"}),
              diag.Lines());
    EventList().DeleteAll();

    ASSERT_TRUE(file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE));
    new TestEvent("next");
    EXPECT_TRUE(EventList().Write(1));
    EXPECT_EQ("\t<Events>\n" + EventXml(2, 1, 1, "next") + "\t</Events>\n", file.Contents());
}

TEST(LinkedListTest, InsertUnlinkAndPredecessorKeepNewestFirstAndRefuseUnknownNodes)
{
    struct Node : LIST_NODE
    {
        explicit Node(char c) : ch(c) {}
        char ch;
    };
    Node a('a'), b('b'), c('c'), d('d'), e('e'), stray('x');
    LINKED_LIST list; // unlinks, never deletes: the nodes are on the stack
    auto Order = [&list] {
        std::string s;
        for (LIST_NODE* p = list.Head(); p; p = p->pNext)
            s += static_cast<Node*>(p)->ch;
        return s;
    };
    for (Node* p : {&a, &b, &c})
        ASSERT_TRUE(list.Insert(p, nullptr));
    EXPECT_EQ("cba", Order());
    EXPECT_TRUE(list.Insert(&d, &b));
    EXPECT_FALSE(list.Insert(&e, &stray));
    EXPECT_EQ("cdba", Order());
    EXPECT_EQ(&d, list.Predecessor(&b));
    EXPECT_EQ(nullptr, list.Predecessor(&stray));
    EXPECT_TRUE(list.Unlink(&d));
    EXPECT_TRUE(list.Unlink(&a));
    EXPECT_FALSE(list.Unlink(&stray));
    EXPECT_EQ("cb", Order());
}
