// tests/hooks/InclExclTest.cpp — which processes and windows a recording takes in, with real windows of
// this process and of a started notepad.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "hooks/LateBoundApi.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "tests/support/DiagCapture.h"
#include "tests/ui/DialogDriver.h"

namespace
{
const DWORD c_dwNoProcess = 0xFFFFFFF0;

DWORD Num(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd));
}

} // namespace

class InclExclTest : public ::testing::Test
{
  protected:
    // A second application, started once for the group and ended after it.
    static void SetUpTestSuite() { s_pNotepad = new dialogtest::Notepad; }
    static void TearDownTestSuite()
    {
        delete s_pNotepad;
        s_pNotepad = nullptr;
    }

    void SetUp() override
    {
        simcap.pLateBoundApi = new LateBoundApi;
        g_pSimCap = &simcap;
        dwSavedOwnProcessId = g_dwOwnProcessId;
        g_dwOwnProcessId = dwOwn;
        ASSERT_NE(nullptr, window.hwnd);
    }
    void TearDown() override
    {
        g_pSimCap = nullptr;
        g_dwOwnProcessId = dwSavedOwnProcessId;
        g_shared.hwndSimCap = nullptr;
    }

    void Reset()
    {
        simcap.aInclProcesses.RemoveAll();
        simcap.aExclProcesses.RemoveAll();
        simcap.aInclWindows.RemoveAll();
        simcap.aExclWindows.RemoveAll();
        capture.Clear();
    }

    // Presence of a process and a window in the four lists, in the order included, excluded.
    std::string Listed(DWORD dwProcess, HWND hwnd)
    {
        return std::string(simcap.aInclProcesses.Find(dwProcess) ? "P" : "-") +
               (simcap.aExclProcesses.Find(dwProcess) ? "P" : "-") +
               (simcap.aInclWindows.Find(Num(hwnd)) ? "W" : "-") +
               (simcap.aExclWindows.Find(Num(hwnd)) ? "W" : "-");
    }

    static dialogtest::Notepad* s_pNotepad;
    DiagCapture capture;
    SIMCAP simcap;
    DWORD dwOwn = GetCurrentProcessId();
    DWORD dwSavedOwnProcessId = 0;
    dialogtest::OwnWindow window;
};
dialogtest::Notepad* InclExclTest::s_pNotepad;

// The debug texts also show what GetProcessName reads for this process and for one that does not exist.
// Set-up letters: o own process (else one that does not exist), s self capture, d debug exclusions,
// u own name not on the debug list, w with a window, l process and window included before, i include.
TEST_F(InclExclTest, AddProcessAndWindowClassifiesByOwnerSwitchesAndInclude)
{
    char szPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    const std::string strExe = strrchr(szPath, '\\') + 1;
    const std::vector<std::string> excluded = {"$$$$$ IsDebugExclusion -- <", strExe,
                                               "> is being excluded.\n"};
    const std::vector<std::string> unreadable = {
        "SIMCAP:InclExcl:GetProcessName - Unable to get process name.\n"};
    std::string strUpper = strExe; // the debug list ignores case
    CharUpperA(&strUpper[0]);
    const struct
    {
        LPCSTR pszCase, pszSetup, pszListed;
        std::vector<std::string> lines;
    } cases[] = {
        {"own process left out", "owi", "----", {}},
        {"own process left as it was", "owl", "P-W-", {}},
        {"own process with self capture", "oswi", "PPWW", {}},
        {"included is listed twice", "wi", "PPWW", {}},
        {"process without a window", "i", "PP--", {}},
        {"excluded", "w", "-P-W", {}},
        {"debug-excluded target", "osdwli", "-P-W", excluded},
        {"switch without the name listed", "osduwi", "PPWW", {}},
        {"unreadable name is not excluded", "dwi", "PPWW", unreadable},
    };
    for (const auto& c : cases)
    {
        Reset();
        auto has = [&](char ch) { return strchr(c.pszSetup, ch) != nullptr; };
        DWORD dwProcess = has('o') ? dwOwn : c_dwNoProcess;
        simcap.bSelfCapture = has('s');
        simcap.bDebugExclusions = has('d');
        ASSERT_TRUE(has('u') ? simcap.aExclApplications.Remove(strExe.c_str())
                             : simcap.aExclApplications.Exclude(strUpper.c_str()));
        ASSERT_TRUE(!has('l') || (simcap.aInclProcesses.Include(dwProcess) &&
                                  simcap.aInclWindows.Include(Num(window.hwnd))));
        EXPECT_TRUE(simcap.AddProcessAndWindow(has('w') ? window.hwnd : nullptr, dwProcess, has('i')))
            << c.pszCase;
        EXPECT_EQ(c.pszListed, Listed(dwProcess, window.hwnd)) << c.pszCase;
        EXPECT_EQ(c.lines, capture.Lines()) << c.pszCase;
    }
}

