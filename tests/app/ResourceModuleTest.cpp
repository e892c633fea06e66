// tests/app/ResourceModuleTest.cpp — the host's resources, loaded the way the recorder loads them.
// The unit test executable is built with the host's resource script, so its own module is the
// resource module here.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "host/RecorderIds.h"

namespace
{

HINSTANCE ResModule()
{
    return GetModuleHandleA(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Icons

struct IconPixels
{
    int cx = 0;
    int cy = 0;
    std::vector<DWORD> bgra; // top row first
};

// Loads the icon as the tray and the window class do and reads its colour pixels back.
bool ReadIcon(UINT nId, int cxy, IconPixels& out)
{
    HICON hicon = static_cast<HICON>(
        LoadImageA(ResModule(), MAKEINTRESOURCEA(nId), IMAGE_ICON, cxy, cxy, LR_DEFAULTCOLOR));
    if (!hicon) return false;
    ICONINFO ii = {};
    BOOL bOk = GetIconInfo(hicon, &ii);
    DestroyIcon(hicon);
    if (!bOk) return false;
    bool fRead = false;
    BITMAP bm = {};
    if (ii.hbmColor && GetObjectA(ii.hbmColor, sizeof(bm), &bm))
    {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = bm.bmWidth;
        bmi.bmiHeader.biHeight = -bm.bmHeight;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        out.cx = bm.bmWidth;
        out.cy = bm.bmHeight;
        out.bgra.assign(static_cast<size_t>(bm.bmWidth) * bm.bmHeight, 0);
        HDC hdc = GetDC(nullptr);
        fRead =
            GetDIBits(hdc, ii.hbmColor, 0, bm.bmHeight, out.bgra.data(), &bmi, DIB_RGB_COLORS) == bm.bmHeight;
        ReleaseDC(nullptr, hdc);
    }
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    if (ii.hbmMask) DeleteObject(ii.hbmMask);
    return fRead;
}

size_t CountDifferentPixels(const IconPixels& a, const IconPixels& b)
{
    size_t c = 0;
    for (size_t i = 0; i < a.bgra.size() && i < b.bgra.size(); ++i)
        if (a.bgra[i] != b.bgra[i]) ++c;
    return c;
}

// Answers the width and height of the image stored in the module for this size, without scaling:
// the same choice LoadImageA makes from the icon group.
bool NativeIconSize(UINT nId, int cxy, LONG& cx, LONG& cy)
{
    HRSRC hrsrc = FindResourceA(ResModule(), MAKEINTRESOURCEA(nId), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    if (!hrsrc) return false;
    auto* pGroup = static_cast<BYTE*>(LockResource(LoadResource(ResModule(), hrsrc)));
    if (!pGroup) return false;
    int nIconId = LookupIconIdFromDirectoryEx(pGroup, TRUE, cxy, cxy, LR_DEFAULTCOLOR);
    if (!nIconId) return false;
    HRSRC hrsrcImage = FindResourceA(ResModule(), MAKEINTRESOURCEA(nIconId), MAKEINTRESOURCEA(3)); // RT_ICON
    if (!hrsrcImage || SizeofResource(ResModule(), hrsrcImage) < sizeof(BITMAPINFOHEADER)) return false;
    auto* pbih = static_cast<BITMAPINFOHEADER*>(LockResource(LoadResource(ResModule(), hrsrcImage)));
    if (!pbih || pbih->biSize != sizeof(BITMAPINFOHEADER)) return false;
    cx = pbih->biWidth;
    cy = pbih->biHeight / 2; // colour image and AND mask stacked
    return true;
}

const UINT kIconIds[] = {IDI_IDLE, IDI_RECORDING_1, IDI_RECORDING_2, IDI_STOPPING_1, IDI_STOPPING_2};
const int kIconSizes[] = {16, 32};

TEST(ResourceModuleIcons, EachIconHasANativeImageAtSmallAndLargeSize)
{
    for (UINT nId : kIconIds)
        for (int cxy : kIconSizes)
        {
            LONG cx = 0, cy = 0;
            ASSERT_TRUE(NativeIconSize(nId, cxy, cx, cy)) << "icon " << nId << " size " << cxy;
            EXPECT_EQ(cxy, cx) << "icon " << nId;
            EXPECT_EQ(cxy, cy) << "icon " << nId;
        }
}

TEST(ResourceModuleIcons, EachIconLoadsAtSmallAndLargeSizeAndShowsSomething)
{
    for (UINT nId : kIconIds)
        for (int cxy : kIconSizes)
        {
            IconPixels px;
            ASSERT_TRUE(ReadIcon(nId, cxy, px)) << "icon " << nId << " size " << cxy;
            EXPECT_EQ(cxy, px.cx);
            EXPECT_EQ(cxy, px.cy);
            // A blank or fully covered square would tell the user nothing in the tray.
            size_t cOpaque =
                std::count_if(px.bgra.begin(), px.bgra.end(), [](DWORD v) { return (v >> 24) != 0; });
            EXPECT_GT(cOpaque, px.bgra.size() / 8) << "icon " << nId << " size " << cxy;
            EXPECT_LT(cOpaque, px.bgra.size()) << "icon " << nId << " size " << cxy;
        }
}

TEST(ResourceModuleIcons, AnimationFramesAndStatesAreClearlyDifferent)
{
    // The tray alternates 42/43 while recording and 44/45 while stopping, and shows 41 otherwise:
    // every pair must be told apart at a glance.
    for (int cxy : kIconSizes)
    {
        IconPixels frames[5];
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(ReadIcon(kIconIds[i], cxy, frames[i])) << "icon " << kIconIds[i];
        for (int i = 0; i < 5; ++i)
            for (int j = i + 1; j < 5; ++j)
                EXPECT_GT(CountDifferentPixels(frames[i], frames[j]), frames[i].bgra.size() / 8)
                    << "icons " << kIconIds[i] << " and " << kIconIds[j] << " at " << cxy;
    }
}

TEST(ResourceModuleIcons, IdleIconLoadsAsTheWindowClassIcon)
{
    HICON hicon = LoadIconA(ResModule(), MAKEINTRESOURCEA(IDI_IDLE));
    EXPECT_NE(nullptr, hicon);
    HICON hiconSmall =
        static_cast<HICON>(LoadImageA(ResModule(), MAKEINTRESOURCEA(IDI_IDLE), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    EXPECT_NE(nullptr, hiconSmall);
    if (hiconSmall) DestroyIcon(hiconSmall);
}

// ---------------------------------------------------------------------------------------------
// Tray menu

class ResourceModuleMenu : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        hmenu = LoadMenuA(ResModule(), "SimCap");
        ASSERT_NE(nullptr, hmenu);
        hpopup = GetSubMenu(hmenu, 0);
        ASSERT_NE(nullptr, hpopup);
    }
    void TearDown() override
    {
        if (hmenu) DestroyMenu(hmenu);
    }
    HMENU hmenu = nullptr;
    HMENU hpopup = nullptr;
};

const UINT kMenuCommands[] = {
    IDM_DEFINE_TARGET,  IDM_STOP,           IDM_PAUSE,        IDM_RESUME,         IDM_STEP,
    IDM_INSERT_COMMENT, IDM_HIDDEN_WINDOWS, IDM_MOUSE_EVENTS, IDM_JOURNAL_EVENTS, IDM_EXIT};

TEST_F(ResourceModuleMenu, PopupOffersEveryCommandTheRecorderHandles)
{
    for (UINT nCmd : kMenuCommands)
    {
        UINT uState = GetMenuState(hpopup, nCmd, MF_BYCOMMAND);
        ASSERT_NE(static_cast<UINT>(-1), uState) << "command " << nCmd;
        EXPECT_FALSE(uState & (MF_GRAYED | MF_DISABLED)) << "command " << nCmd << " starts greyed";
    }
}

TEST_F(ResourceModuleMenu, NoCommandOutsideTheHandledRangeIsOffered)
{
    // A command the recorder ignores would be a dead item; walk the popup and its submenus.
    std::vector<HMENU> pending = {hpopup};
    std::set<UINT> seen;
    while (!pending.empty())
    {
        HMENU h = pending.back();
        pending.pop_back();
        for (int i = 0; i < GetMenuItemCount(h); ++i)
        {
            if (HMENU hsub = GetSubMenu(h, i))
            {
                pending.push_back(hsub);
                continue;
            }
            if (GetMenuState(h, i, MF_BYPOSITION) & MF_SEPARATOR) continue;
            UINT nId = GetMenuItemID(h, i);
            EXPECT_NE(kMenuCommands + std::size(kMenuCommands),
                      std::find(std::begin(kMenuCommands), std::end(kMenuCommands), nId))
                << "item with id " << nId;
            EXPECT_TRUE(seen.insert(nId).second) << "id " << nId << " appears twice";
        }
    }
    EXPECT_EQ(std::size(kMenuCommands), seen.size());
}

TEST_F(ResourceModuleMenu, CheckItemsTakeTheirMarkByCommand)
{
    for (UINT nCmd : {IDM_HIDDEN_WINDOWS, IDM_MOUSE_EVENTS, IDM_JOURNAL_EVENTS})
    {
        ASSERT_NE(static_cast<DWORD>(-1), CheckMenuItem(hpopup, nCmd, MF_BYCOMMAND | MF_CHECKED));
        EXPECT_TRUE(GetMenuState(hpopup, nCmd, MF_BYCOMMAND) & MF_CHECKED) << "command " << nCmd;
        ASSERT_NE(static_cast<DWORD>(-1), CheckMenuItem(hpopup, nCmd, MF_BYCOMMAND | MF_UNCHECKED));
        EXPECT_FALSE(GetMenuState(hpopup, nCmd, MF_BYCOMMAND) & MF_CHECKED) << "command " << nCmd;
    }
}

TEST_F(ResourceModuleMenu, PositionEightIsARealItemTheStateCanGrey)
{
    ASSERT_GT(GetMenuItemCount(hpopup), 8);
    UINT uState = GetMenuState(hpopup, 8, MF_BYPOSITION);
    ASSERT_NE(static_cast<UINT>(-1), uState);
    EXPECT_FALSE(uState & MF_SEPARATOR);

    // Its enabling follows its own column of the state table, so it must not be one of the items
    // the recorder already greys by command, or the two rules would fight.
    UINT nId = GetMenuItemID(hpopup, 8);
    for (UINT nManaged : {IDM_DEFINE_TARGET, IDM_STOP, IDM_STEP, IDM_INSERT_COMMENT, IDM_EXIT})
        EXPECT_NE(nManaged, nId);

    ASSERT_NE(static_cast<DWORD>(-1), EnableMenuItem(hpopup, 8, MF_BYPOSITION | MF_GRAYED));
    EXPECT_TRUE(GetMenuState(hpopup, 8, MF_BYPOSITION) & MF_GRAYED);
    ASSERT_NE(static_cast<DWORD>(-1), EnableMenuItem(hpopup, 8, MF_BYPOSITION | MF_ENABLED));
    EXPECT_FALSE(GetMenuState(hpopup, 8, MF_BYPOSITION) & MF_GRAYED);

    // Greying it must leave the items greyed by command alone.
    EnableMenuItem(hpopup, 8, MF_BYPOSITION | MF_GRAYED);
    for (UINT nManaged : {IDM_DEFINE_TARGET, IDM_STOP, IDM_STEP, IDM_INSERT_COMMENT, IDM_EXIT})
        EXPECT_FALSE(GetMenuState(hpopup, nManaged, MF_BYCOMMAND) & MF_GRAYED) << "command " << nManaged;
}

// ---------------------------------------------------------------------------------------------
// Dialog templates

enum class Kind
{
    Text,          // static text control
    PushButton,    // push button, default or not
    CheckBox,      // automatic check box
    DropList,      // combo box with a drop-down list and no edit field
    OwnerDrawList, // owner-drawn list box that reports clicks and keys
};

struct RequiredControl
{
    int nId;
    Kind kind;
};

struct TemplateCase
{
    UINT nTemplate;
    const char* pszName;
    std::vector<RequiredControl> controls;
};

std::ostream& operator<<(std::ostream& os, const TemplateCase& d)
{
    return os << d.nTemplate << " " << d.pszName;
}

const TemplateCase kDialogs[] = {
    {129,
     "DefineTarget",
     {{2001, Kind::Text},
      {2004, Kind::OwnerDrawList},
      {2005, Kind::CheckBox},
      {2007, Kind::PushButton},
      {2008, Kind::PushButton},
      {2010, Kind::PushButton},
      {2012, Kind::PushButton},
      {IDOK, Kind::PushButton},
      {IDCANCEL, Kind::PushButton},
      {9, Kind::PushButton}}},
    {130,
     "Options",
     {{2102, Kind::DropList},
      {2105, Kind::DropList},
      {2103, Kind::CheckBox},
      {2104, Kind::CheckBox},
      {2110, Kind::CheckBox},
      {2111, Kind::CheckBox},
      {2113, Kind::CheckBox},
      {2107, Kind::PushButton},
      {IDOK, Kind::PushButton},
      {IDCANCEL, Kind::PushButton}}},
    {131, "SavingData", {{2201, Kind::Text}, {IDCANCEL, Kind::PushButton}}},
    {132, "DataSaved", {{2301, Kind::Text}, {IDOK, Kind::PushButton}, {IDCANCEL, Kind::PushButton}}},
    {133,
     "FileExists",
     {{2401, Kind::Text}, {2402, Kind::CheckBox}, {IDOK, Kind::PushButton}, {IDCANCEL, Kind::PushButton}}},
    {134, "About", {{IDOK, Kind::PushButton}, {IDCANCEL, Kind::PushButton}}},
    {135, "UserAssistance", {{2601, Kind::CheckBox}, {IDOK, Kind::PushButton}, {IDCANCEL, Kind::PushButton}}},
};

INT_PTR CALLBACK NoOpDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

std::string ClassOf(HWND hwnd)
{
    char sz[64] = {};
    GetClassNameA(hwnd, sz, sizeof(sz));
    return sz;
}

// Answers an empty string when the control is of the kind, else what is wrong with it.
std::string CheckKind(HWND hwnd, Kind kind)
{
    std::string cls = ClassOf(hwnd);
    DWORD dwStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    auto wrong = [&](const char* pszWhy) { return std::string(pszWhy) + " (class " + cls + ")"; };
    switch (kind)
    {
    case Kind::Text: {
        if (lstrcmpiA(cls.c_str(), "Static") != 0) return wrong("not a static control");
        DWORD dwType = dwStyle & SS_TYPEMASK;
        if (dwType != SS_LEFT && dwType != SS_CENTER && dwType != SS_RIGHT && dwType != SS_SIMPLE &&
            dwType != SS_LEFTNOWORDWRAP)
            return wrong("static control does not show text");
        return "";
    }
    case Kind::PushButton: {
        if (lstrcmpiA(cls.c_str(), "Button") != 0) return wrong("not a button");
        DWORD dwType = dwStyle & BS_TYPEMASK;
        if (dwType != BS_PUSHBUTTON && dwType != BS_DEFPUSHBUTTON)
            return wrong("button is not a push button");
        return "";
    }
    case Kind::CheckBox:
        if (lstrcmpiA(cls.c_str(), "Button") != 0) return wrong("not a button");
        if ((dwStyle & BS_TYPEMASK) != BS_AUTOCHECKBOX) return wrong("button is not an automatic check box");
        return "";
    case Kind::DropList:
        if (lstrcmpiA(cls.c_str(), "ComboBox") != 0) return wrong("not a combo box");
        if ((dwStyle & 3) != CBS_DROPDOWNLIST) return wrong("combo box is not a drop-down list");
        return "";
    case Kind::OwnerDrawList:
        if (lstrcmpiA(cls.c_str(), "ListBox") != 0) return wrong("not a list box");
        if (!(dwStyle & LBS_OWNERDRAWFIXED) || (dwStyle & LBS_OWNERDRAWVARIABLE))
            return wrong("list box is not owner-drawn with fixed item height");
        if (!(dwStyle & LBS_NOTIFY)) return wrong("list box does not report double clicks");
        if (!(dwStyle & LBS_WANTKEYBOARDINPUT)) return wrong("list box does not pass keys to the dialog");
        return "";
    }
    return wrong("unknown kind");
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

TEST_P(ResourceModuleDialog, IsAModalFrameThatStartsHidden)
{
    DWORD dwStyle = static_cast<DWORD>(GetWindowLongA(hdlg, GWL_STYLE));
    EXPECT_FALSE(dwStyle & WS_VISIBLE);
    EXPECT_TRUE(dwStyle & WS_POPUP);
    EXPECT_EQ(static_cast<DWORD>(WS_CAPTION), dwStyle & WS_CAPTION);
    EXPECT_TRUE(dwStyle & WS_SYSMENU);
    EXPECT_TRUE(static_cast<DWORD>(GetWindowLongA(hdlg, GWL_EXSTYLE)) & WS_EX_DLGMODALFRAME);
    char szCaption[128] = {};
    EXPECT_GT(GetWindowTextA(hdlg, szCaption, sizeof(szCaption)), 0);
}

TEST_P(ResourceModuleDialog, HoldsEachRequiredControlOfItsKindInsideTheDialog)
{
    RECT rcClient = {};
    GetClientRect(hdlg, &rcClient);
    for (const RequiredControl& c : GetParam().controls)
    {
        HWND hwnd = GetDlgItem(hdlg, c.nId);
        ASSERT_NE(nullptr, hwnd) << "control " << c.nId;
        EXPECT_EQ("", CheckKind(hwnd, c.kind)) << "control " << c.nId;
        DWORD dwStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
        EXPECT_TRUE(dwStyle & WS_VISIBLE) << "control " << c.nId << " is hidden";
        EXPECT_FALSE(dwStyle & WS_DISABLED) << "control " << c.nId << " is disabled";

        RECT rc = {};
        GetWindowRect(hwnd, &rc);
        MapWindowPoints(nullptr, hdlg, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= rcClient.right &&
                    rc.bottom <= rcClient.bottom && rc.right > rc.left && rc.bottom > rc.top)
            << "control " << c.nId << " lies outside the dialog";
    }
}

TEST_P(ResourceModuleDialog, HasNoOtherNumberedControls)
{
    // Decoration carries the id -1; anything else numbered would be a control nobody handles.
    std::multiset<int> actual;
    for (HWND h = GetWindow(hdlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    {
        int nId = GetDlgCtrlID(h);
        if (nId != -1 && nId != 0xFFFF) actual.insert(nId);
    }
    std::multiset<int> expected;
    for (const RequiredControl& c : GetParam().controls)
        expected.insert(c.nId);
    EXPECT_EQ(expected, actual);
}

INSTANTIATE_TEST_SUITE_P(ResourceModuleTemplates, ResourceModuleDialog, ::testing::ValuesIn(kDialogs),
                         [](const ::testing::TestParamInfo<TemplateCase>& info) {
                             return info.param.pszName;
                         });

// ---------------------------------------------------------------------------------------------
// Version and manifest

// The module's version block, read back through the system's own parser.
class VersionInfo
{
  public:
    VersionInfo()
    {
        hVersion = LoadLibraryA("version.dll");
        if (!hVersion) return;
        auto pfnSize = ProcAddress<SizeFn>("GetFileVersionInfoSizeA");
        auto pfnInfo = ProcAddress<InfoFn>("GetFileVersionInfoA");
        pfnQuery = ProcAddress<QueryFn>("VerQueryValueA");
        char szPath[MAX_PATH] = {};
        GetModuleFileNameA(ResModule(), szPath, MAX_PATH);
        DWORD dwHandle = 0;
        DWORD cb = pfnSize && pfnInfo && pfnQuery ? pfnSize(szPath, &dwHandle) : 0;
        data.resize(cb);
        if (!cb || !pfnInfo(szPath, 0, cb, data.data())) data.clear();
    }
    ~VersionInfo()
    {
        if (hVersion) FreeLibrary(hVersion);
    }
    VersionInfo(const VersionInfo&) = delete;
    VersionInfo& operator=(const VersionInfo&) = delete;

    bool IsLoaded() const { return !data.empty(); }

    std::string String(const char* pszKey)
    {
        void* pv = nullptr;
        UINT cch = 0;
        std::string query = std::string("\\StringFileInfo\\040904B0\\") + pszKey;
        if (!IsLoaded() || !pfnQuery(data.data(), query.c_str(), &pv, &cch) || !pv) return "";
        return static_cast<const char*>(pv);
    }

    std::string FixedFileVersion()
    {
        void* pv = nullptr;
        UINT cb = 0;
        if (!IsLoaded() || !pfnQuery(data.data(), "\\", &pv, &cb) || !pv || cb < sizeof(VS_FIXEDFILEINFO))
            return "";
        auto* pffi = static_cast<VS_FIXEDFILEINFO*>(pv);
        if (pffi->dwSignature != 0xFEEF04BD) return "";
        char sz[64];
        wsprintfA(sz, "%u.%u.%u.%u", HIWORD(pffi->dwFileVersionMS), LOWORD(pffi->dwFileVersionMS),
                  HIWORD(pffi->dwFileVersionLS), LOWORD(pffi->dwFileVersionLS));
        return sz;
    }

  private:
    using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

    // Through the generic function type, which converts to any other without a warning.
    template <typename Fn> Fn ProcAddress(const char* pszName) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(hVersion, pszName)));
    }

    HMODULE hVersion = nullptr;
    QueryFn pfnQuery = nullptr;
    std::vector<char> data;
};

TEST(ResourceModuleVersion, NamesTheProductItsMakerAndVersion)
{
    EXPECT_NE(nullptr, FindResourceA(ResModule(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16))); // RT_VERSION
    VersionInfo vi;
    ASSERT_TRUE(vi.IsLoaded());
    EXPECT_EQ("Quillmark", vi.String("CompanyName"));
    EXPECT_EQ("Quillmark Sim Stepforge", vi.String("ProductName"));
    EXPECT_EQ("1.0.0.0", vi.String("FileVersion"));
    EXPECT_EQ("1.0.0.0", vi.FixedFileVersion());
}

TEST(ResourceModuleManifest, AsksForCommonControlsSixOnX86)
{
    HRSRC hrsrc = FindResourceA(ResModule(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    ASSERT_NE(nullptr, hrsrc);
    auto* pch = static_cast<const char*>(LockResource(LoadResource(ResModule(), hrsrc)));
    ASSERT_NE(nullptr, pch);
    std::string manifest(pch, SizeofResource(ResModule(), hrsrc));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\""));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("processorArchitecture=\"x86\""));
    EXPECT_NE(std::string::npos, manifest.find("publicKeyToken=\"6595b64144ccf1df\""));
}

} // namespace
