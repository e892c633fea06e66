// tests/snapshot/SnapshotTest.cpp — window trees, the configuration and one whole state written into a
// real capture file from windows of this process: which windows are written, where each element stands,
// and the values that come from our own rules rather than from the system.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "hooks/HookEvents.h"
#include "snapshot/SimCapConfigEvent.h"
#include "snapshot/SimCapGetStateEvent.h"
#include "snapshot/SimCapWindow.h"
#include "tests/output/TempCaptureFile.h"
#include "tests/output/WriterTestSupport.h"
#include "tests/support/DiagCapture.h"

namespace
{
const char c_szTopClass[] = "SnapshotTestTop";

std::string Num(HWND hwnd)
{
    return std::to_string(static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
}

// Each line as its indentation and element name only ("\t\t<Window", "\t\t</Window"), one per line:
// where each element stands, whatever values the system gives.
std::string Shape(const std::string& xml)
{
    std::istringstream in(xml);
    std::string line, shape;
    while (std::getline(in, line))
    {
        size_t iTag = line.find('<');
        if (iTag == std::string::npos) continue;
        size_t iEnd = line.find_first_of(" >", iTag);
        shape += line.substr(0, iTag) + line.substr(iTag, iEnd - iTag) + "\n";
    }
    return shape;
}

// Shape of a simple element at a depth.
std::string S(int nDepth, const std::string& name)
{
    return std::string(nDepth, '\t') + "<" + name + "\n";
}

std::string Open(int nDepth, const std::string& name)
{
    return S(nDepth, name);
}

std::string Close(int nDepth, const std::string& name)
{
    return std::string(nDepth, '\t') + "</" + name + "\n";
}

class SnapshotTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        // The first configuration file gives the class lists.
        std::string ini = rec.dir.Path("QM57REC.INI");
        WritePrivateProfileStringA("ButtonClasses", "Button", "1", ini.c_str());
        WritePrivateProfileStringA("EditClasses", "Edit", "1", ini.c_str());
        ASSERT_TRUE(rec->pPrivProf->LoadConfigurationFile(ini.c_str()));
        EventList().DeleteAll();
        SIMCAP_ELEMENT::ResetCounters();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = c_szTopClass;
        RegisterClassA(&wc);
    }
    void TearDown() override
    {
        EventList().DeleteAll();
        for (HWND hwnd : windows)
            DestroyWindow(hwnd);
        UnregisterClassA(c_szTopClass, GetModuleHandleA(nullptr));
    }

    HWND Top(LPCSTR pszText, DWORD dwStyle)
    {
        HWND hwnd = CreateWindowExA(0, c_szTopClass, pszText, dwStyle, 10, 20, 300, 200, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
        windows.push_back(hwnd);
        return hwnd;
    }
    static HWND Child(HWND hwndParent, LPCSTR pszClass, LPCSTR pszText, int nId)
    {
        return CreateWindowExA(0, pszClass, pszText, WS_CHILD | WS_VISIBLE, 5, 5 + 30 * nId, 100, 24,
                               hwndParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)),
                               GetModuleHandleA(nullptr), nullptr);
    }

    // Writes one object at a depth into a fresh capture file and answers the bytes.
    std::string WriteObject(WritableNode& node, int nDepth)
    {
        file.Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        EXPECT_TRUE(node.Write(nDepth));
        return file.Contents();
    }

    DiagCapture diag;
    writertest::TestRecorder rec;
    outputtest::TempCaptureFile file{*rec.pSimCap};
    std::vector<HWND> windows;
};

