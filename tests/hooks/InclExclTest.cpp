// tests/hooks/InclExclTest.cpp — which processes and windows a recording takes in, with real windows of
// this process and of a started notepad.
#include <windows.h>

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "hooks/LateBoundApi.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "tests/support/DiagCapture.h"

namespace
{
const DWORD c_dwNoProcess = 0xFFFFFFF0;

DWORD Num(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd));
}

DWORD ProcessOf(HWND hwnd)
{
    DWORD dw = 0;
    GetWindowThreadProcessId(hwnd, &dw);
    return dw;
}

std::string OwnExeName()
{
    char sz[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, sz, sizeof(sz));
    std::string path(sz);
    return path.substr(path.find_last_of("\\/") + 1);
}

class TestWindow
{
  public:
    explicit TestWindow(DWORD dwStyle = WS_POPUP | WS_VISIBLE, DWORD dwExStyle = 0, HWND hwndOwner = nullptr)
        : hwnd(CreateWindowExA(dwExStyle, "STATIC", "incl", dwStyle, 10, 10, 60, 40, hwndOwner, nullptr,
                               nullptr, nullptr))
    {
    }
    ~TestWindow() { Destroy(); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    void Destroy()
    {
        if (hwnd) DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    HWND hwnd;
};

std::set<DWORD> RunningProcesses()
{
    std::set<DWORD> ids;
    HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL b = Process32First(h, &pe); b; b = Process32Next(h, &pe))
        ids.insert(pe.th32ProcessID);
    CloseHandle(h);
    return ids;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam)
{
    reinterpret_cast<std::set<HWND>*>(lParam)->insert(hwnd);
    return TRUE;
}

std::set<HWND> TopLevelWindows()
{
    std::set<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}
} // namespace

class InclExclTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        simcap.pLateBoundApi = new LateBoundApi;
        g_pSimCap = &simcap;
        dwSavedOwnProcessId = g_dwOwnProcessId;
        g_dwOwnProcessId = dwOwn;
        ASSERT_TRUE(simcap.aExclApplications.Exclude(CharUpperA(&strExeUpper[0])));
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

    DiagCapture capture;
    SIMCAP simcap;
    DWORD dwOwn = GetCurrentProcessId();
    DWORD dwSavedOwnProcessId = 0;
    std::string strExe = OwnExeName();
    std::string strExeUpper = strExe;
    TestWindow window;
};

TEST_F(InclExclTest, GetProcessNameReadsTheModuleNameOrSaysWhyNot)
{
    const struct
    {
        DWORD dwProcess;
        BOOL bResult;
        std::string name;
        std::vector<std::string> lines;
    } cases[] = {
        {dwOwn, TRUE, strExe, {}},
        {0, FALSE, "", {"SIMCAP:InclExcl:GetProcessName - Unable to get process name.\n"}},
        {c_dwNoProcess, FALSE, "", {"SIMCAP:InclExcl:GetProcessName - Unable to get process name.\n"}},
    };
    for (const auto& c : cases)
    {
        capture.Clear();
        char sz[MAX_PATH] = {};
        EXPECT_EQ(c.bResult, simcap.GetProcessName(c.dwProcess, sz, sizeof(sz))) << c.dwProcess;
        EXPECT_EQ(c.name, sz) << c.dwProcess;
        EXPECT_EQ(c.lines, capture.Lines()) << c.dwProcess;
    }
}

