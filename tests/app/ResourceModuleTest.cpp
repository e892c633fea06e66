// tests/app/ResourceModuleTest.cpp — the host's icons and manifest, loaded the way the recorder loads them.
// The unit test executable is built with the host's resource script, so its own module is the
// resource module here.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
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
