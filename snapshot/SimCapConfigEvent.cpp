#include "snapshot/SimCapConfigEvent.h"

#include "host/SimCap.h"
#include "util/Diag.h"

namespace
{
const int c_anDeviceCapIndices[5] = {BITSPIXEL, HORZRES, VERTRES, LOGPIXELSX, LOGPIXELSY};
const char* const c_apszDeviceCapNames[5] = {"BITPIXEL", "HORZRES", "VERTRES", "LOGPIXELSX", "LOGPIXELSY"};

// The NONCLIENTMETRICS of the older systems: the size every system accepts.
const UINT c_cbNonClientMetrics = 340;
static_assert(sizeof(NONCLIENTMETRICSA) == c_cbNonClientMetrics, "the metrics without the padded border");

BOOL WriteOpen(SIMCAP* p, int nDepth, LPCSTR pszName)
{
    return p->WriteIndent(nDepth) && p->WriteStartTag(pszName, nullptr, 0, nullptr, nullptr) &&
           p->WriteEscaped("\n");
}

BOOL WriteClose(SIMCAP* p, int nDepth, LPCSTR pszName)
{
    return p->WriteIndent(nDepth) && p->WriteEndTag(pszName) && p->WriteEscaped("\n");
}

BOOL WriteInt(SIMCAP* p, int nDepth, LPCSTR pszName, int nValue)
{
    return p->WriteSimpleTagInt(nDepth, pszName, nValue, nullptr);
}

// A named font block at depth k: the name, "LOGFONT" at k+1, its fields at k+2.
BOOL WriteFontBlock(SIMCAP* p, int k, LPCSTR pszName, const LOGFONTA& lf)
{
    char szFace[LF_FACESIZE + 1] = {};
    CopyMemory(szFace, lf.lfFaceName, LF_FACESIZE);
    const int f = k + 2;
    return WriteOpen(p, k, pszName) && WriteOpen(p, k + 1, "LOGFONT") &&
           WriteInt(p, f, "lfHeight", lf.lfHeight) && WriteInt(p, f, "lfWidth", lf.lfWidth) &&
           WriteInt(p, f, "lfEscapement", lf.lfEscapement) &&
           WriteInt(p, f, "lfOrientation", lf.lfOrientation) && WriteInt(p, f, "lfWeight", lf.lfWeight) &&
           WriteInt(p, f, "lfItalic", lf.lfItalic) && WriteInt(p, f, "lfUnderline", lf.lfUnderline) &&
           WriteInt(p, f, "lfStrikeOut", lf.lfStrikeOut) && WriteInt(p, f, "lfCharSet", lf.lfCharSet) &&
           WriteInt(p, f, "lfOutPrecision", lf.lfOutPrecision) &&
           WriteInt(p, f, "lfClipPrecision", lf.lfClipPrecision) &&
           WriteInt(p, f, "lfQuality", lf.lfQuality) &&
           WriteInt(p, f, "lfPitchAndFamily", lf.lfPitchAndFamily) &&
           p->WriteSimpleTag(f, "lfFaceName", szFace, nullptr) && WriteClose(p, k + 1, "LOGFONT") &&
           WriteClose(p, k, pszName);
}

LPCSTR PlatformName(DWORD dwPlatformId)
{
    if (dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return "VER_PLATFORM_WIN32_WINDOWS";
    if (dwPlatformId == VER_PLATFORM_WIN32_NT) return "VER_PLATFORM_WIN32_NT";
    return "VER_PLATFORM_UNKNOWN";
}
} // namespace

const SIMCAP_CONFIGEVENT::SysColour SIMCAP_CONFIGEVENT::c_aSysColours[22] = {
    {21, "COLOR_3DDKSHADOW"},    {15, "COLOR_3DFACE"},
    {20, "COLOR_3DHIGHLIGHT"},   {22, "COLOR_3DLIGHT"},
    {16, "COLOR_3DSHADOW"},      {10, "COLOR_ACTIVEBORDER"},
    {12, "COLOR_APPWORKSPACE"},  {1, "COLOR_BACKGROUND"},
    {18, "COLOR_BTNTEXT"},       {9, "COLOR_CAPTIONTEXT"},
    {17, "COLOR_GRAYTEXT"},      {13, "COLOR_HIGHLIGHT"},
    {14, "COLOR_HIGHLIGHTTEXT"}, {11, "COLOR_INACTIVEBORDER"},
    {24, "COLOR_INFOBK"},        {23, "COLOR_INFOTEXT"},
    {4, "COLOR_MENU"},           {7, "COLOR_MENUTEXT"},
    {0, "COLOR_SCROLLBAR"},      {5, "COLOR_WINDOW"},
    {6, "COLOR_WINDOWFRAME"},    {8, "COLOR_WINDOWTEXT"},
};

SIMCAP_CONFIGEVENT::SIMCAP_CONFIGEVENT() : osvi(), lfSystem(), ncm(), anDeviceCaps(), acrSysColours()
{
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    ncm.cbSize = c_cbNonClientMetrics;
}

BOOL SIMCAP_CONFIGEVENT::Init()
{
    if (HDC hdc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr))
    {
        for (int i = 0; i < 5; i++)
            anDeviceCaps[i] = GetDeviceCaps(hdc, c_anDeviceCapIndices[i]);
        DeleteDC(hdc);
    }
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, c_cbNonClientMetrics, &ncm, 0)) return FALSE;
    if (!GetVersionExA(&osvi)) return FALSE;
    for (int i = 0; i < 22; i++)
        acrSysColours[i] = GetSysColor(c_aSysColours[i].nIndex);
    HGDIOBJ hFont = GetStockObject(SYSTEM_FONT);
    if (!hFont) return TRUE;
    return GetObjectA(hFont, sizeof(lfSystem), &lfSystem) != 0;
}