TEST_F(InclExclTest, DebugExclusionNeedsTheSwitchAndAListedReadableName)
{
    const std::vector<std::string> excluded = {"$$$$$ IsDebugExclusion -- <", strExe,
                                               "> is being excluded.\n"};
    const struct
    {
        BOOL bSwitch;
        bool bListed;
        DWORD dwProcess;
        BOOL bResult;
        std::vector<std::string> lines;
    } cases[] = {
        {FALSE, true, dwOwn, FALSE, {}},
        {FALSE, true, c_dwNoProcess, FALSE, {}},
        {TRUE, true, dwOwn, TRUE, excluded},
        {TRUE, false, dwOwn, FALSE, {}},
        {TRUE,
         true,
         c_dwNoProcess,
         FALSE,
         {"SIMCAP:InclExcl:GetProcessName - Unable to get process name.\n"}},
    };
    for (const auto& c : cases)
    {
        capture.Clear();
        simcap.bDebugExclusions = c.bSwitch;
        ASSERT_TRUE(c.bListed ? simcap.aExclApplications.Exclude(strExe.c_str())
                              : simcap.aExclApplications.Remove(strExe.c_str()));
        EXPECT_EQ(c.bResult, simcap.IsDebugExclusion(c.dwProcess)) << c.bSwitch << c.bListed << c.dwProcess;
        EXPECT_EQ(c.lines, capture.Lines()) << c.bSwitch << c.bListed << c.dwProcess;
    }
}

TEST_F(InclExclTest, AddProcessAndWindowClassifiesByOwnerSwitchesAndInclude)
{
    const std::vector<std::string> excluded = {"$$$$$ IsDebugExclusion -- <", strExe,
                                               "> is being excluded.\n"};
    const std::vector<std::string> unreadable = {
        "SIMCAP:InclExcl:GetProcessName - Unable to get process name.\n"};
    const struct
    {
        LPCSTR pszCase;
        bool bOwnProcess;
        BOOL bSelfCapture;
        BOOL bDebug;
        bool bWindow;
        bool bListedBefore;
        BOOL bInclude;
        LPCSTR pszListed;
        std::vector<std::string> lines;
    } cases[] = {
        {"own process left out", true, FALSE, FALSE, true, false, TRUE, "----", {}},
        {"own process left as it was", true, FALSE, FALSE, true, true, FALSE, "P-W-", {}},
        {"own process with self capture", true, TRUE, FALSE, true, false, TRUE, "PPWW", {}},
        {"included is listed twice", false, FALSE, FALSE, true, false, TRUE, "PPWW", {}},
        {"process without a window", false, FALSE, FALSE, false, false, TRUE, "PP--", {}},
        {"excluded", false, FALSE, FALSE, true, false, FALSE, "-P-W", {}},
        {"exclusion undoes inclusion", false, FALSE, FALSE, true, true, FALSE, "-P-W", {}},
        {"debug-excluded target", true, TRUE, TRUE, true, true, TRUE, "-P-W", excluded},
        {"listed name without the switch", true, TRUE, FALSE, true, false, TRUE, "PPWW", {}},
        {"unreadable name is not excluded", false, FALSE, TRUE, true, false, TRUE, "PPWW", unreadable},
        {"name read for an excluded process too", false, FALSE, TRUE, true, false, FALSE, "-P-W", unreadable},
    };
    for (const auto& c : cases)
    {
        Reset();
        DWORD dwProcess = c.bOwnProcess ? dwOwn : c_dwNoProcess;
        simcap.bSelfCapture = c.bSelfCapture;
        simcap.bDebugExclusions = c.bDebug;
        if (c.bListedBefore)
        {
            ASSERT_TRUE(simcap.aInclProcesses.Include(dwProcess) &&
                        simcap.aInclWindows.Include(Num(window.hwnd)));
        }
        EXPECT_TRUE(simcap.AddProcessAndWindow(c.bWindow ? window.hwnd : nullptr, dwProcess, c.bInclude))
            << c.pszCase;
        EXPECT_EQ(c.pszListed, Listed(dwProcess, window.hwnd)) << c.pszCase;
        EXPECT_EQ(c.lines, capture.Lines()) << c.pszCase;
    }
}

