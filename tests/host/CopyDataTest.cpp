// tests/host/CopyDataTest.cpp — records from other processes become events only for targets, and
// replies are taken only for the request that waits.
#include <windows.h>

#include <gtest/gtest.h>

#include <typeinfo>

#include "hooks/HookEvents.h"
#include "hooks/JournalEvents.h"
#include "host/SimCap.h"
#include "snapshot/SimCapList.h"
#include "tests/support/DiagCapture.h"

namespace
{
class CopyDataTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_pSimCap = &simcap;
        EventList().DeleteAll();
        hwndTarget =
            CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hwndTarget);
        simcap.aExclMessages.Exclude(WM_MOUSEMOVE);
        simcap.bIncludeMouseEvents = 1;
    }
    void TearDown() override
    {
        DestroyWindow(hwndTarget);
        EventList().DeleteAll();
        g_pSimCap = nullptr;
    }

    LRESULT Send(ULONG_PTR dwData, const void* pv, DWORD cb)
    {
        COPYDATASTRUCT cds = {dwData, cb, const_cast<void*>(pv)};
        return simcap.OnCopyData(nullptr, 0, reinterpret_cast<LPARAM>(&cds));
    }

    // Type names of the queued events, newest first.
    std::vector<std::string> Queued()
    {
        std::vector<std::string> names;
        for (LIST_NODE* p = EventList().Head(); p; p = p->pNext)
            names.push_back(static_cast<SIMCAP_ELEMENT*>(p)->GetEventType());
        return names;
    }

    SIMCAP_COPYDATA_HOOKEVENT MouseRecord(UINT nMessage)
    {
        SIMCAP_COPYDATA_HOOKEVENT record = {};
        record.dwKind = HOOKEVENT_KIND_MOUSE;
        record.wParam = nMessage;
        record.mouse.hwnd = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwndTarget));
        return record;
    }

    SIMCAP_COPYDATA_HOOKEVENT SysMsgRecord(UINT nMessage)
    {
        SIMCAP_COPYDATA_HOOKEVENT record = {};
        record.dwKind = HOOKEVENT_KIND_SYSMSG;
        record.msg.hwnd = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwndTarget));
        record.msg.message = nMessage;
        return record;
    }

    DiagCapture capture;
    SIMCAP simcap;
    HWND hwndTarget = nullptr;
};

// Records of processes that are no target, of excluded messages, of unknown kinds, and mouse records
// while mouse events are off, make no event.
TEST_F(CopyDataTest, TargetRecordsBecomeEventsUnlessFilteredOut)
{
    SIMCAP_COPYDATA_HOOKEVENT click = MouseRecord(WM_LBUTTONDOWN);
    SIMCAP_COPYDATA_HOOKEVENT move = MouseRecord(WM_MOUSEMOVE);
    SIMCAP_COPYDATA_HOOKEVENT key = SysMsgRecord(WM_KEYDOWN);
    SIMCAP_COPYDATA_HOOKEVENT sysmove = SysMsgRecord(WM_MOUSEMOVE);
    SIMCAP_COPYDATA_HOOKEVENT other = SysMsgRecord(WM_KEYDOWN);
    other.dwKind = 9;
    SIMCAP_COPYDATA_CBTEVENT cbt = {
        CBTEVENT_KIND, HCBT_DESTROYWND, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwndTarget)), 0, {}};
    const struct
    {
        ULONG_PTR dwData;
        const void* pv;
        DWORD cb;
        LRESULT lTarget, lNoTarget, lMouseOff;
    } sends[] = {
        {7, &click, sizeof(click), 1, 0, 0}, {7, &move, sizeof(move), 0, 0, 0},
        {7, &key, sizeof(key), 1, 0, 1},     {7, &sysmove, sizeof(sysmove), 0, 0, 0},
        {7, &other, sizeof(other), 0, 0, 0}, {13, &cbt, sizeof(cbt), 1, 0, 1},
    };
    for (int nRun : {0, 1, 2}) // a target; no target; a target with mouse events off
    {
        EventList().DeleteAll();
        simcap.aInclProcesses.RemoveAll();
        if (nRun != 1) simcap.aInclProcesses.Include(GetCurrentProcessId());
        simcap.bIncludeMouseEvents = nRun != 2;
        for (const auto& c : sends)
            EXPECT_EQ(nRun == 0   ? c.lTarget
                      : nRun == 1 ? c.lNoTarget
                                  : c.lMouseOff,
                      Send(c.dwData, c.pv, c.cb))
                << "run " << nRun << " record " << (&c - sends);
        EXPECT_EQ(nRun == 0 ? 3u : nRun == 1 ? 0u : 2u, Queued().size()) << "run " << nRun;
    }
    EXPECT_EQ((std::vector<std::string>{"CBTEvent", "SysMsgEvent"}), Queued());
    auto* pCbt = static_cast<SIMCAP_CBTEVENT*>(EventList().Head());
    EXPECT_EQ(static_cast<DWORD>(HCBT_DESTROYWND), pCbt->adwRecord[1]);
    EXPECT_EQ(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwndTarget)), pCbt->adwRecord[2]);
    auto* pKey = static_cast<SIMCAP_SYSMSGEVENT*>(pCbt->pNext);
    EXPECT_EQ(GetCurrentProcessId(), pKey->dwProcessId);
    EXPECT_EQ(static_cast<UINT>(WM_KEYDOWN), pKey->msg.message);
}

