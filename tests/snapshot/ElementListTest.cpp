// tests/snapshot/ElementListTest.cpp — the event list written into a real capture file: Events blocks,
// the streaming writer's hold-back of the two newest elements, numbering, failures; and the list
// operations underneath.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
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
int g_nLive; // test elements and objects alive

// An event written inside an Events block: the shared wrapper around one "Text" child. It can fail,
// or turn the writer status after it has written itself.
class TestEvent : public SIMCAP_ELEMENT
{
  public:
    explicit TestEvent(const char* psz) : pszText(psz) { g_nLive++; }
    ~TestEvent() override { g_nLive--; }
    BOOL IsEventBlockMember() const override { return TRUE; }
    LPCSTR GetEventType() const override { return "TestEvent"; }
    BOOL Write(int nDepth) override
    {
        if (bFail) return FALSE;
        BOOL bOk = BeginWrite(nDepth) && g_pSimCap->WriteSimpleTag(nDepth + 1, "Text", pszText, nullptr) &&
                   EndWrite(nDepth);
        if (nStatusAfter) g_pSimCap->nWrThreadStatus = nStatusAfter;
        return bOk;
    }

    const char* pszText;
    BOOL bFail = FALSE;
    UINT nStatusAfter = 0;
};

// Stands between Events blocks, as a snapshot does.
class TestSnapshot : public SIMCAP_ELEMENT
{
  public:
    explicit TestSnapshot(const char* psz) : pszText(psz) { g_nLive++; }
    ~TestSnapshot() override { g_nLive--; }
    LPCSTR GetEventType() const override { return "TestSnapshot"; }
    BOOL Write(int nDepth) override
    {
        return g_pSimCap->WriteSimpleTag(nDepth, "GetStateEvent", pszText, nullptr);
    }

    const char* pszText;
};

// Keeps the base's Write.
class BareEvent : public SIMCAP_ELEMENT
{
  public:
    LPCSTR GetEventType() const override { return "BareEvent"; }
};

std::string Tabs(int n)
{
    return std::string(n, '\t');
}

std::string EventXml(int nDepth, int nState, int nId, const std::string& text)
{
    return Tabs(nDepth) + "<Event StateID=\"" + std::to_string(nState) + "\" EventType=\"TestEvent\">\n" +
           Tabs(nDepth + 1) + "<ID>" + std::to_string(nId) + "</ID>\n" + Tabs(nDepth + 1) + "<Text>" + text +
           "</Text>\n" + Tabs(nDepth) + "</Event>\n";
}

std::string SnapshotXml(int nDepth, const std::string& text)
{
    return Tabs(nDepth) + "<GetStateEvent>" + text + "</GetStateEvent>\n";
}

int CountNodes(const LINKED_LIST& list)
{
    int n = 0;
    for (LIST_NODE* p = list.Head(); p; p = p->pNext)
        n++;
    return n;
}

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

TEST_F(ElementListTest, EventsShareOneBlockThatClosesBeforeASnapshotAndPlaceholdersWriteNothing)
{
    new TestEvent("e1");
    new TestEvent("e2");
    new TestEvent("e3");
    new TestSnapshot("s1");
    ASSERT_TRUE(BOGUSRecordEvent::QueuePair());

    EXPECT_TRUE(EventList().Write(1));
    EXPECT_EQ("\t<Events>\n" + EventXml(2, 1, 0, "e1") + EventXml(2, 1, 1, "e2") + EventXml(2, 1, 2, "e3") +
                  "\t</Events>\n" + SnapshotXml(1, "s1"),
              file.Contents());
    EXPECT_EQ(nullptr, EventList().Head()) << "streaming deletes what it wrote";
    EXPECT_EQ(0, g_nLive);
}