TEST_F(InclExclTest, LastListedWindowCountsOnlyLiveWindowsOfTheProcessInThatList)
{
    TestWindow sibling;
    for (BOOL bInIncluded : {TRUE, FALSE})
    {
        Reset();
        NUMBER_ARRAY& aList =
            bInIncluded ? static_cast<NUMBER_ARRAY&>(simcap.aInclWindows) : simcap.aExclWindows;
        NUMBER_ARRAY& aOther =
            bInIncluded ? static_cast<NUMBER_ARRAY&>(simcap.aExclWindows) : simcap.aInclWindows;
        EXPECT_TRUE(simcap.IsLastListedWindowOfProcess(window.hwnd, dwOwn, bInIncluded));
        DWORD dwSibling = Num(sibling.hwnd);
        ASSERT_TRUE(aOther.AppendSorted(&dwSibling));
        EXPECT_TRUE(simcap.IsLastListedWindowOfProcess(window.hwnd, dwOwn, bInIncluded)) << "the other list";
        ASSERT_TRUE(aList.AppendSorted(&dwSibling));
        EXPECT_FALSE(simcap.IsLastListedWindowOfProcess(window.hwnd, dwOwn, bInIncluded)) << bInIncluded;
        EXPECT_TRUE(simcap.IsLastListedWindowOfProcess(sibling.hwnd, dwOwn, bInIncluded)) << bInIncluded;
        EXPECT_TRUE(simcap.IsLastListedWindowOfProcess(window.hwnd, c_dwNoProcess, bInIncluded))
            << bInIncluded;
    }
    sibling.Destroy();
    EXPECT_TRUE(simcap.IsLastListedWindowOfProcess(window.hwnd, dwOwn, FALSE)) << "a destroyed window";
}

TEST_F(InclExclTest, NewWindowIsTakenInByVisibilityOwnerAndProcess)
{
    simcap.bSelfCapture = TRUE;
    TestWindow owner;
    const struct
    {
        LPCSTR pszCase;
        DWORD dwStyle;
        DWORD dwExStyle;
        bool bOwned;
        bool bProcessIncluded;
        bool bOwnerListed;
        BOOL bIncludeNewApps;
        LPCSTR pszListed;
    } cases[] = {
        {"window of an included process", WS_POPUP | WS_VISIBLE, 0, false, true, false, FALSE, "P-W-"},
        {"new application taken in", WS_POPUP | WS_VISIBLE, 0, false, false, false, TRUE, "PPWW"},
        {"new application left out", WS_OVERLAPPED | WS_VISIBLE, 0, false, false, false, FALSE, "-P-W"},
        {"hidden window", WS_POPUP, 0, false, true, false, TRUE, "-P-W"},
        {"tool window", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, false, true, false, TRUE, "-P-W"},
        {"dialog of a listed window", WS_POPUP | WS_VISIBLE, 0, true, true, true, FALSE, "PPWW"},
        {"dialog of no listed window", WS_POPUP | WS_VISIBLE, 0, true, false, false, TRUE, "-P-W"},
    };
    for (const auto& c : cases)
    {
        Reset();
        if (c.bProcessIncluded)
        {
            ASSERT_TRUE(simcap.aInclProcesses.Include(dwOwn));
        }
        if (c.bOwnerListed)
        {
            ASSERT_TRUE(simcap.aInclWindows.Include(Num(owner.hwnd)));
        }
        simcap.bIncludeNewApps = c.bIncludeNewApps;
        TestWindow created(c.dwStyle, c.dwExStyle, c.bOwned ? owner.hwnd : nullptr);
        ASSERT_NE(nullptr, created.hwnd) << c.pszCase;
        simcap.OnAddProcess(created.hwnd);
        EXPECT_EQ(c.pszListed, Listed(dwOwn, created.hwnd)) << c.pszCase;
    }

    Reset();
    simcap.bSelfCapture = FALSE;
    simcap.bIncludeNewApps = TRUE;
    simcap.OnAddProcess(window.hwnd);
    EXPECT_EQ("----", Listed(dwOwn, window.hwnd)) << "own window without self capture";
}

