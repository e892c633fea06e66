// The keys that drive a recording: the recogniser, the hotkey hook of the armed state, and the removal of
// the hotkey keystrokes from the recorded events.
#include "host/Hotkeys.h"

#include <string.h>

#include <new>

#include "hooks/JournalTransport.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "util/Diag.h"

UINT g_nPendingHotkey;
BOOL g_bCtrlPending;
BOOL g_bAltPending;
BOOL g_bSysModal;

void ForgetKeyHistory()
{
    g_nPendingHotkey = 0;
    g_bCtrlPending = FALSE;
    g_bAltPending = FALSE;
    g_nLastKeyTransition = KEY_TRANSITION_NONE;
    g_nLastKeyCode = 0;
}

BOOL HotkeyMatches(const EVENTMSG& em, UINT nHotkey, BOOL bCtrlDown, BOOL bAltDown)
{
    UINT nVirtualKey = LOBYTE(em.paramL);
    if (nHotkey == g_nPendingHotkey)
    {
        if (g_bCtrlPending && nVirtualKey == VK_CONTROL)
        {
            g_bCtrlPending = FALSE;
            if (!g_bAltPending)
            {
                g_nPendingHotkey = 0;
                return TRUE;
            }
        }
        else if (g_bAltPending && nVirtualKey == VK_MENU)
        {
            g_bAltPending = FALSE;
            if (!g_bCtrlPending)
            {
                g_nPendingHotkey = 0;
                return TRUE;
            }
        }
    }
    if (g_nPendingHotkey) return FALSE;
    if (nVirtualKey != LOWORD(nHotkey)) return FALSE;
    BOOL bWantCtrl = (nHotkey & HOTKEY_CTRL) != 0;
    BOOL bWantAlt = (nHotkey & HOTKEY_ALT) != 0;
    if (bWantCtrl != !!bCtrlDown || bWantAlt != !!bAltDown) return FALSE;
    g_bCtrlPending = bWantCtrl;
    g_bAltPending = bWantAlt;
    if (!bWantCtrl && !bWantAlt) return TRUE;
    g_nPendingHotkey = nHotkey;
    return FALSE;
}

LRESULT CALLBACK SIMCAP::JournalHookKeyProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode < 0)
    {
        DebugOut("SIMCAP:JournalHookKeyProc(): skipping nCode < 0 event\n");
        return CallNextHookEx(g_shared.hhkJournalKeys, nCode, wParam, lParam);
    }
    if (!(RunJournalLogic(JOURNAL_HOOK_KEYS, nCode, reinterpret_cast<EVENTMSG*>(lParam)) & JOURNAL_PASS_ON))
        return 0;
    return CallNextHookEx(g_shared.hhkJournalKeys, nCode, wParam, lParam);
}

