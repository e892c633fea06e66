#include "hooks/BmpFile.h"

#include "host/SimCap.h"
#include "util/Diag.h"

namespace
{
const DWORD c_cbLargestControlBitmap = 500000;

// Bits per pixel rounded up to a depth a BMP file can hold.
WORD RoundedDepth(WORD wBits)
{
    if (wBits == 1) return 1;
    if (wBits <= 4) return 4;
    if (wBits <= 8) return 8;
    if (wBits <= 16) return 16;
    if (wBits <= 24) return 24;
    return 32;
}

BOOL WriteWhole(HANDLE hFile, const void* pv, DWORD cb)
{
    DWORD cbWritten = 0;
    return WriteFile(hFile, pv, cb, &cbWritten, nullptr) && cbWritten == cb;
}
} // namespace

DWORD ColourTableBytes(const BITMAPINFOHEADER& bih)
{
    DWORD nColours = LOWORD(bih.biClrUsed);
    if (nColours == 0)
    {
        if (bih.biBitCount == 1)
            nColours = 2;
        else if (bih.biBitCount == 4)
            nColours = 16;
        else if (bih.biBitCount == 8)
            nColours = 256;
    }
    return nColours * sizeof(RGBQUAD);
}

PBITMAPINFO CreateBitmapInfoStruct(HBITMAP hbm)
{
    BITMAP bmp;
    if (!GetObjectA(hbm, sizeof(bmp), &bmp))
    {
        DWORD dwError = GetLastError();
        if (dwError != 0)
        {
            DebugOutF("CreateBitmapInfoStruct():Unable to GetObject(%X) on our hBitmap",
                      static_cast<unsigned>(reinterpret_cast<UINT_PTR>(hbm)));
            // Inside a target's process there is no recorder to tell.
            if (g_pSimCap) g_pSimCap->OutputLastError(" - ", dwError);
        }
        return nullptr;
    }
    WORD wDepth = RoundedDepth(static_cast<WORD>(bmp.bmPlanes * bmp.bmBitsPixel));
    // One entry per colour below 24 bits; at 32 bits the shift wraps and leaves room for one entry.
    SIZE_T cb = sizeof(BITMAPINFOHEADER);
    if (wDepth != 24) cb += sizeof(RGBQUAD) * (1u << (wDepth & 31));
    PBITMAPINFO pbi = static_cast<PBITMAPINFO>(LocalAlloc(LPTR, cb));
    if (!pbi) return nullptr;
    BITMAPINFOHEADER& bih = pbi->bmiHeader;
    bih.biSize = sizeof(BITMAPINFOHEADER);
    bih.biWidth = bmp.bmWidth;
    bih.biHeight = bmp.bmHeight;
    bih.biPlanes = bmp.bmPlanes;
    bih.biBitCount = bmp.bmBitsPixel;
    bih.biCompression = BI_RGB;
    // One DWORD-aligned row of one bit per pixel, times the depth: never less than the pixels need.
    bih.biSizeImage = 4 * (((bih.biWidth + 7) / 8 + 3) / 4) * wDepth * bih.biHeight;
    if (wDepth < 24) bih.biClrUsed = 1u << wDepth;
    return pbi;
}

BOOL CreateBMPFile(LPCSTR pszPath, PBITMAPINFO pbi, HBITMAP hbm, HDC hdc)
{
    BITMAPINFOHEADER& bih = pbi->bmiHeader;
    DWORD cbColours = ColourTableBytes(bih);
    DWORD dwClrUsed = bih.biClrUsed;
    BYTE* pbBits = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, bih.biSizeImage));
    if (!pbBits)
    {
        DebugOutF("CreateBMPFile(): Unable to allocate memory pbih=%X biSizeImage=%d\n",
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(pbi)), static_cast<int>(bih.biSizeImage));
        return FALSE;
    }
    if (!GetDIBits(hdc, hbm, 0, LOWORD(bih.biHeight), pbBits, pbi, DIB_RGB_COLORS))
    {
        DebugOut("CreateBMPFile(): Unable to call GetDIBits()\n");
        GlobalFree(pbBits);
        return FALSE;
    }
    if (dwClrUsed >= 1 && dwClrUsed <= 256) bih.biClrUsed = dwClrUsed;

    HANDLE hFile = CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        DebugOut("CreateBMPFile(): Unable to call CreateFile()\n");
        GlobalFree(pbBits);
        return FALSE;
    }
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof(BITMAPFILEHEADER) + bih.biSize + cbColours;
    bfh.bfSize = bfh.bfOffBits + bih.biSizeImage;
    BOOL bResult = FALSE;
    if (!WriteWhole(hFile, &bfh, sizeof(bfh)))
        DebugOut("CreateBMPFile(): Unable to call WriteFile() on BITMAPHEADER\n");
    else if (!WriteWhole(hFile, pbi, sizeof(BITMAPINFOHEADER) + cbColours))
        DebugOut("CreateBMPFile(): Unable to call WriteFile() on BITMAPINFOHEADER\n");
    else if (!WriteWhole(hFile, pbBits, bih.biSizeImage))
        DebugOut("CreateBMPFile(): Unable to call WriteFile() on Bitmap Bits\n");
    else
        bResult = TRUE;
    if (!CloseHandle(hFile))
    {
        DebugOut("CreateBMPFile(): Unable to call CloseHandle()\n");
        bResult = FALSE;
    }
    GlobalFree(pbBits);
    return bResult;
}

BOOL SaveBmpToDisk(HBITMAP hbm, LPCSTR pszPath)
{
    if (!hbm) return TRUE;
    HDC hdc = GetDC(nullptr);
    if (!hdc)
    {
        DebugOut("Utils::SaveBmpToDisk: Unable to get HDC to Primary Screen\n");
        return FALSE;
    }
    BOOL bResult = FALSE;
    PBITMAPINFO pbi = CreateBitmapInfoStruct(hbm);
    if (pbi)
    {
        if (pbi->bmiHeader.biSizeImage >= c_cbLargestControlBitmap)
            DebugOut("Utils::SaveBmpToDisk: Menu bitmap appears to be too large.\n");
        else
            bResult = CreateBMPFile(pszPath, pbi, hbm, hdc);
        LocalFree(pbi);
    }
    ReleaseDC(nullptr, hdc);
    return bResult;
}

void CreateMenuBitmapName(LPSTR psz, UINT ich, UINT nKind, DWORD dwNumber)
{
    static const char* const c_apszFormats[] = {"mnu_chkd_%lu.bmp", "mnu_unchkd_%lu.bmp", "mnu_item_%lu.bmp"};
    if (nKind < 1 || nKind > 3)
    {
        DebugOut("CreateMenuBitmapName: Invalid type specified.");
        psz[0] = '\0';
        return;
    }
    wsprintfA(psz + ich, c_apszFormats[nKind - 1], dwNumber);
}
