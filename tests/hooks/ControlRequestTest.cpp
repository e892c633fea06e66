// tests/hooks/ControlRequestTest.cpp — control data requests inside this process: the request texts
// that carry a folder through atoms, the bounded wait for a reply that does not come, replies whose
// counts or addresses are wrong, and a menu read by the real collector through a hook on this thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "hooks/ControlDataRecords.h"
#include "hooks/RequestText.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "snapshot/SimCapControls.h"
#include "snapshot/SimCapMenu.h"
#include "tests/output/TempCaptureFile.h"
#include "tests/support/DiagCapture.h"

namespace
{
LRESULT CALLBACK ReplyWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_COPYDATA && g_pSimCap) return g_pSimCap->OnCopyData(hwnd, wParam, lParam);
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}

// A recorder object whose window takes replies, and the request messages known to every hook.
class ControlRequestTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_pSimCap = &simcap;
        saved = g_shared;
        g_shared.nWM_GetListBoxData = RegisterWindowMessageA("QM57REC_WM_GetListBoxData");
        g_shared.nWM_GetMenuItemData = RegisterWindowMessageA("QM57REC_WM_GetMenuItemData");
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ReplyWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ControlRequestTestRecorder";
        RegisterClassA(&wc);
        g_shared.hwndSimCap = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                              wc.hInstance, nullptr);
        simcap.dwReplyWaitMs = 200;
    }
    void TearDown() override
    {
        if (hhk) UnhookWindowsHookEx(hhk);
        DestroyWindow(g_shared.hwndSimCap);
        g_shared = saved;
        g_pSimCap = nullptr;
    }
    // The collectors answer requests to this thread's windows, as they do inside a hooked target.
    void HookThisThread()
    {
        hhk = SetWindowsHookExA(WH_CALLWNDPROCRET, SIMCAP::CallWndRetHookProc, nullptr, GetCurrentThreadId());
        g_shared.hhkCallWndRet = hhk;
    }
    LRESULT Send(ULONG_PTR dwData, const void* pv, DWORD cb)
    {
        COPYDATASTRUCT cds = {dwData, cb, const_cast<void*>(pv)};
        return simcap.OnCopyData(nullptr, 0, reinterpret_cast<LPARAM>(&cds));
    }

    DiagCapture capture;
    SIMCAP simcap;
    SHARED_DATA saved = {};
    HHOOK hhk = nullptr;
};

TEST_F(ControlRequestTest, RequestTextsCarryTheirNumbersAndFolderThroughOneOrTwoAtoms)
{
    const int anWidths[] = {6, 6, 10, 6};
    const RequestTextNames names = {"no input\n", "no spillover\n", "too long\n"};
    const struct
    {
        UINT cchPath;    // characters of the folder path
        bool bSpillover; // a second atom takes the tail
        bool bAccepted;  // the collector takes the folder
    } cases[] = {
        {40, false, true}, {222, false, true}, {247, true, true}, {259, true, true}, {1, false, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.cchPath);
        std::string path =
            c.cchPath > 2 ? "C:" + std::string(c.cchPath - 2, 'p') : std::string(c.cchPath, 'p');
        RequestAtoms atoms;
        char szNumbers[32];
        wsprintfA(szNumbers, "%6d,%6u,%10u,", -7, 128u, 0xFFFFFFFEu);
        ASSERT_TRUE(atoms.Add(szNumbers, c_cchButtonRequestNumbers, c_cchButtonRequestPath, path.c_str()));
        EXPECT_EQ(c.bSpillover, atoms.Spillover() != 0);
        char szFirst[300] = {};
        EXPECT_LE(GlobalGetAtomNameA(atoms.Request(), szFirst, sizeof(szFirst)), 254u);

        LONG alValues[4] = {};
        char szBuffer[512];
        BOOL bRead = ReadRequestText(atoms.Request(), anWidths, 4, alValues, szBuffer, names, FALSE);
        ASSERT_EQ(c.bAccepted, bRead != 0);
        if (!bRead) continue;
        EXPECT_EQ(path + "\\", szBuffer);
        EXPECT_EQ(-7, alValues[0]);
        EXPECT_EQ(128, alValues[1]);
        EXPECT_EQ(0xFFFFFFFEu, static_cast<DWORD>(alValues[2]));
        EXPECT_EQ(atoms.Spillover(), static_cast<ATOM>(alValues[3]));
    }
    RequestAtoms tooLong;
    EXPECT_FALSE(tooLong.Add("123", 3, 10, std::string(260, 'p').c_str())) << "260 characters never fit";
}

// Nobody answers: the wait ends after its bound, and a thread that does not pump costs no more.
TEST_F(ControlRequestTest, ARequestWithoutReplyEndsAfterItsBound)
{
    SIMCAP_WINDOW_LISTBOX box(nullptr);
    HWND hwndSilent =
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HANDLE hReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND hwndHung = nullptr;
    std::thread hung([&] {
        hwndHung =
            CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        SetEvent(hReady);
        Sleep(2500); // never pumps
        DestroyWindow(hwndHung);
    });
    WaitForSingleObject(hReady, 5000);
    for (HWND hwnd : {hwndSilent, hwndHung})
    {
        DWORD dwStart = GetTickCount();
        EXPECT_FALSE(RequestControlData(hwnd, g_shared.nWM_GetListBoxData, 3, COPYDATA_LISTBOX_REPLY, &box,
                                        SIMCAP_WINDOW_LISTBOX::SetListBoxInfo));
        EXPECT_LT(GetTickCount() - dwStart, 3000u) << "one bounded send, then no wait";
        EXPECT_EQ(nullptr, box.pItemText);
    }
    hung.join();
    CloseHandle(hReady);
    DestroyWindow(hwndSilent);
}

