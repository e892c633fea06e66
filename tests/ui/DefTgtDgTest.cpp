// tests/ui/DefTgtDgTest.cpp — the Define Target dialog run modally on the test thread while a second
// thread drives it through window messages; notepad processes and windows of this process are the
// applications to choose, and the recording path lives in a temporary INI.
//
// The unit-test executable links the library statically, so it has no hook module and its global shell
// hook cannot be installed: the tests call the hook procedure themselves, as another process would.
#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/PrivProf.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "resource.h"
#include "tests/config/ConfigTestFiles.h"
#include "tests/support/DiagCapture.h"
#include "ui/DefTgtDg.h"

namespace
{
const char c_szDialogCaption[] = "Define Target Under Test";
const char c_szSaveTitle[] = "Save Recorded File To";

// Runs fn on this thread's messages until it holds or the time is up.
bool WaitFor(const std::function<bool()>& fn, DWORD dwMs = 10000)
{
    for (DWORD dwStart = GetTickCount();;)
    {
        if (fn()) return true;
        if (GetTickCount() - dwStart > dwMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

struct OwnedSearch
{
    HWND hwndOwner;
    LPCSTR pszTitle; // null: any
    HWND hwndFound;
};

BOOL CALLBACK FindOwnedDialog(HWND hwnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<OwnedSearch*>(lParam);
    char szClass[16] = {}, szTitle[128] = {};
    GetClassNameA(hwnd, szClass, sizeof(szClass));
    GetWindowTextA(hwnd, szTitle, sizeof(szTitle));
    if (lstrcmpA(szClass, "#32770") || GetWindow(hwnd, GW_OWNER) != pSearch->hwndOwner ||
        !IsWindowVisible(hwnd) || (pSearch->pszTitle && lstrcmpA(szTitle, pSearch->pszTitle)))
        return TRUE;
    pSearch->hwndFound = hwnd;
    return FALSE;
}

// A visible dialog that hwndOwner opened (the Save dialog, About, a small dialog), or null.
HWND WaitForOwnedDialog(HWND hwndOwner, LPCSTR pszTitle = nullptr)
{
    OwnedSearch search = {hwndOwner, pszTitle, nullptr};
    WaitFor([&] {
        EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
        return search.hwndFound != nullptr;
    });
    return search.hwndFound;
}

std::string WindowText(HWND hwnd)
{
    char sz[600] = {};
    GetWindowTextA(hwnd, sz, sizeof(sz));
    return sz;
}

// Unowned, visible top-level windows of this process, made on the calling thread.
class OwnWindow
{
  public:
    explicit OwnWindow(LPCSTR pszTitle, DWORD dwExStyle = 0, DWORD dwStyle = WS_POPUP | WS_VISIBLE,
                       HWND hwndOwner = nullptr)
        : hwnd(CreateWindowExA(dwExStyle, "STATIC", pszTitle, dwStyle, 20, 20, 120, 40, hwndOwner, nullptr,
                               nullptr, nullptr))
    {
    }
    ~OwnWindow() { Destroy(); }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    void Destroy()
    {
        if (hwnd) DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    HWND hwnd;
};

// A started notepad and its main window; ended when the object goes.
class Notepad
{
  public:
    Notepad()
    {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        char szCommand[] = "notepad.exe";
        if (!CreateProcessA(nullptr, szCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return;
        WaitForInputIdle(pi.hProcess, 10000);
        WaitFor([this] {
            EnumWindows(FindMain, reinterpret_cast<LPARAM>(this));
            return hwnd != nullptr;
        });
    }
    ~Notepad() { End(); }
    Notepad(const Notepad&) = delete;
    Notepad& operator=(const Notepad&) = delete;

    void End()
    {
        if (!pi.hProcess) return;
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        pi = {};
    }

    PROCESS_INFORMATION pi = {};
    HWND hwnd = nullptr;

  private:
    static BOOL CALLBACK FindMain(HWND hwndTop, LPARAM lParam)
    {
        auto* pThis = reinterpret_cast<Notepad*>(lParam);
        DWORD dwProcessId = 0;
        GetWindowThreadProcessId(hwndTop, &dwProcessId);
        if (dwProcessId != pThis->pi.dwProcessId || !IsWindowVisible(hwndTop) || GetWindow(hwndTop, GW_OWNER))
            return TRUE;
        pThis->hwnd = hwndTop;
        return FALSE;
    }
};

// The list as the driver sees it, through the list box's own messages.
class ListView
{
  public:
    explicit ListView(HWND hdlg) : hwndList(GetDlgItem(hdlg, IDC_DT_APPLICATIONS)) {}

    int Count() const { return static_cast<int>(SendMessageA(hwndList, LB_GETCOUNT, 0, 0)); }
    std::string Text(int i) const
    {
        char sz[600] = {};
        LRESULT cch = SendMessageA(hwndList, LB_GETTEXTLEN, i, 0);
        if (cch < 0 || cch >= static_cast<LRESULT>(sizeof(sz))) return "";
        SendMessageA(hwndList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(sz));
        return sz;
    }
    const TargetEntry* Entry(int i) const
    {
        LRESULT n = SendMessageA(hwndList, LB_GETITEMDATA, i, 0);
        return n == LB_ERR ? nullptr : reinterpret_cast<const TargetEntry*>(n);
    }
    int IndexOf(HWND hwnd) const
    {
        for (int i = 0; i < Count(); i++)
            if (Entry(i) && Entry(i)->hwnd == hwnd) return i;
        return -1;
    }
    // The named windows that are listed, in name order, a ticked one marked with '*'.
    std::string State(const std::map<std::string, HWND>& names) const
    {
        std::string s;
        for (const auto& name : names)
        {
            int i = IndexOf(name.second);
            if (i < 0) continue;
            s += (s.empty() ? "" : " ") + name.first + (Entry(i)->bSelected ? "*" : "");
        }
        return s;
    }
    void Click(HWND hwnd, int x, UINT uDown = WM_LBUTTONDOWN) const
    {
        RECT rc = {};
        SendMessageA(hwndList, LB_GETITEMRECT, IndexOf(hwnd), reinterpret_cast<LPARAM>(&rc));
        LPARAM lParam = MAKELPARAM(rc.left + x, (rc.top + rc.bottom) / 2);
        SendMessageA(hwndList, uDown, MK_LBUTTON, lParam);
        SendMessageA(hwndList, WM_LBUTTONUP, 0, lParam);
    }
    void ClickCheckBox(HWND hwnd) const { Click(hwnd, 5); }
    void ClickTitle(HWND hwnd) const { Click(hwnd, 100); }
    void DoubleClickTitle(HWND hwnd) const
    {
        Click(hwnd, 100);
        Click(hwnd, 100, WM_LBUTTONDBLCLK);
    }
    void PressSpaceOn(HWND hwnd) const
    {
        SendMessageA(hwndList, LB_SETCURSEL, IndexOf(hwnd), 0);
        SendMessageA(hwndList, WM_CHAR, ' ', 0);
    }

    HWND hwndList;
};

// Runs the steps on a second thread once the dialog is up and initialised (visible); a dialog they leave
// open is cancelled, so a faulty dialog fails its test instead of hanging it.
class DialogDriver
{
  public:
    explicit DialogDriver(std::function<void(HWND)> fnSteps)
        : thread([this, fnSteps] {
              WaitFor([this] {
                  hdlg = FindWindowA("#32770", c_szDialogCaption);
                  return bStop || (hdlg && IsWindowVisible(hdlg));
              });
              if (!hdlg || !IsWindowVisible(hdlg)) return;
              fnSteps(hdlg);
              WaitFor([this] { return !IsWindow(hdlg); }, 3000);
              if (IsWindow(hdlg))
              {
                  bLeftOpen = true;
                  PostMessageA(hdlg, WM_COMMAND, IDCANCEL, 0);
              }
          })
    {
    }
    ~DialogDriver() { Join(); }
    void Join()
    {
        bStop = true;
        if (thread.joinable()) thread.join();
    }

    HWND hdlg = nullptr;
    bool bLeftOpen = false;

  private:
    std::atomic<bool> bStop{false};
    std::thread thread;
};
} // namespace

// A recorder object whose user configuration is a file in a temporary folder naming a recording file
// that does not exist yet; one notepad runs for the whole group.
class DefTgtDgTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { s_pNotepad = new Notepad; }
    static void TearDownTestSuite()
    {
        delete s_pNotepad;
        s_pNotepad = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, s_pNotepad->hwnd) << "notepad did not start";
        simcap.pPrivProf = new PrivProf(&simcap, hResModule, nullptr);
        ASSERT_TRUE(configtest::WriteBytes(ini, "[Settings]\r\nOutputPath=" + outputPath + "\r\n"));
        ASSERT_TRUE(simcap.pPrivProf->SetUserConfigPath(ini.c_str()));
        simcap.bUserAssistanceDlg = FALSE;
        g_pSimCap = &simcap;
        bSavedWow64 = g_bOwnProcessIsWow64;
    }
    void TearDown() override
    {
        g_pSimCap = nullptr;
        g_bOwnProcessIsWow64 = bSavedWow64;
        // The dialog leaves its handle behind for a second recorder; no later test should meet it.
        g_shared.hwndDefTgtDlg = nullptr;
        SetFileAttributesA(outputPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    // A dialog object as the capture lifecycle makes it.
    std::unique_ptr<DefTgtDg> MakeDialog()
    {
        std::unique_ptr<DefTgtDg> pDlg(new DefTgtDg(hResModule, nullptr, c_szDialogCaption, c_szSaveTitle));
        EXPECT_TRUE(pDlg->LoadOutputPath());
        return pDlg;
    }

    void AnswerBoxesWith(int nAnswer)
    {
        capture.reset();
        capture.reset(new DiagCapture(nAnswer));
    }

    std::string StoredOutputPath()
    {
        char sz[MAX_PATH + 1] = {};
        GetPrivateProfileStringA("Settings", "OutputPath", "", sz, sizeof(sz), ini.c_str());
        return sz;
    }

    static Notepad* s_pNotepad;
    HINSTANCE hResModule = GetModuleHandleA(nullptr);
    std::unique_ptr<DiagCapture> capture{new DiagCapture};
    configtest::TempDir dir;
    std::string ini = dir.Path("QM57REC.INI");
    std::string outputPath = dir.Path("rec.qmr");
    SIMCAP simcap;
    BOOL bSavedWow64 = FALSE;
};

Notepad* DefTgtDgTest::s_pNotepad;

TEST_F(DefTgtDgTest, ReportsADialogItCannotCreate)
{
    DefTgtDg dlg(GetModuleHandleA("kernel32.dll"), nullptr, c_szDialogCaption, c_szSaveTitle);
    ASSERT_TRUE(dlg.UseOutputPath(outputPath.c_str()));
    EXPECT_EQ(DEFTGT_FAILED, dlg.Show());
    auto boxes = capture->Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Error attempting to process the Define Target Dialog.", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(0x40040), boxes[0].uFlags);
    EXPECT_EQ(0u, dlg.ResultCount());

    DefTgtDg empty(hResModule, nullptr, c_szDialogCaption, c_szSaveTitle);
    EXPECT_FALSE(empty.UseOutputPath(""));
    EXPECT_FALSE(empty.UseOutputPath(std::string(MAX_PATH + 1, 'a').c_str()));
}

// Application windows only: visible, unowned, no tool windows; the recorder's own only with SelfCapture.
TEST_F(DefTgtDgTest, ListsApplicationWindowsWithTheirTitles)
{
    OwnWindow one("own window one"), two("own window two");
    OwnWindow tool("own tool window", WS_EX_TOOLWINDOW), hidden("own hidden window", 0, WS_POPUP);
    OwnWindow owned("own owned window", 0, WS_POPUP | WS_VISIBLE, one.hwnd);
    std::map<std::string, HWND> names = {{"hidden", hidden.hwnd}, {"notepad", s_pNotepad->hwnd},
                                         {"one", one.hwnd},       {"owned", owned.hwnd},
                                         {"tool", tool.hwnd},     {"two", two.hwnd}};
    for (BOOL bSelfCapture : {FALSE, TRUE})
    {
        simcap.bSelfCapture = bSelfCapture;
        auto pDlg = MakeDialog();
        std::string state, notepadText, pathShown;
        std::map<std::string, std::string> titles;
        bool bIncludeNewChecked = false, bWidthIsItemHeight = true;
        HWND hwndShared = nullptr;
        DialogDriver driver([&](HWND hdlg) {
            ListView list(hdlg);
            state = list.State(names);
            for (const auto& name : names)
                if (list.IndexOf(name.second) >= 0) titles[name.first] = list.Text(list.IndexOf(name.second));
            int cyItem = static_cast<int>(SendMessageA(list.hwndList, LB_GETITEMHEIGHT, 0, 0));
            for (int i = 0; i < list.Count(); i++)
                bWidthIsItemHeight =
                    bWidthIsItemHeight && list.Entry(i) && list.Entry(i)->cxCheckBox == cyItem;
            bIncludeNewChecked = IsDlgButtonChecked(hdlg, IDC_DT_INCLUDE_NEW) == BST_CHECKED;
            pathShown = WindowText(GetDlgItem(hdlg, IDC_DT_OUTPUT_PATH));
            hwndShared = g_shared.hwndDefTgtDlg;
            PostMessageA(hdlg, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(DEFTGT_CANCELLED, pDlg->Show());
        driver.Join();
        ASSERT_NE(nullptr, driver.hdlg);
        EXPECT_EQ(bSelfCapture ? "notepad one two" : "notepad", state);
        EXPECT_EQ(WindowText(s_pNotepad->hwnd), titles["notepad"]);
        EXPECT_EQ(bSelfCapture ? "own window two" : "", titles["two"]);
        EXPECT_TRUE(bWidthIsItemHeight);
        EXPECT_TRUE(bIncludeNewChecked);
        EXPECT_EQ(outputPath, pathShown);
        EXPECT_EQ(driver.hdlg, hwndShared);
    }
}

// A recorder under WOW64 offers only processes that run under WOW64 too.
TEST_F(DefTgtDgTest, UnderWow64ListsOnlyWow64Processes)
{
    typedef BOOL(WINAPI * PFN_IsWow64Process)(HANDLE, PBOOL);
    auto pfnIsWow64 = reinterpret_cast<PFN_IsWow64Process>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL bNotepadWow64 = FALSE;
    if (pfnIsWow64) pfnIsWow64(s_pNotepad->pi.hProcess, &bNotepadWow64);

    g_bOwnProcessIsWow64 = TRUE;
    auto pDlg = MakeDialog();
    std::string state;
    DialogDriver driver([&](HWND hdlg) {
        state = ListView(hdlg).State({{"notepad", s_pNotepad->hwnd}});
        PostMessageA(hdlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(DEFTGT_CANCELLED, pDlg->Show());
    driver.Join();
    ASSERT_NE(nullptr, driver.hdlg);
    EXPECT_EQ(bNotepadWow64 ? "notepad" : "", state);
}

// Check box click, space bar and double click all toggle; one application at a time, all its windows.
TEST_F(DefTgtDgTest, SelectionTakesOneApplicationWithAllItsWindows)
{
    simcap.bSelfCapture = TRUE;
    OwnWindow one("own window one"), two("own window two");
    std::map<std::string, HWND> names = {{"notepad", s_pNotepad->hwnd}, {"one", one.hwnd}, {"two", two.hwnd}};
    auto pDlg = MakeDialog();
    std::vector<std::string> states;
    int iCurSel = -1, iNotepad = -2;
    DialogDriver driver([&](HWND hdlg) {
        ListView list(hdlg);
        states.push_back(list.State(names));
        list.ClickCheckBox(one.hwnd);
        states.push_back(list.State(names));
        list.PressSpaceOn(s_pNotepad->hwnd);
        states.push_back(list.State(names));
        // A click on the title selects the line without touching the check box.
        list.ClickTitle(two.hwnd);
        list.ClickTitle(s_pNotepad->hwnd);
        states.push_back(list.State(names));
        iCurSel = static_cast<int>(SendMessageA(list.hwndList, LB_GETCURSEL, 0, 0));
        iNotepad = list.IndexOf(s_pNotepad->hwnd);
        list.DoubleClickTitle(two.hwnd);
        states.push_back(list.State(names));
        list.ClickCheckBox(one.hwnd);
        states.push_back(list.State(names));
        PostMessageA(hdlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(DEFTGT_CANCELLED, pDlg->Show());
    driver.Join();
    ASSERT_NE(nullptr, driver.hdlg);
    std::vector<std::string> expected = {"notepad one two",  "notepad one* two*", "notepad* one two",
                                         "notepad* one two", "notepad one* two*", "notepad one two"};
    EXPECT_EQ(expected, states);
    EXPECT_EQ(iNotepad, iCurSel);
}

// Windows announced by the shell hook come and go; one announced before it was shown (as Wine announces
// every window) comes in once shown; one that vanished unannounced goes when drawn.
TEST_F(DefTgtDgTest, FollowsWindowsThatOpenAndClose)
{
    simcap.bSelfCapture = TRUE;
    OwnWindow one("own window one");
    auto pDlg = MakeDialog();
    std::vector<std::string> states;
    std::string lateTitle;
    DialogDriver driver([&](HWND hdlg) {
        ListView list(hdlg);
        list.ClickCheckBox(one.hwnd);
        OwnWindow late("own late window"), vanishing("own vanishing window");
        OwnWindow tool("own late tool window", WS_EX_TOOLWINDOW),
            shown("own window shown later", 0, WS_POPUP);
        Notepad second;
        std::map<std::string, HWND> names = {
            {"late", late.hwnd},          {"notepad", s_pNotepad->hwnd}, {"one", one.hwnd},
            {"second", second.hwnd},      {"shown", shown.hwnd},         {"tool", tool.hwnd},
            {"vanishing", vanishing.hwnd}};
        states.push_back(list.State(names));
        for (HWND hwnd : {late.hwnd, vanishing.hwnd, tool.hwnd, second.hwnd, shown.hwnd})
            DefTgtDg::ListBoxShellHook(HSHELL_WINDOWCREATED, reinterpret_cast<WPARAM>(hwnd), 0);
        states.push_back(list.State(names));
        lateTitle = list.Text(list.IndexOf(late.hwnd));

        DefTgtDg::ListBoxShellHook(HSHELL_WINDOWDESTROYED, reinterpret_cast<WPARAM>(second.hwnd), 0);
        states.push_back(list.State(names));

        ShowWindow(shown.hwnd, SW_SHOWNA);
        WaitFor([&] { return list.IndexOf(shown.hwnd) >= 0; }, 3000);
        states.push_back(list.State(names));

        HWND hwndVanishing = vanishing.hwnd;
        vanishing.Destroy();
        InvalidateRect(list.hwndList, nullptr, TRUE);
        UpdateWindow(list.hwndList);
        WaitFor([&] { return list.IndexOf(hwndVanishing) < 0; }, 3000);
        states.push_back(list.State(names));
        PostMessageA(hdlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(DEFTGT_CANCELLED, pDlg->Show());
    driver.Join();
    ASSERT_NE(nullptr, driver.hdlg);
    // A new window of the chosen application comes in chosen; a tool window never comes in.
    std::vector<std::string> expected = {"notepad one*", "late* notepad one* second vanishing*",
                                         "late* notepad one* vanishing*",
                                         "late* notepad one* shown* vanishing*", "late* notepad one* shown*"};
    EXPECT_EQ(expected, states);
    EXPECT_EQ("own late window", lateTitle);
}

TEST_F(DefTgtDgTest, RefreshRebuildsTheList)
{
    auto pDlg = MakeDialog();
    std::vector<std::string> states;
    DialogDriver driver([&](HWND hdlg) {
        ListView list(hdlg);
        Notepad second;
        HWND hwndSecond = second.hwnd;
        std::map<std::string, HWND> names = {{"notepad", s_pNotepad->hwnd}, {"second", hwndSecond}};
        list.ClickCheckBox(s_pNotepad->hwnd);
        SendMessageA(hdlg, WM_COMMAND, IDC_DT_REFRESH, 0);
        states.push_back(list.State(names));
        second.End();
        WaitFor([&] { return !IsWindow(hwndSecond); }, 5000);
        SendMessageA(hdlg, WM_COMMAND, IDC_DT_REFRESH, 0);
        states.push_back(list.State(names));
        PostMessageA(hdlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(DEFTGT_CANCELLED, pDlg->Show());
    driver.Join();
    ASSERT_NE(nullptr, driver.hdlg);
    EXPECT_EQ((std::vector<std::string>{"notepad second", "notepad"}), states);
}

// OK with nothing ticked asks; Cancel in the question keeps the dialog, OK ends it as cancelled.
TEST_F(DefTgtDgTest, OkWithoutApplicationAsksBeforeExiting)
{
    for (int nAnswer : {IDCANCEL, IDOK})
    {
        AnswerBoxesWith(nAnswer);
        auto pDlg = MakeDialog();
        bool bOpenAfterOk = false;
        DialogDriver driver([&](HWND hdlg) {
            SendMessageA(hdlg, WM_COMMAND, IDOK, 0);
            bOpenAfterOk = IsWindow(hdlg) && !WaitFor([&] { return !IsWindow(hdlg); }, 500);
            if (bOpenAfterOk) PostMessageA(hdlg, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(DEFTGT_CANCELLED, pDlg->Show());
        driver.Join();
        ASSERT_NE(nullptr, driver.hdlg);
        EXPECT_EQ(nAnswer == IDCANCEL, bOpenAfterOk);
        EXPECT_TRUE(pDlg->Cancelled());
        EXPECT_EQ(0u, pDlg->ResultCount());
        auto boxes = capture->Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("No application has been selected. Exit?", boxes[0].text);
        EXPECT_EQ(static_cast<UINT>(0x40021), boxes[0].uFlags);
        EXPECT_EQ(driver.hdlg, boxes[0].hwndOwner);
    }
}

// OK hands over every entry with its tick, and the state of the new-applications box.
TEST_F(DefTgtDgTest, OkReturnsTheEntriesAndTheNewApplicationsSwitch)
{
    simcap.bSelfCapture = TRUE;
    OwnWindow one("own window one");
    for (BOOL bIncludeNew : {FALSE, TRUE})
    {
        auto pDlg = MakeDialog();
        int cListed = -1;
        DialogDriver driver([&](HWND hdlg) {
            ListView list(hdlg);
            list.ClickCheckBox(s_pNotepad->hwnd);
            CheckDlgButton(hdlg, IDC_DT_INCLUDE_NEW, bIncludeNew ? BST_CHECKED : BST_UNCHECKED);
            cListed = list.Count();
            PostMessageA(hdlg, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(DEFTGT_OK, pDlg->Show());
        driver.Join();
        ASSERT_NE(nullptr, driver.hdlg);
        EXPECT_FALSE(driver.bLeftOpen);
        EXPECT_FALSE(pDlg->Cancelled());
        EXPECT_EQ(bIncludeNew, pDlg->IncludeNewApps());
        ASSERT_EQ(cListed, static_cast<int>(pDlg->ResultCount()));
        std::string chosen;
        for (UINT i = 0; i < pDlg->ResultCount(); i++)
        {
            const TargetEntry* pEntry = pDlg->ResultAt(i);
            DWORD dwProcessId = 0;
            GetWindowThreadProcessId(pEntry->hwnd, &dwProcessId);
            EXPECT_EQ(dwProcessId, pEntry->dwProcessId);
            EXPECT_EQ(pEntry->dwProcessId == s_pNotepad->pi.dwProcessId, !!pEntry->bSelected);
            if (pEntry->hwnd == one.hwnd) chosen += pEntry->bSelected ? "one* " : "one ";
            if (pEntry->hwnd == s_pNotepad->hwnd) chosen += pEntry->bSelected ? "notepad*" : "notepad";
        }
        EXPECT_EQ("one notepad*", chosen);
        EXPECT_EQ(nullptr, pDlg->ResultAt(pDlg->ResultCount()));
        EXPECT_TRUE(capture->Boxes().empty());
    }
}

// Before OK ends the dialog the existing-file question and then the guidance dialog come up.
TEST_F(DefTgtDgTest, OkAsksAboutAnExistingFileThenShowsGuidance)
{
    ASSERT_TRUE(configtest::WriteBytes(outputPath, "PK"));
    simcap.bUserAssistanceDlg = TRUE;
    auto pDlg = MakeDialog();
    std::string existsTitle, guidanceTitle;
    bool bOpenAfterDeclining = false;
    DialogDriver driver([&](HWND hdlg) {
        ListView(hdlg).ClickCheckBox(s_pNotepad->hwnd);
        PostMessageA(hdlg, WM_COMMAND, IDOK, 0);
        HWND hExists = WaitForOwnedDialog(hdlg);
        existsTitle = WindowText(hExists);
        PostMessageA(hExists, WM_COMMAND, IDCANCEL, 0);
        WaitFor([&] { return !IsWindow(hExists); });
        bOpenAfterDeclining = IsWindow(hdlg) && !WaitFor([&] { return !IsWindow(hdlg); }, 500);

        PostMessageA(hdlg, WM_COMMAND, IDOK, 0);
        hExists = WaitForOwnedDialog(hdlg);
        PostMessageA(hExists, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return !IsWindow(hExists); });
        HWND hGuidance = WaitForOwnedDialog(hdlg);
        guidanceTitle = WindowText(hGuidance);
        PostMessageA(hGuidance, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(DEFTGT_OK, pDlg->Show());
    driver.Join();
    ASSERT_NE(nullptr, driver.hdlg);
    EXPECT_EQ("File Already Exists", existsTitle);
    EXPECT_TRUE(bOpenAfterDeclining);
    EXPECT_EQ("User Assistance", guidanceTitle);
}

TEST_F(DefTgtDgTest, OkRefusesAReadOnlyFile)
{
    ASSERT_TRUE(configtest::WriteBytes(outputPath, "PK"));
    SetFileAttributesA(outputPath.c_str(), FILE_ATTRIBUTE_READONLY);
    simcap.bOverwriteOKDlg = FALSE;
    auto pDlg = MakeDialog();
    bool bOpenAfterOk = false;
    DialogDriver driver([&](HWND hdlg) {
        ListView(hdlg).ClickCheckBox(s_pNotepad->hwnd);
        SendMessageA(hdlg, WM_COMMAND, IDOK, 0);
        bOpenAfterOk = IsWindow(hdlg) && !WaitFor([&] { return !IsWindow(hdlg); }, 500);
        PostMessageA(hdlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(DEFTGT_CANCELLED, pDlg->Show());
    driver.Join();
    EXPECT_TRUE(bOpenAfterOk);
    auto boxes = capture->Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Access to " + outputPath + " was denied.", boxes[0].text);
}

// Browse: a cancelled Save dialog changes nothing; a name typed without extension gets one, becomes the
// recording path and is stored on OK; the same file in other letter case is no change. Which extension a
// bare name gets is the Save dialog's choice: the default extension ".xml" that the dialog is given, or
// the ".qmr" of its selected filter (Wine's dialog, like newer Windows ones, prefers the filter's).
TEST_F(DefTgtDgTest, BrowseChoosesTheRecordingFile)
{
    const struct
    {
        const char* pszTyped; // null: the Save dialog is cancelled
        std::vector<std::string> accepted;
        BOOL bChanged;
    } cases[] = {
        {nullptr, {outputPath}, FALSE},
        {"other", {dir.Path("other.xml"), dir.Path("other.qmr")}, TRUE},
        {"REC.QMR", {outputPath}, FALSE},
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(configtest::WriteBytes(ini, "[Settings]\r\nOutputPath=" + outputPath + "\r\n"));
        auto pDlg = MakeDialog();
        std::string saveTitle, pathShown;
        DialogDriver driver([&](HWND hdlg) {
            ListView(hdlg).ClickCheckBox(s_pNotepad->hwnd);
            PostMessageA(hdlg, WM_COMMAND, IDC_DT_BROWSE, 0);
            HWND hSave = WaitForOwnedDialog(hdlg, c_szSaveTitle);
            saveTitle = WindowText(hSave);
            if (c.pszTyped)
            {
                // The file name box: a combo box in newer dialogs, an edit in older ones.
                HWND hName = GetDlgItem(hSave, cmb13);
                if (!hName) hName = GetDlgItem(hSave, edt1);
                SetWindowTextA(hName, c.pszTyped);
            }
            PostMessageA(hSave, WM_COMMAND, c.pszTyped ? IDOK : IDCANCEL, 0);
            WaitFor([&] { return !IsWindow(hSave); });
            pathShown = WindowText(GetDlgItem(hdlg, IDC_DT_OUTPUT_PATH));
            PostMessageA(hdlg, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(DEFTGT_OK, pDlg->Show());
        driver.Join();
        ASSERT_NE(nullptr, driver.hdlg);
        EXPECT_EQ(c_szSaveTitle, saveTitle);
        auto isAccepted = [&](const std::string& path) {
            return std::any_of(c.accepted.begin(), c.accepted.end(),
                               [&](const std::string& a) { return !lstrcmpiA(a.c_str(), path.c_str()); });
        };
        EXPECT_TRUE(isAccepted(pathShown)) << pathShown;
        EXPECT_EQ(c.bChanged, pDlg->OutputPathChanged());
        EXPECT_EQ(pathShown, pDlg->OutputPath());
        // Only a changed path is written; an unchanged one stays as the configuration had it.
        EXPECT_EQ(c.bChanged ? pathShown : outputPath, StoredOutputPath());
    }
}

// About and the settings dialog come up over the dialog and go; Help without a help file says so at once.
TEST_F(DefTgtDgTest, SecondaryDialogsAndHelpLeaveTheDialogUsable)
{
    auto pDlg = MakeDialog();
    std::string aboutTitle, settingsTitle;
    bool bHelpAnswered = false, bResponsive = false;
    DialogDriver driver([&](HWND hdlg) {
        PostMessageA(hdlg, WM_COMMAND, IDC_DT_ABOUT, 0);
        HWND hAbout = WaitForOwnedDialog(hdlg);
        aboutTitle = WindowText(hAbout);
        PostMessageA(hAbout, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return !IsWindow(hAbout); });

        PostMessageA(hdlg, WM_COMMAND, IDC_DT_SETTINGS, 0);
        HWND hSettings = WaitForOwnedDialog(hdlg);
        settingsTitle = WindowText(hSettings);
        PostMessageA(hSettings, WM_COMMAND, IDCANCEL, 0);
        WaitFor([&] { return !IsWindow(hSettings); });

        PostMessageA(hdlg, WM_COMMAND, IDC_DT_HELP, 0);
        bHelpAnswered = WaitFor([&] { return !capture->Boxes().empty(); }, 3000);
        DWORD_PTR dwResult = 0;
        bResponsive = SendMessageTimeoutA(hdlg, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &dwResult) != 0;
        PostMessageA(hdlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(DEFTGT_CANCELLED, pDlg->Show());
    driver.Join();
    ASSERT_NE(nullptr, driver.hdlg);
    EXPECT_FALSE(driver.bLeftOpen);
    EXPECT_NE(std::string::npos, aboutTitle.find("About")) << aboutTitle;
    EXPECT_EQ("Hotkey and Sound Settings", settingsTitle);
    EXPECT_TRUE(bHelpAnswered);
    EXPECT_TRUE(bResponsive);
    auto boxes = capture->Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find("SimRecorder.hlp")) << boxes[0].text;
}