TEST_F(CopyDataTest, RepliesAreTakenOnlyForTheObjectThatWaits)
{
    int nRequester = 0, nStranger = 0;
    DWORD adwReply[2] = {static_cast<DWORD>(reinterpret_cast<UINT_PTR>(&nStranger)), 4};
    Send(12, adwReply, sizeof(adwReply));
    EXPECT_TRUE(capture.HasLine("SIMCAP::OnCopyData(): reply 12 arrived while no request waits; dropped\n"));

    simcap.BeginAwaitReply(12, &nRequester);
    capture.Clear();
    Send(11, adwReply, sizeof(adwReply));
    EXPECT_TRUE(capture.HasLine("SIMCAP::OnCopyData(): reply 11 arrived while no request waits; dropped\n"));
    capture.Clear();
    Send(12, adwReply, 7);
    EXPECT_TRUE(
        capture.HasLine("SIMCAP::OnCopyData(): record 12 of 7 bytes is shorter than its 8 bytes; dropped\n"));
    capture.Clear();
    Send(12, adwReply, sizeof(adwReply));
    EXPECT_TRUE(
        capture.HasLine("SIMCAP::OnCopyData(): reply 12 names an object no request waits for; dropped\n"));
    capture.Clear();
    adwReply[0] = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(&nRequester));
    Send(12, adwReply, sizeof(adwReply));
    EXPECT_TRUE(capture.Lines().empty()) << capture.Joined();

    simcap.EndAwaitReply();
    capture.Clear();
    Send(12, adwReply, sizeof(adwReply));
    EXPECT_TRUE(capture.HasLine("SIMCAP::OnCopyData(): reply 12 arrived while no request waits; dropped\n"));
}

TEST_F(CopyDataTest, OutputLastErrorQueuesTheErrorAsAnEvent)
{
    simcap.OutputLastError("Op(): failed - ", ERROR_FILE_NOT_FOUND);
    std::vector<std::string> expected = {"Error"};
    ASSERT_EQ(expected, Queued());
    auto* pError = static_cast<SIMCAP_ERROREVENT*>(static_cast<SIMCAP_ELEMENT*>(EventList().Head()));
    EXPECT_EQ(0, std::string(pError->pszText).find("Op(): failed - ")) << pError->pszText;
    EXPECT_GT(std::string(pError->pszText).size(), strlen("Op(): failed - "));
}
} // namespace