UINT SIMCAP::OnHotkeyRecord(LONG nCode, const EVENTMSG& em, const JournalMoment& moment)
{
    if (nCode == HC_SYSMODALON)
        g_bSysModal = TRUE;
    else if (nCode == HC_SYSMODALOFF)
        g_bSysModal = FALSE;
    if (nCode != HC_ACTION || g_bSysModal) return JOURNAL_PASS_ON;

    // Ctrl+Break gives up waiting: the hook goes, the state stays.
    UINT nVirtualKey = LOBYTE(em.paramL);
    switch (em.message)
    {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (nVirtualKey == VK_CANCEL)
        {
            UnhookKeys(Window());
            return 0;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (HotkeyMatches(em, nSnapshotKey, moment.bCtrlDown, moment.bAltDown))
            PostMessageA(Window(), WM_COMMAND, IDM_START, 0);
        else if (nVirtualKey == VK_CANCEL)
        {
            UnhookKeys(Window());
            return 0;
        }
        break;
    }
    return JOURNAL_PASS_ON;
}

BOOL SIMCAP::RemoveHotKey(void* pvMemObj)
{
    if (!pvMemObj) return FALSE;
    // A memory object: the caller holds the address after its size word.
    DWORD* pcb = static_cast<DWORD*>(pvMemObj) - 1;
    return RemoveHotKeyFromText(static_cast<char*>(pvMemObj), pcb, nSnapshotKey, nStopKey);
}

namespace
{
// Keys that can belong to a hotkey, as bits; a key that is both the snapshot and the stop key counts as
// the snapshot key.
enum : UINT
{
    HK_SNAPSHOT = 0x1,
    HK_STOP = 0x2,
    HK_ALT = 0x4,
    HK_CTRL = 0x8,
};

const char c_szVirtualKeyCode[] = "VirtualKeyCode";
const char c_szEvent[] = "Event";
const char c_szMessage[] = "message";

// One "Event" start (or the end marker) of the block, and the key data found inside it.
struct KeyEvent
{
    DWORD ib;
    long nMessage; // 0 when the event carries no key message
    long nKey;     // 0 when it carries no hotkey key
    BOOL bRemove;
};

// The recorded text is not ours: every read stays inside the block.
class EventText
{
  public:
    EventText(const char* pText, DWORD cbText) : p(pText), cb(cbText) {}

    // A "<" at ib followed by pszName.
    BOOL IsTagAt(DWORD ib, LPCSTR pszName, DWORD cchName) const
    {
        return p[ib] == '<' && cb - ib - 1 >= cchName && memcmp(p + ib + 1, pszName, cchName) == 0;
    }

    // The decimal number right after the ">" of the start tag at ib; 0 when no digits stand there.
    long ValueAt(DWORD ib) const
    {
        while (ib < cb && p[ib] != '>')
            ++ib;
        if (ib < cb) ++ib;
        while (ib < cb && (p[ib] == ' ' || p[ib] == '\t'))
            ++ib;
        BOOL bNegative = FALSE;
        if (ib < cb && (p[ib] == '-' || p[ib] == '+')) bNegative = p[ib++] == '-';
        long nValue = 0;
        for (; ib < cb && p[ib] >= '0' && p[ib] <= '9'; ++ib)
            nValue = nValue * 10 + (p[ib] - '0');
        return bNegative ? -nValue : nValue;
    }

    // Where the block's closing part starts: right after the last ">" before the last "<".
    DWORD EndMarker() const
    {
        DWORD ib = cb;
        while (ib > 0 && p[ib - 1] != '<')
            --ib;
        if (ib == 0) return cb;
        --ib;
        while (ib > 0 && p[ib - 1] != '>')
            --ib;
        return ib > 0 ? ib : cb;
    }

    DWORD Size() const { return cb; }

  private:
    const char* p;
    DWORD cb;
};

BOOL IsKeyDownMessage(long nMessage)
{
    return nMessage == WM_KEYDOWN || nMessage == WM_SYSKEYDOWN;
}

BOOL IsKeyUpMessage(long nMessage)
{
    return nMessage == WM_KEYUP || nMessage == WM_SYSKEYUP;
}

class HotkeyCutter
{
  public:
    HotkeyCutter(UINT nSnapshot, UINT nStop)
        : nSnapshotKey(nSnapshot), nStopKey(nStop), nS(LOWORD(nSnapshot)), nT(LOWORD(nStop))
    {
    }

    UINT KeyBit(long nKey) const
    {
        if (nKey == nS) return HK_SNAPSHOT;
        if (nKey == nT) return HK_STOP;
        if (nKey == VK_MENU) return HK_ALT;
        if (nKey == VK_CONTROL) return HK_CTRL;
        return 0;
    }

    // The released keys must spell the snapshot or the stop key with exactly its modifiers.
    BOOL FormHotkey(UINT fReleased) const
    {
        BOOL bCtrl = (fReleased & HK_CTRL) != 0;
        BOOL bAlt = (fReleased & HK_ALT) != 0;
        if (!(fReleased & HK_SNAPSHOT)) return (fReleased & HK_STOP) && Modifiers(nStopKey, bCtrl, bAlt);
        return Modifiers(nSnapshotKey, bCtrl, bAlt) || (nS == nT && Modifiers(nStopKey, bCtrl, bAlt));
    }

    // Marks the events that belong to the combination, walking back from the last; FALSE on a mismatch.
    BOOL MarkCombination(KeyEvent* aEvents, int cEvents) const
    {
        BOOL bResult = TRUE;
        BOOL bDownSeen = FALSE;
        UINT fReleased = 0;
        UINT fPressed = 0;
        for (int i = cEvents - 1; i >= 0; --i)
        {
            KeyEvent& event = aEvents[i];
            if (!event.nMessage || !event.nKey) continue;
            UINT fKey = KeyBit(event.nKey);
            if (IsKeyUpMessage(event.nMessage))
            {
                if (bDownSeen)
                {
                    if (fReleased != fPressed)
                    {
                        DebugOut("RemoveHotKey - Key downs have not been found for all the key ups.\n");
                        bResult = FALSE;
                    }
                    break;
                }
                if (!fKey) continue;
                fReleased |= fKey;
                event.bRemove = TRUE;
                continue;
            }
            if (!bDownSeen)
            {
                bDownSeen = TRUE;
                if (!FormHotkey(fReleased))
                {
                    DebugOut("RemoveHotKey - Key ups have not identified a valid hotkey.\n");
                    bResult = FALSE;
                }
            }
            if (fKey & fReleased)
            {
                event.bRemove = TRUE;
                fPressed |= fKey;
            }
        }
        return bResult;
    }

  private:
    static BOOL Modifiers(UINT nHotkey, BOOL bCtrl, BOOL bAlt)
    {
        return bCtrl == ((nHotkey & HOTKEY_CTRL) != 0) && bAlt == ((nHotkey & HOTKEY_ALT) != 0);
    }

    UINT nSnapshotKey;
    UINT nStopKey;
    long nS;
    long nT;
};

// The message and hotkey key of the event between ib and ibEnd.
void ReadKeyData(const EventText& text, const HotkeyCutter& cutter, DWORD ib, DWORD ibEnd, KeyEvent* pEvent)
{
    for (; ib < ibEnd; ++ib)
    {
        if (text.IsTagAt(ib, c_szMessage, sizeof(c_szMessage) - 1))
        {
            long nMessage = text.ValueAt(ib);
            if (!IsKeyDownMessage(nMessage) && !IsKeyUpMessage(nMessage)) return;
            pEvent->nMessage = nMessage;
        }
        else if (text.IsTagAt(ib, c_szVirtualKeyCode, sizeof(c_szVirtualKeyCode) - 1))
        {
            long nKey = text.ValueAt(ib);
            if (cutter.KeyBit(nKey)) pEvent->nKey = nKey;
            return;
        }
    }
}
} // namespace

BOOL RemoveHotKeyFromText(char* pText, DWORD* pcbText, UINT nSnapshotKey, UINT nStopKey)
{
    if (!pText || !pcbText || *pcbText == 0) return FALSE;
    EventText text(pText, *pcbText);
    HotkeyCutter cutter(nSnapshotKey, nStopKey);
    const DWORD cb = text.Size();

    DWORD ibKey = 0;
    while (ibKey < cb && !(text.IsTagAt(ibKey, c_szVirtualKeyCode, sizeof(c_szVirtualKeyCode) - 1) &&
                           cutter.KeyBit(text.ValueAt(ibKey))))
        ++ibKey;
    if (ibKey == cb) return FALSE;

    // The event that holds the key; "<Events" qualifies as well.
    DWORD ibFirst = ibKey + 1;
    do
        --ibFirst;
    while (ibFirst > 0 && !text.IsTagAt(ibFirst, c_szEvent, sizeof(c_szEvent) - 1));
    if (!text.IsTagAt(ibFirst, c_szEvent, sizeof(c_szEvent) - 1)) return FALSE;

    DWORD ibEndMarker = text.EndMarker();
    int cEvents = 0;
    for (DWORD ib = ibFirst; ib < ibEndMarker; ++ib)
        if (text.IsTagAt(ib, c_szEvent, sizeof(c_szEvent) - 1)) ++cEvents;
    // One more entry holds the end marker, so every event ends where the next entry starts.
    KeyEvent* aEvents = new (std::nothrow) KeyEvent[cEvents + 1]();
    if (!aEvents)
    {
        DebugOut("RemoveHotKey - unable to allocate the event table.\n");
        return FALSE;
    }
    int iEvent = 0;
    for (DWORD ib = ibFirst; ib < ibEndMarker; ++ib)
        if (text.IsTagAt(ib, c_szEvent, sizeof(c_szEvent) - 1)) aEvents[iEvent++].ib = ib;
    aEvents[cEvents].ib = ibEndMarker;
    for (int i = 0; i < cEvents; ++i)
        ReadKeyData(text, cutter, aEvents[i].ib, aEvents[i + 1].ib, &aEvents[i]);

    BOOL bResult = cutter.MarkCombination(aEvents, cEvents);

    DWORD cbText = cb;
    for (int i = cEvents - 1; i >= 0; --i)
    {
        if (!aEvents[i].bRemove) continue;
        DWORD ibStart = aEvents[i].ib;
        DWORD cbCut = aEvents[i + 1].ib - ibStart;
        memmove(pText + ibStart, pText + ibStart + cbCut, cbText - ibStart - cbCut);
        cbText -= cbCut;
    }
    // What moved up leaves zeros behind, so the block still reads as text to its end.
    memset(pText + cbText, 0, cb - cbText);
    *pcbText = cbText;
    delete[] aEvents;
    return bResult;
}