TEST_F(ElementListTest, EventsAtTheEndCloseTheirBlock)
{
    SIMCAP_ELEMENT::SetCurrentStateNumber(3);
    new TestSnapshot("s2");
    new TestEvent("e1");
    new TestEvent("e2");
    EXPECT_TRUE(EventList().Write(1));
    EXPECT_EQ(SnapshotXml(1, "s2") + "\t<Events>\n" + EventXml(2, 3, 0, "e1") + EventXml(2, 3, 1, "e2") +
                  "\t</Events>\n",
              file.Contents());
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
        file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        SIMCAP_ELEMENT::ResetCounters();
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
    new TestSnapshot("s1");
    ASSERT_TRUE(BOGUSRecordEvent::QueuePair());

    std::thread writer([] { EventList().Write(1); });
    EXPECT_TRUE(WaitForSize(file, static_cast<DWORD>(SnapshotXml(1, "s1").size()), 500));
    simcap.nMenuState = MS_STOPPING;
    writer.join();
    EXPECT_EQ(SnapshotXml(1, "s1"), file.Contents());
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
        file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        SIMCAP_ELEMENT::ResetCounters();
        new TestEvent("e1");
        (new TestEvent("e2"))->bFail = TRUE;
        new TestEvent("e3");

        EXPECT_FALSE(EventList().Write(c.nDepth)) << c.nDepth;
        EXPECT_EQ(Tabs(c.nDepth) + "<Events>\n" + EventXml(c.nDepth + 1, 1, 0, "e1"), file.Contents())
            << "the block stays open";
        EXPECT_EQ(c.nLeft, CountNodes(EventList())) << c.nDepth;
        EXPECT_EQ(c.nLeft, g_nLive) << c.nDepth;
        EventList().DeleteAll();
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
        file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        SIMCAP_ELEMENT::ResetCounters();
        diag.Clear();
        simcap.nWrThreadStatus = c.nStatusBefore;
        (new TestEvent("e1"))->nStatusAfter = TS_FAILED;
        if (c.bSnapshotAfter) new TestSnapshot("s1");

        EXPECT_FALSE(EventList().Write(1)) << c.pszName;
        EXPECT_EQ(c.bytes, file.Contents()) << c.pszName;
        EXPECT_EQ(std::vector<std::string>{c.line}, diag.Lines()) << c.pszName;
        EXPECT_EQ(c.nLeft, CountNodes(EventList())) << c.pszName;
        EventList().DeleteAll();
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
    Node a('a'), b('b'), c('c'), d('d'), stray('x');
    auto Order = [](const LINKED_LIST& list) {
        std::string s;
        for (LIST_NODE* p = list.Head(); p; p = p->pNext)
            s += static_cast<Node*>(p)->ch;
        return s;
    };
    // Each case starts from c b a (c the head, the newest).
    const struct
    {
        const char* pszName;
        std::function<BOOL(LINKED_LIST&)> op;
        BOOL bOk;
        const char* pszOrder;
    } cases[] = {
        {"insert at head", [&](LINKED_LIST& l) { return l.Insert(&d, nullptr); }, TRUE, "dcba"},
        {"insert before middle", [&](LINKED_LIST& l) { return l.Insert(&d, &b); }, TRUE, "cdba"},
        {"insert before absent", [&](LINKED_LIST& l) { return l.Insert(&d, &stray); }, FALSE, "cba"},
        {"unlink middle", [&](LINKED_LIST& l) { return l.Unlink(&b); }, TRUE, "ca"},
        {"unlink absent", [&](LINKED_LIST& l) { return l.Unlink(&stray); }, FALSE, "cba"},
    };
    for (const auto& k : cases)
    {
        for (Node* p : {&a, &b, &c, &d, &stray})
            p->pNext = nullptr;
        LINKED_LIST list; // unlinks, never deletes: the nodes are on the stack
        for (Node* p : {&a, &b, &c})
            ASSERT_TRUE(list.Insert(p, nullptr));
        EXPECT_EQ(k.bOk, k.op(list)) << k.pszName;
        EXPECT_EQ(k.pszOrder, Order(list)) << k.pszName;
    }

    LINKED_LIST list;
    for (Node* p : {&a, &b, &c})
        list.Insert(p, nullptr);
    EXPECT_EQ(nullptr, list.Predecessor(&c));
    EXPECT_EQ(&b, list.Predecessor(&a));
    EXPECT_EQ(nullptr, list.Predecessor(&stray));
}