TEST_F(SnapshotTest, AWindowTreeStandsInEnumerationOrderWithItsOwnValues)
{
    HWND hwnd = Top("Top & <Text>", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND hwndButton = Child(hwnd, "BUTTON", "Press", 1);
    HWND hwndEdit = Child(hwnd, "EDIT", "typed", 2);
    HFONT hFont =
        CreateFontA(-13, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "Courier New");
    SendMessageA(hwndEdit, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    Child(hwnd, "STATIC", "", 3);

    SIMCAP_WINDOW* pWindow = SIMCAP_WINDOW::CreateWindowObject(hwnd);
    ASSERT_NE(nullptr, pWindow);
    pWindow->wp.showCmd = 10; // a value no name is known for
    std::string xml = WriteObject(*pWindow, 1);
    delete pWindow;
    DeleteObject(hFont);

    auto Window = [](int d, bool bButton, bool bText, bool bFont) {
        std::string s = Open(d, "Window") + S(d + 1, "hWnd") + S(d + 1, "hParentWnd") + S(d + 1, "ClassName");
        if (bButton) s += S(d + 2, "State");
        for (const char* psz :
             {"ProcessID", "ThreadID", "showCmd", "Visible", "Style", "ExtendedStyle", "ClassStyle", "ID"})
            s += S(d + 1, psz);
        s += Open(d + 1, "RECT") + S(d + 2, "left") + S(d + 2, "top") + S(d + 2, "right") +
             S(d + 2, "bottom") + Close(d + 1, "RECT") + S(d + 1, "TextLength");
        if (bText) s += S(d + 1, "Text");
        if (bFont)
            s += Open(d + 1, "Font") + S(d + 2, "FontFace") + S(d + 2, "lfHeight") + S(d + 2, "lfWeight") +
                 S(d + 2, "lfItalic") + S(d + 2, "lfUnderline") + Close(d + 1, "Font");
        return s;
    };
    EXPECT_EQ(Window(1, false, true, false) + Window(2, true, true, false) + Close(2, "Window") +
                  Window(2, false, true, true) + Close(2, "Window") + Window(2, false, false, false) +
                  Close(2, "Window") + Close(1, "Window"),
              Shape(xml));
    for (const std::string& line : std::vector<std::string>{
             "\t\t<showCmd>10</showCmd>\t<!-- unknown value -->", "\t\t<Text>Top &amp; &lt;Text&gt;</Text>",
             "\t\t<TextLength>12</TextLength>", "\t\t\t<hParentWnd>" + Num(hwnd) + "</hParentWnd>",
             "\t\t\t<ClassName>Button</ClassName>", "\t\t\t\t<State>0</State>",
             "\t\t\t\t<FontFace>Courier New</FontFace>", "\t\t\t\t<lfHeight>-13</lfHeight>",
             "\t\t\t\t<lfWeight>700</lfWeight>", "\t\t\t\t<lfItalic>1</lfItalic>",
             "\t\t\t<TextLength>0</TextLength>", "\t\t\t<ID>3</ID>",
             "\t\t\t<hWnd>" + Num(hwndButton) + "</hWnd>"})
        EXPECT_NE(std::string::npos, xml.find(line + "\n")) << line << "\n" << xml;
}

struct HiddenCase
{
    const char* pszName;
    BOOL bIncludeHidden;
    BOOL bTopVisible;
    BOOL bChildVisible; // as the child was when it was read
    BOOL bWriteHidden;  // the window of a destroy event
    bool bTopWritten;
    bool bChildWritten;
};

class HiddenWindowTest : public SnapshotTest, public ::testing::WithParamInterface<HiddenCase>
{
};

TEST_P(HiddenWindowTest, HiddenWindowsAreWrittenOnlyWhenWantedOrWithAVisibleDescendant)
{
    const HiddenCase& c = GetParam();
    rec->bIncludeHiddenWindows = c.bIncludeHidden;
    HWND hwnd = Top("hidden?", WS_OVERLAPPEDWINDOW | (c.bTopVisible ? WS_VISIBLE : 0));
    HWND hwndChild = Child(hwnd, "STATIC", "child", 1);
    SIMCAP_WINDOW* pWindow = SIMCAP_WINDOW::CreateWindowObject(hwnd);
    ASSERT_NE(nullptr, pWindow);
    ASSERT_NE(nullptr, pWindow->children.Head());
    static_cast<SIMCAP_WINDOW*>(pWindow->children.Head())->bVisible = c.bChildVisible;
    pWindow->bWriteHidden = c.bWriteHidden;
    std::string xml = WriteObject(*pWindow, 1);
    delete pWindow;
    EXPECT_EQ(c.bTopWritten, xml.find("<hWnd>" + Num(hwnd) + "</hWnd>") != std::string::npos) << xml;
    EXPECT_EQ(c.bChildWritten, xml.find("<hWnd>" + Num(hwndChild) + "</hWnd>") != std::string::npos) << xml;
}

INSTANTIATE_TEST_SUITE_P(Cases, HiddenWindowTest,
                         ::testing::Values(HiddenCase{"VisibleTree", 0, 1, 1, 0, true, true},
                                           HiddenCase{"HiddenAlone", 0, 0, 0, 0, false, false},
                                           HiddenCase{"HiddenAloneWanted", 1, 0, 0, 0, true, true},
                                           HiddenCase{"HiddenWithVisibleChild", 0, 0, 1, 0, true, true},
                                           HiddenCase{"VisibleWithHiddenChild", 0, 1, 0, 0, true, false},
                                           HiddenCase{"HiddenOfADestroyEvent", 0, 0, 0, 1, true, false}),
                         [](const ::testing::TestParamInfo<HiddenCase>& info) {
                             return std::string(info.param.pszName);
                         });

TEST_F(SnapshotTest, AComboBoxInsideAComboBoxExReportsTheParentsText)
{
    // A class of this module with the control's name stands in for the parent: only the names count.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ComboBoxEx32";
    ASSERT_TRUE(RegisterClassA(&wc));
    HWND hwndTop = Top("top", WS_OVERLAPPEDWINDOW);
    HWND hwndEx = CreateWindowExA(0, "ComboBoxEx32", "from the parent", WS_CHILD, 0, 0, 100, 100, hwndTop,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND hwndCombo = Child(hwndEx, "COMBOBOX", "", 1);
    HWND hwndOtherCombo = Child(hwndTop, "COMBOBOX", "", 2);
    for (HWND h : {hwndCombo, hwndOtherCombo})
    {
        SIMCAP_WINDOW* p = SIMCAP_WINDOW::CreateWindowObject(h);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(h == hwndCombo ? std::string("from the parent") : std::string(), p->pText);
        delete p;
    }
    DestroyWindow(hwndTop);
    UnregisterClassA("ComboBoxEx32", GetModuleHandleA(nullptr));
}

TEST_F(SnapshotTest, AStateListsTheIncludedProcessAndItsWindowsAndSavesTheScreen)
{
    rec->nSessionId = 1;
    char szFolder[MAX_PATH];
    ASSERT_GT(rec->GetSessionFolder(szFolder, sizeof(szFolder)), 0);
    ASSERT_TRUE(CreateDirectoryA(szFolder, nullptr));
    rec->aInclProcesses.Include(GetCurrentProcessId());
    HWND hwnd = Top("state", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Child(hwnd, "EDIT", "typed text", 1);
    SIMCAP_ELEMENT::SetCurrentStateNumber(4);

    auto* pState = new SIMCAP_GETSTATEEVENT;
    ASSERT_TRUE(pState->Init());
    EXPECT_TRUE(rec->aInclWindows.Find(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd))));
    EXPECT_EQ(0, rec->aExclProcesses.Find(GetCurrentProcessId()));
    std::string xml = WriteObject(*pState, 1);
    EventList().DeleteAll();

    EXPECT_EQ(5, SIMCAP_ELEMENT::CurrentStateNumber());
    std::string image = std::string(szFolder) + "\\SimCap_004.bmp";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(image.c_str()));
    std::string head = Open(1, "GetStateEvent") + S(2, "ID") + S(2, "Image") + Open(2, "Processes") +
                       Open(3, "Process") + S(4, "ProcessID") + S(4, "ModuleID") + S(4, "ProcessExeFile") +
                       S(4, "ModuleFileName") + S(4, "ModuleBaseName") + Close(3, "Process") +
                       Close(2, "Processes") + S(2, "FocusWnd") + Open(2, "Window");
    EXPECT_EQ(head, Shape(xml).substr(0, head.size())) << xml;
    EXPECT_EQ(Close(1, "GetStateEvent"),
              Shape(xml).substr(Shape(xml).size() - Close(1, "GetStateEvent").size()));
    for (const std::string& line : std::vector<std::string>{
             "\t\t<ID>4</ID>", "\t\t<Image>" + image + "</Image>",
             "\t\t\t\t<ProcessID>" + std::to_string(GetCurrentProcessId()) + "</ProcessID>",
             "\t\t\t<hWnd>" + Num(hwnd) + "</hWnd>", "\t\t\t\t<Text>typed text</Text>"})
        EXPECT_NE(std::string::npos, xml.find(line + "\n")) << line;
}

TEST(SnapshotNamesTest, ImageFilesHaveAtLeastThreeDigits)
{
    char sz[32];
    for (auto c : {std::make_pair(4, "SimCap_004.bmp"), std::make_pair(999, "SimCap_999.bmp"),
                   std::make_pair(1000, "SimCap_1000.bmp")})
    {
        ASSERT_TRUE(SIMCAP_GETSTATEEVENT::ImageFileName(c.first, sz, sizeof(sz)));
        EXPECT_STREQ(c.second, sz);
    }
    EXPECT_FALSE(SIMCAP_GETSTATEEVENT::ImageFileName(1000, sz, 15)) << "no room for the terminator";
}

TEST_F(SnapshotTest, TheConfigurationKeepsItsOwnDepths)
{
    auto* pConfig = new SIMCAP_CONFIGEVENT;
    ASSERT_TRUE(pConfig->Init());
    std::string xml = WriteObject(*pConfig, 1);
    EventList().DeleteAll();

    // Each group at its own depth, checked where one group or font ends and the next begins.
    std::string colours = S(5, "szCSDVersion") + Close(4, "OSVERSIONINFO") + Open(4, "SYSCOLORS");
    for (const auto& colour : SIMCAP_CONFIGEVENT::c_aSysColours)
        colours += S(5, colour.pszName);
    const std::string shape = Shape(xml);
    for (const std::string& run :
         {Open(2, "Configuration") + Open(4, "DEVICECAPS") + S(5, "BITPIXEL"),
          S(5, "LOGPIXELSY") + Close(4, "DEVICECAPS") + Open(4, "NONCLIENTMETRICS") + S(5, "iBorderWidth"),
          S(5, "iCaptionHeight") + Open(5, "lfCaptionFont") + Open(6, "LOGFONT") + S(7, "lfHeight"),
          S(7, "lfFaceName") + Close(6, "LOGFONT") + Close(5, "lfCaptionFont") + S(5, "iSmCaptionWidth"),
          Close(5, "lfMessageFont") + Close(4, "NONCLIENTMETRICS") + Open(4, "OSVERSIONINFO"),
          colours + Close(4, "SYSCOLORS") + Open(3, "SYSTEM_FONT") + Open(4, "LOGFONT") + S(5, "lfHeight"),
          S(5, "lfFaceName") + Close(4, "LOGFONT") + Close(3, "SYSTEM_FONT") + Close(2, "Configuration")})
        EXPECT_NE(std::string::npos, shape.find(run)) << run << "\n" << shape;

    HDC hdc = GetDC(nullptr);
    EXPECT_NE(std::string::npos,
              xml.find("<HORZRES>" + std::to_string(GetDeviceCaps(hdc, HORZRES)) + "</HORZRES>"));
    ReleaseDC(nullptr, hdc);
    EXPECT_NE(std::string::npos, xml.find("<dwPlatformId>2</dwPlatformId>\t<!-- VER_PLATFORM_WIN32_NT -->"));
}
} // namespace