BOOL SIMCAP_CONFIGEVENT::Write(int nDepth)
{
    if (WriteContent(nDepth)) return TRUE;
    DebugOut("SIMCAP_CONFIGEVENT: Failed to Write Config Event State.\n");
    return FALSE;
}

BOOL SIMCAP_CONFIGEVENT::WriteContent(int nDepth)
{
    SIMCAP* p = g_pSimCap;
    if (!p || !WriteOpen(p, nDepth + 1, "Configuration")) return FALSE;
    const int nBlock = nDepth + 3;
    const int nValue = nDepth + 4;

    if (!WriteOpen(p, nBlock, "DEVICECAPS")) return FALSE;
    for (int i = 0; i < 5; i++)
        if (!WriteInt(p, nValue, c_apszDeviceCapNames[i], anDeviceCaps[i])) return FALSE;
    if (!WriteClose(p, nBlock, "DEVICECAPS")) return FALSE;

    if (!WriteOpen(p, nBlock, "NONCLIENTMETRICS") || !WriteInt(p, nValue, "iBorderWidth", ncm.iBorderWidth) ||
        !WriteInt(p, nValue, "iScrollWidth", ncm.iScrollWidth) ||
        !WriteInt(p, nValue, "iScrollHeight", ncm.iScrollHeight) ||
        !WriteInt(p, nValue, "iCaptionWidth", ncm.iCaptionWidth) ||
        !WriteInt(p, nValue, "iCaptionHeight", ncm.iCaptionHeight) ||
        !WriteFontBlock(p, nValue, "lfCaptionFont", ncm.lfCaptionFont) ||
        !WriteInt(p, nValue, "iSmCaptionWidth", ncm.iSmCaptionWidth) ||
        !WriteInt(p, nValue, "iSmCaptionHeight", ncm.iSmCaptionHeight) ||
        !WriteFontBlock(p, nValue, "lfSmCaptionFont", ncm.lfSmCaptionFont) ||
        !WriteInt(p, nValue, "iMenuWidth", ncm.iMenuWidth) ||
        !WriteInt(p, nValue, "iMenuHeight", ncm.iMenuHeight) ||
        !WriteFontBlock(p, nValue, "lfMenuFont", ncm.lfMenuFont) ||
        !WriteFontBlock(p, nValue, "lfStatusFont", ncm.lfStatusFont) ||
        !WriteFontBlock(p, nValue, "lfMessageFont", ncm.lfMessageFont) ||
        !WriteClose(p, nBlock, "NONCLIENTMETRICS"))
        return FALSE;

    char szCsd[sizeof(osvi.szCSDVersion) + 1] = {};
    CopyMemory(szCsd, osvi.szCSDVersion, sizeof(osvi.szCSDVersion));
    if (!WriteOpen(p, nBlock, "OSVERSIONINFO") ||
        !p->WriteSimpleTagUInt(nValue, "dwMajorVersion", osvi.dwMajorVersion, nullptr) ||
        !p->WriteSimpleTagUInt(nValue, "dwMinorVersion", osvi.dwMinorVersion, nullptr) ||
        !p->WriteSimpleTagUInt(nValue, "dwBuildNumber", osvi.dwBuildNumber, nullptr) ||
        !p->WriteSimpleTagUInt(nValue, "dwPlatformId", osvi.dwPlatformId, PlatformName(osvi.dwPlatformId)) ||
        !p->WriteSimpleTag(nValue, "szCSDVersion", szCsd, nullptr) || !WriteClose(p, nBlock, "OSVERSIONINFO"))
        return FALSE;

    if (!WriteOpen(p, nBlock, "SYSCOLORS")) return FALSE;
    for (int i = 0; i < 22; i++)
        if (!p->WriteSimpleTagUInt(nValue, c_aSysColours[i].pszName, acrSysColours[i], nullptr)) return FALSE;
    if (!WriteClose(p, nBlock, "SYSCOLORS")) return FALSE;

    return WriteFontBlock(p, nDepth + 2, "SYSTEM_FONT", lfSystem) &&
           WriteClose(p, nDepth + 1, "Configuration");
}
