// tests/app/ResourceModuleTest.cpp — the host's resources, loaded the way the recorder loads them.
// The unit test executable is built with the host's resource script, so its own module is the
// resource module here.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/RecorderIds.h"

namespace
{

HINSTANCE ResModule()
{
    return GetModuleHandleA(nullptr);
}

// Loads the icon as the tray and the window class do and answers its colour pixels, top row first; empty
// when it does not load at exactly that size.
std::vector<DWORD> ReadIcon(UINT nId, int cxy)
{
    std::vector<DWORD> bgra;
    HICON hicon = static_cast<HICON>(
        LoadImageA(ResModule(), MAKEINTRESOURCEA(nId), IMAGE_ICON, cxy, cxy, LR_DEFAULTCOLOR));
    ICONINFO ii = {};
    BOOL bOk = hicon && GetIconInfo(hicon, &ii);
    if (hicon) DestroyIcon(hicon);
    BITMAP bm = {};
    if (bOk && ii.hbmColor && GetObjectA(ii.hbmColor, sizeof(bm), &bm) && bm.bmWidth == cxy &&
        bm.bmHeight == cxy)
    {
        BITMAPINFO bmi = {{sizeof(BITMAPINFOHEADER), cxy, -cxy, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        bgra.assign(static_cast<size_t>(cxy) * cxy, 0);
        HDC hdc = GetDC(nullptr);
        if (GetDIBits(hdc, ii.hbmColor, 0, cxy, bgra.data(), &bmi, DIB_RGB_COLORS) != cxy) bgra.clear();
        ReleaseDC(nullptr, hdc);
    }
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    if (ii.hbmMask) DeleteObject(ii.hbmMask);
    return bgra;
}

// The tray shows 41 when idle and alternates 42/43 while recording and 44/45 while stopping: each loads at
// the small and large size, is neither blank nor a full square, and every two are told apart at a glance.
TEST(ResourceModuleIcons, EachIconLoadsAtBothSizesAndDiffersClearlyFromTheOthers)
{
    const UINT anIds[] = {IDI_IDLE, IDI_RECORDING_1, IDI_RECORDING_2, IDI_STOPPING_1, IDI_STOPPING_2};
    for (int cxy : {16, 32})
    {
        std::vector<DWORD> icons[5];
        for (int i = 0; i < 5; ++i)
        {
            icons[i] = ReadIcon(anIds[i], cxy);
            ASSERT_FALSE(icons[i].empty()) << "icon " << anIds[i] << " size " << cxy;
            auto cOpaque =
                std::count_if(icons[i].begin(), icons[i].end(), [](DWORD v) { return (v >> 24) != 0; });
            EXPECT_GT(cOpaque, cxy * cxy / 8) << "icon " << anIds[i] << " size " << cxy;
            EXPECT_LT(cOpaque, cxy * cxy) << "icon " << anIds[i] << " size " << cxy;
        }
        for (int i = 0; i < 5; ++i)
            for (int j = i + 1; j < 5; ++j)
            {
                int cDifferent = 0;
                for (int k = 0; k < cxy * cxy; ++k)
                    cDifferent += icons[i][k] != icons[j][k];
                EXPECT_GT(cDifferent, cxy * cxy / 8)
                    << "icons " << anIds[i] << ", " << anIds[j] << " at " << cxy;
            }
    }
}

const UINT kMenuCommands[] = {
    IDM_DEFINE_TARGET,  IDM_STOP,           IDM_PAUSE,        IDM_RESUME,         IDM_STEP,
    IDM_INSERT_COMMENT, IDM_HIDDEN_WINDOWS, IDM_MOUSE_EVENTS, IDM_JOURNAL_EVENTS, IDM_EXIT};

// Every command the recorder handles, once and enabled, and nothing else (a dead item); position 8 is a
// real item whose enabling follows its own column of the state table, so it is none of the items the
// recorder greys by command, or the two rules would fight.
TEST(ResourceModuleMenu, PopupOffersExactlyTheHandledCommandsAndAPositionEightItem)
{
    HMENU hmenu = LoadMenuA(ResModule(), "SimCap");
    ASSERT_NE(nullptr, hmenu);
    HMENU hpopup = GetSubMenu(hmenu, 0);
    ASSERT_NE(nullptr, hpopup);
    std::vector<HMENU> pending = {hpopup};
    std::multiset<UINT> seen;
    while (!pending.empty())
    {
        HMENU h = pending.back();
        pending.pop_back();
        for (int i = 0; i < GetMenuItemCount(h); ++i)
        {
            UINT uState = GetMenuState(h, i, MF_BYPOSITION);
            if (HMENU hsub = GetSubMenu(h, i))
                pending.push_back(hsub);
            else if (!(uState & MF_SEPARATOR))
            {
                seen.insert(GetMenuItemID(h, i));
                EXPECT_FALSE(uState & (MF_GRAYED | MF_DISABLED))
                    << "command " << GetMenuItemID(h, i) << " greyed";
            }
        }
    }
    EXPECT_EQ(std::multiset<UINT>(std::begin(kMenuCommands), std::end(kMenuCommands)), seen);
    ASSERT_GT(GetMenuItemCount(hpopup), 8);
    EXPECT_FALSE(GetMenuState(hpopup, 8, MF_BYPOSITION) & MF_SEPARATOR);
    for (UINT nManaged : {IDM_DEFINE_TARGET, IDM_STOP, IDM_STEP, IDM_INSERT_COMMENT, IDM_EXIT})
        EXPECT_NE(nManaged, GetMenuItemID(hpopup, 8));
    DestroyMenu(hmenu);
}

// A control kind: its window class and the style bits that make it that kind.
struct Kind
{
    const char* pszClass;
    DWORD dwMask, dwStyle;
};
const Kind Text = {"Static", SS_TYPEMASK, SS_LEFT};
const Kind Push = {"Button", BS_TYPEMASK & ~1u, BS_PUSHBUTTON}; // default or not
const Kind Check = {"Button", BS_TYPEMASK, BS_AUTOCHECKBOX};
const Kind DropList = {"ComboBox", 3, CBS_DROPDOWNLIST};
// Owner-drawn with fixed height, reporting double clicks and passing keys to the dialog.
const Kind OwnerList = {"ListBox",
                        LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE | LBS_NOTIFY | LBS_WANTKEYBOARDINPUT,
                        LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_WANTKEYBOARDINPUT};

struct TemplateCase
{
    UINT nTemplate;
    const char* pszName;
    std::vector<std::pair<int, Kind>> controls;
    std::vector<int> checks, buttons; // automatic check boxes, push buttons
};

std::ostream& operator<<(std::ostream& os, const TemplateCase& d)
{
    return os << d.nTemplate << " " << d.pszName;
}

const TemplateCase kDialogs[] = {
    {129,
     "DefineTarget",
     {{2001, Text}, {2004, OwnerList}},
     {2005},
     {2007, 2008, 2010, 2012, 9, IDOK, IDCANCEL}},
    {130,
     "Options",
     {{2102, DropList}, {2105, DropList}},
     {2103, 2104, 2110, 2111, 2113},
     {2107, IDOK, IDCANCEL}},
    {131, "SavingData", {{2201, Text}}, {}, {IDCANCEL}},
    {132, "DataSaved", {{2301, Text}}, {}, {IDOK, IDCANCEL}},
    {133, "FileExists", {{2401, Text}}, {2402}, {IDOK, IDCANCEL}},
    {134, "About", {}, {}, {IDOK, IDCANCEL}},
    {135, "UserAssistance", {{2602, Text}, {2603, Text}, {2604, Text}}, {2601}, {IDOK, IDCANCEL}},
};

INT_PTR CALLBACK NoOpDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

class ResourceModuleDialog : public ::testing::TestWithParam<TemplateCase>
{
  protected:
    void SetUp() override
    {
        hdlg =
            CreateDialogParamA(ResModule(), MAKEINTRESOURCEA(GetParam().nTemplate), nullptr, NoOpDlgProc, 0);
        ASSERT_NE(nullptr, hdlg) << "error " << GetLastError();
    }
    void TearDown() override
    {
        if (hdlg) DestroyWindow(hdlg);
    }
    HWND hdlg = nullptr;
};

// Exactly the numbered controls the dialog code handles (decoration carries the id -1), each of its kind,
// shown, enabled and inside the dialog.
TEST_P(ResourceModuleDialog, HoldsExactlyItsControlsOfTheirKinds)
{
    std::multiset<int> actual, expected;
    for (HWND h = GetWindow(hdlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (GetDlgCtrlID(h) != -1 && GetDlgCtrlID(h) != 0xFFFF) actual.insert(GetDlgCtrlID(h));
    RECT rcClient = {};
    GetClientRect(hdlg, &rcClient);
    std::vector<std::pair<int, Kind>> controls = GetParam().controls;
    for (int nId : GetParam().checks)
        controls.push_back({nId, Check});
    for (int nId : GetParam().buttons)
        controls.push_back({nId, Push});
    for (const auto& c : controls)
    {
        expected.insert(c.first);
        HWND hwnd = GetDlgItem(hdlg, c.first);
        ASSERT_NE(nullptr, hwnd) << "control " << c.first;
        char szClass[64] = {};
        GetClassNameA(hwnd, szClass, sizeof(szClass));
        EXPECT_EQ(0, lstrcmpiA(c.second.pszClass, szClass)) << "control " << c.first << " is a " << szClass;
        DWORD dwStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
        EXPECT_EQ(c.second.dwStyle, dwStyle & c.second.dwMask) << "control " << c.first << " of another kind";
        EXPECT_EQ(static_cast<DWORD>(WS_VISIBLE), dwStyle & (WS_VISIBLE | WS_DISABLED))
            << "control " << c.first;
        RECT rc = {};
        GetWindowRect(hwnd, &rc);
        MapWindowPoints(nullptr, hdlg, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= rcClient.right &&
                    rc.bottom <= rcClient.bottom && rc.right > rc.left && rc.bottom > rc.top)
            << "control " << c.first << " lies outside the dialog";
    }
    EXPECT_EQ(expected, actual);
}

INSTANTIATE_TEST_SUITE_P(ResourceModuleTemplates, ResourceModuleDialog, ::testing::ValuesIn(kDialogs),
                         [](const ::testing::TestParamInfo<TemplateCase>& info) {
                             return info.param.pszName;
                         });

// Both the program and the common controls it asks for are of the architecture it was built for.
TEST(ResourceModuleManifest, AsksForCommonControlsSixOfItsOwnArchitecture)
{
#ifdef _WIN64
    const char c_szArch[] = "amd64", c_szOtherArch[] = "x86";
#else
    const char c_szArch[] = "x86", c_szOtherArch[] = "amd64";
#endif
    HRSRC hrsrc = FindResourceA(ResModule(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    ASSERT_NE(nullptr, hrsrc);
    auto* pch = static_cast<const char*>(LockResource(LoadResource(ResModule(), hrsrc)));
    ASSERT_NE(nullptr, pch);
    std::string manifest(pch, SizeofResource(ResModule(), hrsrc));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\""));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
    const std::string arch = std::string("processorArchitecture=\"") + c_szArch + "\"";
    size_t ichFirst = manifest.find(arch);
    EXPECT_NE(std::string::npos, ichFirst);
    EXPECT_NE(std::string::npos, manifest.find(arch, ichFirst + 1));
    EXPECT_EQ(std::string::npos, manifest.find(std::string("processorArchitecture=\"") + c_szOtherArch));
    EXPECT_NE(std::string::npos, manifest.find("publicKeyToken=\"6595b64144ccf1df\""));
}

} // namespace