TEST_F(InclExclTest, RemovedWindowTakesItsProcessAlongWhenItWasTheLastInItsList)
{
    TestWindow sibling;
    const struct
    {
        LPCSTR pszCase;
        LPCSTR pszGoneIn; // "I" included windows, "E" excluded windows
        LPCSTR pszSiblingIn;
        LPCSTR pszListed; // process and gone window afterwards
    } cases[] = {
        {"last included window", "IE", "", "-P-W"},
        {"included window with a sibling", "IE", "I", "PP-W"},
        {"last excluded window", "E", "", "P---"},
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
            if (strchr(entry.second, 'I'))
            {
                ASSERT_TRUE(simcap.aInclWindows.Include(Num(entry.first)));
            }
            if (strchr(entry.second, 'E'))
            {
                ASSERT_TRUE(simcap.aExclWindows.Exclude(Num(entry.first)));
            }
        }
        simcap.OnRemoveProcess(window.hwnd);
        EXPECT_EQ(c.pszListed, Listed(dwOwn, window.hwnd)) << c.pszCase;
    }
}

TEST_F(InclExclTest, EachClearEmptiesItsOwnListOnly)
{
    NUMBER_ARRAY* apLists[] = {&simcap.aExclProcesses, &simcap.aExclWindows, &simcap.aInclProcesses,
                               &simcap.aInclWindows};
    BOOL(SIMCAP::*apfnClear[])
    () = {&SIMCAP::ClearExcludedProcesses, &SIMCAP::ClearExcludedWindows, &SIMCAP::ClearIncludedProcesses,
          &SIMCAP::ClearIncludedWindows};
    for (size_t i = 0; i < ARRAYSIZE(apfnClear); i++)
    {
        for (NUMBER_ARRAY* pList : apLists)
            for (DWORD dw : {7u, 3u})
                ASSERT_TRUE(pList->AppendSorted(&dw));
        EXPECT_TRUE((simcap.*apfnClear[i])()) << i;
        for (size_t j = 0; j < ARRAYSIZE(apLists); j++)
            EXPECT_EQ(i == j ? 0 : 2, apLists[j]->Count()) << i << " " << j;
        Reset();
    }
}

TEST_F(InclExclTest, SetupCompletesTheListsFromEveryWindowAndProcess)
{
    TestWindow recorder(WS_POPUP);
    g_shared.hwndSimCap = recorder.hwnd;
    const struct
    {
        BOOL bSelfCapture;
        bool bOwnIncluded;
        LPCSTR pszRecorder; // own process and recorder window afterwards
        LPCSTR pszOwnWindow;
    } cases[] = {
        {FALSE, false, "-P-W", "-P--"},
        {TRUE, false, "-P-W", "-P-W"},
        {TRUE, true, "PPWW", "PPWW"},
    };
    for (const auto& c : cases)
    {
        Reset();
        simcap.bSelfCapture = c.bSelfCapture;
        if (c.bOwnIncluded)
        {
            ASSERT_TRUE(simcap.AddProcessAndWindow(nullptr, dwOwn, TRUE));
        }
        std::set<DWORD> processes = RunningProcesses();
        std::set<HWND> windows = TopLevelWindows();
        EXPECT_TRUE(simcap.SetupInclExcl()) << c.bSelfCapture << c.bOwnIncluded;
        EXPECT_EQ(c.pszRecorder, Listed(dwOwn, recorder.hwnd)) << c.bSelfCapture << c.bOwnIncluded;
        EXPECT_EQ(c.pszOwnWindow, Listed(dwOwn, window.hwnd)) << c.bSelfCapture << c.bOwnIncluded;
        EXPECT_EQ(std::vector<std::string>{}, capture.Lines());

        std::set<DWORD> still = RunningProcesses();
        for (DWORD dw : processes)
        {
            if (dw != dwOwn && still.count(dw))
            {
                EXPECT_EQ("-P", Listed(dw, nullptr).substr(0, 2)) << "process " << dw;
            }
        }
        for (HWND hwnd : windows)
        {
            if (ProcessOf(hwnd) != dwOwn && IsWindow(hwnd))
            {
                EXPECT_EQ("-W", Listed(0, hwnd).substr(2)) << "window " << Num(hwnd);
            }
        }
    }
}

