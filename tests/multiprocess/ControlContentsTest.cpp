// tests/multiprocess/ControlContentsTest.cpp — the contents of the target's controls and menus, read by
// the collectors inside the target and written by this recorder: the list box, combo boxes, toolbar,
// menu bar with bitmaps and the bitmap button, as they stand in the capture file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "hooks/SharedData.h"
#include "snapshot/SimCapWindow.h"
#include "tests/config/ConfigTestFiles.h"
#include "tests/multiprocess/HookHarness.h"
#include "tests/output/TempCaptureFile.h"
#include "tests/support/ClassLists.h"
#include "tests/targets/TargetApp.h"

namespace
{

class ControlContentsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(recorder.Ready());
        ASSERT_TRUE(target.Start());
        // Bitmaps go into a session folder of their own.
        recorder.pSimCap->nSessionId = 9000 + static_cast<int>(GetCurrentProcessId() % 900);
        char sz[MAX_PATH + 1] = {};
        ASSERT_GT(recorder.pSimCap->GetSessionFolder(sz, sizeof(sz)), 0);
        folder = sz;
        CreateDirectoryA(folder.c_str(), nullptr);
        recorder.pSimCap->nImageCounter = 0;
        recorder.pSimCap->HookAll(recorder.hwnd);
    }
    void TearDown() override
    {
        recorder.pSimCap->UnhookAll(recorder.hwnd);
        configtest::RemoveTree(folder);
    }

    // The target's main window as the capture file holds it.
    std::string Snapshot()
    {
        outputtest::TempCaptureFile file(*recorder.pSimCap);
        SIMCAP_WINDOW* pWindow = SIMCAP_WINDOW::CreateWindowObject(target.hwndMain);
        EXPECT_NE(nullptr, pWindow);
        if (!pWindow) return std::string();
        EXPECT_TRUE(pWindow->Write(1));
        delete pWindow;
        return file.Contents();
    }

    ClassListsBesideProgram classLists; // before the recorder, which reads them
    RecorderUnderTest recorder;
    TargetProcess target;
    std::string folder;
};

// Each fragment stands in the file as written, tabs and line ends included.
TEST_F(ControlContentsTest, ItemsMenusAndBitmapsOfTheTargetStandInTheCaptureFile)
{
    // Each reply ends its wait at once: the snapshot's twenty-odd requests take less than five waits.
    DWORD dwStart = GetTickCount();
    std::string xml = Snapshot();
    EXPECT_LT(GetTickCount() - dwStart, 5 * recorder.pSimCap->dwReplyWaitMs);
    const char* const apszFragments[] = {
        // list box: four items, the first and third selected
        "<ItemCount>4</ItemCount>", "<SelCount>2</SelCount>", "<Selection>1,3</Selection>",
        "<ItemNo>4</ItemNo>\n\t\t\t\t\t\t<Text>Delta</Text>",
        // drop-down combo box, the second item current, and the extended combo box's items
        "<ComboBox>", "<CurSel>1</CurSel>", "<ItemNo>3</ItemNo>\n\t\t\t\t\t\t<Text>Blue</Text>",
        "<Text>Two</Text>",
        // toolbar buttons with text and tool tip
        "<ButtonCount>3</ButtonCount>", "<pszText>Save</pszText>", "<lpszText>Make a new page</lpszText>",
        // menu bar, sub-menus nested inside their items, bitmaps named after their files
        "<MenuItemCount>2</MenuItemCount>", "<Text>&amp;File</Text>", "<Text>E&amp;xit</Text>",
        "<BmpItem>mnu_item_1.bmp</BmpItem>", "<BmpChecked>mnu_chkd_2.bmp</BmpChecked>",
        "<BmpUnchecked>mnu_unchkd_3.bmp</BmpUnchecked>", "<Text>Deeper</Text>",
        // the bitmap button's image
        "<ButtonImage>bttn_img_4.bmp</ButtonImage>"};
    for (const char* psz : apszFragments)
        EXPECT_NE(std::string::npos, xml.find(psz)) << psz;
    EXPECT_EQ(4u, recorder.pSimCap->nImageCounter);
    // The "Checked" item is checked; the sub-menu "More" stands after its item's text.
    EXPECT_NE(std::string::npos, xml.find("<State>8</State>"));
    EXPECT_LT(xml.find("<Text>&amp;More</Text>"), xml.find("<Text>Deeper</Text>"));

    for (const char* pszName : {"mnu_item_1.bmp", "mnu_chkd_2.bmp", "mnu_unchkd_3.bmp", "bttn_img_4.bmp"})
    {
        std::string bmp = configtest::ReadBytes(folder + "\\" + pszName);
        ASSERT_GE(bmp.size(), 54u) << pszName;
        EXPECT_EQ("BM", bmp.substr(0, 2)) << pszName;
        EXPECT_EQ(16, *reinterpret_cast<const LONG*>(&bmp[18])) << pszName << " width";
    }
    EXPECT_TRUE(recorder.diag.Boxes().empty()) << recorder.diag.Joined();
}

// A target whose hook never answers costs each request its wait; the window is still written, its items
// with empty texts and no bitmap names.
TEST_F(ControlContentsTest, ATargetThatNeverRepliesCostsTheBoundedWaitPerRequest)
{
    UnhookWindowsHookEx(g_shared.hhkCallWndRet);
    g_shared.hhkCallWndRet = nullptr;
    PumpFor(100); // the target lets go of the hook
    recorder.pSimCap->dwReplyWaitMs = 100;
    DWORD dwStart = GetTickCount();
    std::string xml = Snapshot();
    DWORD dwSpent = GetTickCount() - dwStart;

    // list box 1, combo boxes 2, toolbar buttons 3, menu bar count 1, bitmap button 1
    EXPECT_LT(dwSpent, 8u * 100 + 2000) << "each request waits at most its bound";
    EXPECT_NE(std::string::npos, xml.find("<ItemCount>4</ItemCount>"));
    EXPECT_NE(std::string::npos, xml.find("<ItemNo>1</ItemNo>\n\t\t\t\t\t\t<Text></Text>"));
    EXPECT_NE(std::string::npos, xml.find("<MenuItemCount>0</MenuItemCount>"));
    EXPECT_EQ(std::string::npos, xml.find("<ButtonImage>"));
    EXPECT_EQ(0u, recorder.pSimCap->nImageCounter);
}
} // namespace
