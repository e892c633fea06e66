#include "hooks/HookEvents.h"

#include "hooks/EventNames.h"
#include "host/SimCap.h"
#include "output/Tags.h"
#include "snapshot/SimCapWindow.h"
#include "util/BoundedSend.h"
#include "util/Diag.h"

namespace
{
BOOL WriteUInt(int nDepth, LPCSTR pszName, DWORD dwValue, LPCSTR pszComment = nullptr)
{
    return g_pSimCap->WriteSimpleTagUInt(nDepth, pszName, dwValue, pszComment);
}

BOOL WriteInt(int nDepth, LPCSTR pszName, int nValue, LPCSTR pszComment = nullptr)
{
    return g_pSimCap->WriteSimpleTagInt(nDepth, pszName, nValue, pszComment);
}

DWORD HandleValue(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd));
}
} // namespace

BOOL WritePoint(UINT nTag, int nDepth, int x, int y)
{
    SIMCAP* p = g_pSimCap;
    LPCSTR pszTag = Tags::TagTxt(nTag);
    return p->WriteIndent(nDepth) && p->WriteStartTag(pszTag, nullptr, 0, nullptr, nullptr) &&
           p->WriteEscaped("\n") && WriteInt(nDepth + 1, "x", x) && WriteInt(nDepth + 1, "y", y) &&
           p->WriteIndent(nDepth) && p->WriteEndTag(pszTag) && p->WriteEscaped("\n");
}

SIMCAP_CBTEVENT::SIMCAP_CBTEVENT(const SIMCAP_COPYDATA_CBTEVENT* pRecord) : adwRecord(), pWindow(nullptr)
{
    static_assert(sizeof(adwRecord) == sizeof(SIMCAP_COPYDATA_CBTEVENT), "the whole record is kept");
    if (pRecord) CopyMemory(adwRecord, pRecord, sizeof(adwRecord));
    if (pRecord && static_cast<int>(pRecord->nCode) == HCBT_DESTROYWND && pRecord->wParam)
    {
        // The hooked thread still waits in SendMessageA, so the window still exists; it answers our
        // questions from inside that wait. A window that cannot be described leaves pWindow null and
        // Write fails.
        SendBudget budget(c_dwSnapshotSendBudgetMs);
        pWindow =
            SIMCAP_WINDOW::CreateWindowObject(reinterpret_cast<HWND>(static_cast<UINT_PTR>(pRecord->wParam)));
        if (pWindow) pWindow->bWriteHidden = TRUE;
    }
    ready.Set();
}

SIMCAP_CBTEVENT::~SIMCAP_CBTEVENT()
{
    delete pWindow;
}