// A second application, started once for the group and ended after it.
class InclExclOtherProcessTest : public InclExclTest
{
  protected:
    static void SetUpTestSuite()
    {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        char szCommand[] = "notepad.exe";
        if (!CreateProcessA(nullptr, szCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &s_pi))
            return;
        WaitForInputIdle(s_pi.hProcess, 10000);
        for (DWORD dwStart = GetTickCount(); !s_hwndNotepad && GetTickCount() - dwStart < 15000; Sleep(50))
            EnumWindows(FindNotepad, 0);
    }
    static void TearDownTestSuite()
    {
        if (!s_pi.hProcess) return;
        TerminateProcess(s_pi.hProcess, 0);
        WaitForSingleObject(s_pi.hProcess, 5000);
        CloseHandle(s_pi.hThread);
        CloseHandle(s_pi.hProcess);
        s_pi = {};
        s_hwndNotepad = nullptr;
    }
    static BOOL CALLBACK FindNotepad(HWND hwnd, LPARAM)
    {
        if (ProcessOf(hwnd) != s_pi.dwProcessId || !IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER))
            return TRUE;
        s_hwndNotepad = hwnd;
        return FALSE;
    }
    void SetUp() override
    {
        InclExclTest::SetUp();
        ASSERT_NE(nullptr, s_hwndNotepad) << "notepad did not show its window";
        dwNotepad = s_pi.dwProcessId;
    }

    static PROCESS_INFORMATION s_pi;
    static HWND s_hwndNotepad;
    DWORD dwNotepad = 0;
};
PROCESS_INFORMATION InclExclOtherProcessTest::s_pi;
HWND InclExclOtherProcessTest::s_hwndNotepad;

TEST_F(InclExclOtherProcessTest, ReadsTheNameOfAnotherProcess)
{
    char sz[MAX_PATH] = {};
    ASSERT_TRUE(simcap.GetProcessName(dwNotepad, sz, sizeof(sz)));
    EXPECT_EQ(0, lstrcmpiA("notepad.exe", sz)) << sz;
}

TEST_F(InclExclOtherProcessTest, NewApplicationFollowsIncludeNewAppsAndLeavesWithItsLastWindow)
{
    for (BOOL bIncludeNewApps : {TRUE, FALSE})
    {
        Reset();
        simcap.bIncludeNewApps = bIncludeNewApps;
        simcap.OnAddProcess(s_hwndNotepad);
        EXPECT_EQ(bIncludeNewApps ? "PPWW" : "-P-W", Listed(dwNotepad, s_hwndNotepad)) << bIncludeNewApps;
        simcap.OnRemoveProcess(s_hwndNotepad);
        EXPECT_EQ(bIncludeNewApps ? "-P-W" : "----", Listed(dwNotepad, s_hwndNotepad)) << bIncludeNewApps;
    }
}

TEST_F(InclExclOtherProcessTest, ChosenTargetIsIncludedUnlessItsNameIsDebugExcluded)
{
    ASSERT_TRUE(simcap.aExclApplications.Exclude("NOTEPAD.EXE"));
    for (BOOL bDebug : {FALSE, TRUE})
    {
        Reset();
        simcap.bDebugExclusions = bDebug;
        ASSERT_TRUE(simcap.AddProcessAndWindow(nullptr, dwNotepad, TRUE));
        EXPECT_EQ(bDebug ? "-P" : "PP", Listed(dwNotepad, nullptr).substr(0, 2)) << bDebug;
        EXPECT_EQ(bDebug ? 3u : 0u, capture.Lines().size()) << capture.Joined();
        LPCSTR pszExpected = bDebug ? "$$$$$ IsDebugExclusion -- <notepad.exe> is being excluded.\n" : "";
        EXPECT_EQ(0, lstrcmpiA(pszExpected, capture.Joined().c_str())) << capture.Joined();

        simcap.bDebugExclusions = FALSE;
        ASSERT_TRUE(simcap.SetupInclExcl());
        EXPECT_EQ(bDebug ? "-P-W" : "PPWW", Listed(dwNotepad, s_hwndNotepad)) << bDebug;
    }
}
