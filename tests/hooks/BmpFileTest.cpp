// tests/hooks/BmpFileTest.cpp — BMP files of every depth the recorder writes, read back from the file's
// bytes and by the system's own BMP reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "hooks/BmpFile.h"
#include "tests/config/ConfigTestFiles.h"

namespace
{
template <class T> T At(const std::string& bytes, size_t ib)
{
    T value{};
    if (ib + sizeof(T) <= bytes.size()) CopyMemory(&value, bytes.data() + ib, sizeof(T));
    return value;
}

// A DIB section of the depth, black on the left half and white on the right.
HBITMAP MakeBitmap(WORD wBits, int cx, int cy)
{
    struct
    {
        BITMAPINFOHEADER bih;
        RGBQUAD aColours[256];
    } info = {};
    info.bih.biSize = sizeof(info.bih);
    info.bih.biWidth = cx;
    info.bih.biHeight = cy;
    info.bih.biPlanes = 1;
    info.bih.biBitCount = wBits;
    info.aColours[1] = {255, 255, 255, 0};
    for (int i = 2; i < 256; i++)
        info.aColours[i] = {128, 64, static_cast<BYTE>(i), 0};
    void* pvBits = nullptr;
    HBITMAP hbm =
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pvBits, nullptr, 0);
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    RECT rcLeft = {0, 0, cx / 2, cy}, rcRight = {cx / 2, 0, cx, cy};
    FillRect(hdc, &rcLeft, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    FillRect(hdc, &rcRight, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    return hbm;
}

struct BmpCase
{
    WORD wBits;
    DWORD cbColourTable;
};

class BmpFileTest : public ::testing::TestWithParam<BmpCase>
{
  protected:
    configtest::TempDir dir;
};

TEST_P(BmpFileTest, HeaderSizesMatchTheFileAndTheSystemReaderSeesThePicture)
{
    const BmpCase& c = GetParam();
    const int cx = 21, cy = 13; // a width that needs row padding at every depth
    HBITMAP hbm = MakeBitmap(c.wBits, cx, cy);
    ASSERT_NE(nullptr, hbm);
    std::string path = dir.Path("picture.bmp");
    HDC hdcScreen = GetDC(nullptr);
    PBITMAPINFO pbi = CreateBitmapInfoStruct(hbm);
    ASSERT_NE(nullptr, pbi);
    EXPECT_TRUE(CreateBMPFile(path.c_str(), pbi, hbm, hdcScreen));
    LocalFree(pbi);
    ReleaseDC(nullptr, hdcScreen);
    DeleteObject(hbm);

    std::string bytes = configtest::ReadBytes(path);
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(0x4D42, At<WORD>(bytes, 0));
    EXPECT_EQ(bytes.size(), At<DWORD>(bytes, 2));
    EXPECT_EQ(54 + c.cbColourTable, At<DWORD>(bytes, 10));
    EXPECT_EQ(40u, At<DWORD>(bytes, 14));
    EXPECT_EQ(cx, At<LONG>(bytes, 18));
    EXPECT_EQ(cy, At<LONG>(bytes, 22));
    EXPECT_EQ(c.wBits, At<WORD>(bytes, 28));
    DWORD cbStride = ((cx * c.wBits + 31) / 32) * 4;
    EXPECT_GE(At<DWORD>(bytes, 34), cbStride * cy) << "biSizeImage must hold every row";

    HBITMAP hbmRead = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, hbmRead) << "the system cannot read the file";
    BITMAP bm = {};
    GetObjectA(hbmRead, sizeof(bm), &bm);
    EXPECT_EQ(cx, bm.bmWidth);
    EXPECT_EQ(cy, bm.bmHeight);
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdc, hbmRead);
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(hdc, 1, cy / 2));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(hdc, cx - 1, cy / 2));
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    DeleteObject(hbmRead);
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpFileTest,
                         ::testing::Values(BmpCase{1, 8}, BmpCase{4, 64}, BmpCase{8, 1024}, BmpCase{24, 0},
                                           BmpCase{32, 0}),
                         [](const ::testing::TestParamInfo<BmpCase>& info) {
                             return std::to_string(info.param.wBits) + "bit";
                         });

TEST(BmpFileEdgeTest, NullBitmapWritesNothingAndAMissingFolderFails)
{
    configtest::TempDir dir;
    std::string path = dir.Path("none.bmp");
    EXPECT_TRUE(SaveBmpToDisk(nullptr, path.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
    HBITMAP hbm = MakeBitmap(8, 4, 4);
    EXPECT_FALSE(SaveBmpToDisk(hbm, dir.Path("missing\\x.bmp").c_str()));
    DeleteObject(hbm);
}
} // namespace