BOOL SIMCAP_CBTEVENT::Write(int nDepth)
{
    if (!ready.Wait() || !WriteContent(nDepth))
    {
        DebugOut("SimCap: Failed to Write Cbt Event Info\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_CBTEVENT::WriteContent(int nDepth)
{
    int nCode = static_cast<int>(adwRecord[1]);
    if (!BeginWrite(nDepth) || !WriteInt(nDepth + 1, Tags::TagTxt(TAG_ACTION), nCode, CbtCodeName(nCode)) ||
        !WriteUInt(nDepth + 1, Tags::TagTxt(TAG_HWND), adwRecord[2]))
        return FALSE;
    if (nCode == HCBT_DESTROYWND && (!pWindow || !pWindow->Write(nDepth + 2))) return FALSE;
    return EndWrite(nDepth);
}

SIMCAP_SYSMSGEVENT::SIMCAP_SYSMSGEVENT(int nCodeIn, const MSG& msgIn)
    : nCode(nCodeIn), msg(msgIn), dwProcessId(0),
      dwThreadId(GetWindowThreadProcessId(msgIn.hwnd, &dwProcessId))
{
}

BOOL SIMCAP_SYSMSGEVENT::Write(int nDepth)
{
    if (!WriteContent(nDepth))
    {
        DebugOut("SimCap: Failed to Write SysMsg Event Info\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_SYSMSGEVENT::WriteContent(int nDepth)
{
    int d = nDepth + 1;
    return BeginWrite(nDepth) && WriteInt(d, "nCode", nCode, FilterCodeName(nCode)) &&
           WriteUInt(d, Tags::TagTxt(TAG_HWND), HandleValue(msg.hwnd)) &&
           WriteUInt(d, "ProcessID", dwProcessId) && WriteUInt(d, Tags::TagTxt(TAG_THREADID), dwThreadId) &&
           WriteUInt(d, Tags::TagTxt(TAG_MESSAGE), msg.message, MessageName(msg.message)) &&
           WriteUInt(d, "wParam", static_cast<DWORD>(msg.wParam)) &&
           WriteInt(d, "lParam", static_cast<int>(msg.lParam)) && WriteUInt(d, "time", msg.time) &&
           WritePoint(TAG_PT, d, msg.pt.x, msg.pt.y) && WriteMessageChildren(d) && EndWrite(nDepth);
}

BOOL SIMCAP_SYSMSGEVENT::WriteMessageChildren(int d)
{
    DWORD w = static_cast<DWORD>(msg.wParam);
    DWORD l = static_cast<DWORD>(msg.lParam);
    UINT m = msg.message;
    if (m == WM_SIZE)
        return WriteUInt(d, "fwSizeType", w) && WriteUInt(d, "nWidth", LOWORD(l)) &&
               WriteUInt(d, "nHeight", HIWORD(l));
    if (m == WM_ACTIVATE)
        return WriteUInt(d, "fActive", LOWORD(w)) && WriteUInt(d, "fMinimized", HIWORD(w)) &&
               WriteUInt(d, "hwndPrevious", l);
    if (m == WM_SETFOCUS) return WriteUInt(d, "hwndLoseFocus", w);
    if (m == WM_KILLFOCUS) return WriteUInt(d, "hwndGetFocus", w);
    if (m == WM_MOUSEACTIVATE)
        return WriteUInt(d, "hwndTopLevel", w) && WriteUInt(d, "nHittest", LOWORD(l)) &&
               WriteUInt(d, "uMsg", HIWORD(l));
    if (m == WM_SETHOTKEY)
        return WriteInt(d, Tags::TagTxt(TAG_VIRTUALKEYCODE), LOBYTE(w), VirtualKeyName(LOBYTE(w))) &&
               WriteInt(d, "modifiers", HIBYTE(LOWORD(w)));
    if (m == WM_NCHITTEST) return WriteUInt(d, "xPos", LOWORD(l)) && WriteUInt(d, "yPos", HIWORD(l));
    if (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK)
        return WriteUInt(d, "nHittest", w) &&
               WritePoint(TAG_PTS, d, static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
    if (m >= WM_KEYDOWN && m <= WM_SYSDEADCHAR)
        return WriteInt(d, "ScanCode", (l >> 16) & 0xFF) &&
               WriteInt(d, Tags::TagTxt(TAG_VIRTUALKEYCODE), static_cast<int>(w),
                        VirtualKeyName(static_cast<int>(w))) &&
               WriteInt(d, "RepeatCount", LOWORD(l)) && WriteInt(d, "bExtendedKey", (l >> 24) & 1) &&
               WriteInt(d, "bAltKey", (l >> 29) & 1) && WriteInt(d, "bTransitionState", (l >> 31) & 1) &&
               WriteInt(d, "bPreviousState", (l >> 30) & 1);
    if (m == WM_MENUSELECT)
        return WriteUInt(d, "uItem", LOWORD(w)) && WriteUInt(d, "fuFlags", HIWORD(w)) &&
               WriteUInt(d, Tags::TagTxt(TAG_HMENU), l);
    if (m >= WM_MOUSEMOVE && m <= WM_MBUTTONDBLCLK)
        return WriteUInt(d, "fwKeys", w) && WriteUInt(d, "xPos", LOWORD(l)) &&
               WriteUInt(d, "yPos", HIWORD(l));
    if (m == WM_MOUSEWHEEL)
        return WriteUInt(d, "fwKeys", LOWORD(w)) && WriteUInt(d, "zDelta", HIWORD(w)) &&
               WriteUInt(d, "xPos", LOWORD(l)) && WriteUInt(d, "yPos", HIWORD(l));
    if (m == WM_CAPTURECHANGED) return WriteUInt(d, "hwndNewCapture", l);
    if (m == WM_HOTKEY)
        return WriteUInt(d, "idHotKey", w) && WriteUInt(d, "fuModifiers", LOWORD(l)) &&
               WriteUInt(d, "uVirtKey", HIWORD(l), VirtualKeyName(HIWORD(l)));
    return TRUE;
}

SIMCAP_MOUSEEVENT::SIMCAP_MOUSEEVENT(int nCodeIn, UINT nMessageIn, const MOUSEHOOKSTRUCT& mhsIn)
    : nCode(nCodeIn), nMessage(nMessageIn), mhs(mhsIn)
{
}

BOOL SIMCAP_MOUSEEVENT::Write(int nDepth)
{
    // The option is tested when the event is written, so switching it affects events already queued.
    if (!g_pSimCap->bIncludeMouseEvents || nCode != HC_ACTION) return TRUE;
    if (!WriteContent(nDepth))
    {
        DebugOut("SimCap: Failed to Write Mouse Event Info\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_MOUSEEVENT::WriteContent(int nDepth)
{
    int d = nDepth + 1;
    return BeginWrite(nDepth) && WriteUInt(d, Tags::TagTxt(TAG_MESSAGE), nMessage, MessageName(nMessage)) &&
           WritePoint(TAG_PT, d, mhs.pt.x, mhs.pt.y) &&
           WriteUInt(d, Tags::TagTxt(TAG_HWND), HandleValue(mhs.hwnd)) &&
           WriteUInt(d, "wHitTestCode", mhs.wHitTestCode) &&
           WriteUInt(d, "dwExtraInfo", static_cast<DWORD>(mhs.dwExtraInfo)) && EndWrite(nDepth);
}