// Set-up letters: v visible, t tool window, o owned by a window of this process, p process included,
// l owner included, n include new applications.
TEST_F(InclExclTest, NewWindowIsTakenInByVisibilityOwnerAndProcess)
{
    simcap.bSelfCapture = TRUE;
    dialogtest::OwnWindow owner;
    const struct
    {
        LPCSTR pszCase, pszSetup, pszListed;
    } cases[] = {
        {"window of an included process", "vp", "P-W-"},
        {"hidden window of an included process", "pn", "P---"},
        {"tool window of an included process", "vtpn", "P---"},
        {"hidden window of another process", "n", "-P-W"},
        {"tool window of another process", "vtn", "-P-W"},
        {"dialog of a listed window", "vopl", "PPWW"},
        {"dialog of no listed window", "von", "-P-W"},
    };
    for (const auto& c : cases)
    {
        Reset();
        auto has = [&](char ch) { return strchr(c.pszSetup, ch) != nullptr; };
        ASSERT_TRUE(!has('p') || simcap.aInclProcesses.Include(dwOwn));
        ASSERT_TRUE(!has('l') || simcap.aInclWindows.Include(Num(owner.hwnd)));
        simcap.bIncludeNewApps = has('n');
        dialogtest::OwnWindow created("new", has('t') ? WS_EX_TOOLWINDOW : 0,
                                      WS_POPUP | (has('v') ? WS_VISIBLE : 0),
                                      has('o') ? owner.hwnd : nullptr);
        ASSERT_NE(nullptr, created.hwnd) << c.pszCase;
        simcap.OnAddProcess(created.hwnd);
        EXPECT_EQ(c.pszListed, Listed(dwOwn, created.hwnd)) << c.pszCase;
    }
}

// The removal of a last window is seen with notepad below; here a sibling stays.
TEST_F(InclExclTest, RemovedWindowLeavesItsProcessWhileASiblingStaysInTheSameList)
{
    dialogtest::OwnWindow sibling;
    const struct
    {
        // "I" in the included windows, "E" in the excluded; listed: the process and the gone window after.
        LPCSTR pszCase, pszGoneIn, pszSiblingIn, pszListed;
    } cases[] = {
        {"included window with a sibling", "IE", "I", "PP-W"},
        {"excluded window with a sibling", "E", "E", "PP--"},
        {"included sibling does not keep it excluded", "E", "I", "P---"},
        {"unlisted window", "", "", "P---"},
    };
    for (const auto& c : cases)
    {
        Reset();
        ASSERT_TRUE(simcap.aInclProcesses.Include(dwOwn) && simcap.aExclProcesses.Exclude(dwOwn));
        for (const auto& entry :
             {std::make_pair(window.hwnd, c.pszGoneIn), std::make_pair(sibling.hwnd, c.pszSiblingIn)})
        {
            ASSERT_TRUE(!strchr(entry.second, 'I') || simcap.aInclWindows.Include(Num(entry.first)));
            ASSERT_TRUE(!strchr(entry.second, 'E') || simcap.aExclWindows.Exclude(Num(entry.first)));
        }
        simcap.OnRemoveProcess(window.hwnd);
        EXPECT_EQ(c.pszListed, Listed(dwOwn, window.hwnd)) << c.pszCase;
    }
}

TEST_F(InclExclTest, NewApplicationFollowsIncludeNewAppsAndLeavesWithItsLastWindow)
{
    ASSERT_NE(nullptr, s_pNotepad->hwnd) << "notepad did not show its window";
    for (BOOL bIncludeNewApps : {TRUE, FALSE})
    {
        Reset();
        simcap.bIncludeNewApps = bIncludeNewApps;
        simcap.OnAddProcess(s_pNotepad->hwnd);
        EXPECT_EQ(bIncludeNewApps ? "PPWW" : "-P-W", Listed(s_pNotepad->pi.dwProcessId, s_pNotepad->hwnd))
            << bIncludeNewApps;
        simcap.OnRemoveProcess(s_pNotepad->hwnd);
        EXPECT_EQ(bIncludeNewApps ? "-P-W" : "----", Listed(s_pNotepad->pi.dwProcessId, s_pNotepad->hwnd))
            << bIncludeNewApps;
    }
}

// Setup leaves out every process and window not chosen, and the recorder's own unless self capture
// chose them.
TEST_F(InclExclTest, SetupTakesInOnlyTheChosenTargets)
{
    ASSERT_NE(nullptr, s_pNotepad->hwnd) << "notepad did not show its window";
    char sz[MAX_PATH] = {};
    ASSERT_TRUE(simcap.GetProcessName(s_pNotepad->pi.dwProcessId, sz, sizeof(sz)));
    EXPECT_EQ(0, lstrcmpiA("notepad.exe", sz)) << sz;
    dialogtest::OwnWindow recorder("recorder", 0, WS_POPUP);
    g_shared.hwndSimCap = recorder.hwnd;
    for (BOOL bSelfCapture : {FALSE, TRUE})
    {
        Reset();
        simcap.bSelfCapture = bSelfCapture;
        ASSERT_TRUE(simcap.AddProcessAndWindow(nullptr, dwOwn, TRUE));
        ASSERT_TRUE(!bSelfCapture || simcap.AddProcessAndWindow(nullptr, s_pNotepad->pi.dwProcessId, TRUE));
        EXPECT_TRUE(simcap.SetupInclExcl());
        EXPECT_EQ(bSelfCapture ? "PPWW" : "-P-W", Listed(dwOwn, recorder.hwnd)) << bSelfCapture;
        EXPECT_EQ(bSelfCapture ? "PPWW" : "-P--", Listed(dwOwn, window.hwnd)) << bSelfCapture;
        EXPECT_EQ(bSelfCapture ? "PPWW" : "-P-W", Listed(s_pNotepad->pi.dwProcessId, s_pNotepad->hwnd))
            << bSelfCapture;
        EXPECT_EQ(std::vector<std::string>{}, capture.Lines());
    }
}