TEST_F(ControlRequestTest, RepliesWithWrongCountsSizesOrAddressesAreDropped)
{
    SIMCAP_WINDOW_LISTBOX box(reinterpret_cast<HWND>(0x1234));
    box.nItemCount = 1;
    struct Reply
    {
        SIMCAP_COPYDATA_LISTBOX_GETDATA header;
        RECT rc;
        char szText[2];
        DWORD dwTrailer;
    };
    auto good = [&box] {
        Reply r = {
            {0x1234, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(&box)), 16, 0, 2}, {1, 2, 3, 4}, "A", 0};
        return r;
    };
    const struct
    {
        const char* pszCase;
        void (*pfnSpoil)(Reply&, DWORD&);
        const char* pszLine;
    } cases[] = {
        {"text beyond the record", [](Reply& r, DWORD&) { r.header.cbText = 200; },
         "announces more than it holds"},
        {"selection beyond the record", [](Reply& r, DWORD&) { r.header.cSel = 0x40000001; },
         "announces more than it holds"},
        {"half a rectangle", [](Reply& r, DWORD&) { r.header.cbRects = 8; }, "has a partial rectangle"},
        {"cut short", [](Reply&, DWORD& cb) { cb = 30; }, "announces more than it holds"},
        {"another window", [](Reply& r, DWORD&) { r.header.hwndListBox = 0x5678; },
         "reply for another window"},
        {"another item count", [](Reply& r, DWORD&) { r.header.cbRects = 32; },
         "announces more than it holds"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszCase);
        Reply r = good();
        DWORD cb = sizeof(r);
        c.pfnSpoil(r, cb);
        capture.Clear();
        simcap.BeginAwaitReply(COPYDATA_LISTBOX_REPLY, &box, SIMCAP_WINDOW_LISTBOX::SetListBoxInfo);
        Send(COPYDATA_LISTBOX_REPLY, &r, cb);
        EXPECT_FALSE(simcap.ReplyTaken());
        simcap.EndAwaitReply();
        EXPECT_EQ(nullptr, box.pItemText);
        EXPECT_NE(std::string::npos, capture.Joined().find(c.pszLine)) << capture.Joined();
    }
    Reply r = good();
    simcap.BeginAwaitReply(COPYDATA_LISTBOX_REPLY, &box, SIMCAP_WINDOW_LISTBOX::SetListBoxInfo);
    Send(COPYDATA_LISTBOX_REPLY, &r, sizeof(r));
    EXPECT_TRUE(simcap.ReplyTaken());
    simcap.EndAwaitReply();
    ASSERT_NE(nullptr, box.pItemText);
    EXPECT_STREQ("A", box.pItemText);
    EXPECT_EQ(4, box.prcItems[0].bottom);
}

// A long item text and control characters reach the file escaped; the backspace becomes a tab.
TEST_F(ControlRequestTest, MenuItemsAreReadByTheCollectorAndWrittenEscaped)
{
    HookThisThread();
    std::string longText(1000, 'x');
    longText[0] = 'L';
    longText[999] = 'Z';
    HMENU hmenuSub = CreatePopupMenu();
    AppendMenuA(hmenuSub, MF_STRING | MF_CHECKED, 11, longText.c_str());
    AppendMenuA(hmenuSub, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(hmenuSub, MF_STRING, 12,
                "a&b<c>\x07"
                "d\be#f");
    HMENU hmenuBar = CreateMenu();
    AppendMenuA(hmenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(hmenuSub), "&Top");
    HWND hwnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, hmenuBar, nullptr, nullptr);

    SIMCAP_MENU menu(hmenuBar, hwnd);
    ASSERT_TRUE(menu.Init());
    outputtest::TempCaptureFile file(simcap);
    ASSERT_TRUE(menu.Write(0));
    std::string xml = file.Contents();
    DestroyWindow(hwnd);

    for (const std::string& fragment :
         {std::string("<MenuItemCount>1</MenuItemCount>"), std::string("<Text>&amp;Top</Text>\n\t\t<Menu>"),
          std::string("<MenuItemCount>3</MenuItemCount>"), "<Text>" + longText + "</Text>",
          std::string(
              "<ID>11</ID>\n\t\t\t\t<Index>0</Index>\n\t\t\t\t<Type>0</Type>\n\t\t\t\t<State>8</State>"),
          std::string("<Type>2048</Type>"), std::string("<Text>a&amp;b&lt;c&gt;d&#x9;e&#x23;f</Text>")})
        EXPECT_NE(std::string::npos, xml.find(fragment)) << fragment << "\n" << xml.substr(0, 400);
    EXPECT_EQ(std::string::npos, xml.find("<Bmp")) << "no item has a bitmap";
}
} // namespace
