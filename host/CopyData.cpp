// Records that hook procedures in other processes send to the recorder window. Nothing in them is
// trusted: the size is checked before a field is read, and an address is never followed.
#include "host/SimCap.h"

#include <new>

#include "hooks/CopyDataRecords.h"
#include "hooks/HookEvents.h"
#include "util/Diag.h"

namespace
{
// Answers whether the record holds at least cbRecord readable bytes; says so in a debug line when not.
BOOL HasWholeRecord(const COPYDATASTRUCT* pcds, DWORD cbRecord)
{
    if (pcds->cbData >= cbRecord && pcds->lpData) return TRUE;
    DebugOutF("SIMCAP::OnCopyData(): record %lu of %lu bytes is shorter than its %lu bytes; dropped\n",
              static_cast<unsigned long>(pcds->dwData), static_cast<unsigned long>(pcds->cbData),
              static_cast<unsigned long>(cbRecord));
    return FALSE;
}
} // namespace

LRESULT SIMCAP::OnCopyData(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    const auto* pcds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!pcds) return 0;
    switch (pcds->dwData)
    {
    case COPYDATA_HOOKEVENT:
        if (!HasWholeRecord(pcds, sizeof(SIMCAP_COPYDATA_HOOKEVENT))) return 0;
        return OnHookEventRecord(*static_cast<const SIMCAP_COPYDATA_HOOKEVENT*>(pcds->lpData));
    case COPYDATA_CBTEVENT:
        if (!HasWholeRecord(pcds, sizeof(SIMCAP_COPYDATA_CBTEVENT))) return 0;
        return OnCbtEventRecord(*static_cast<const SIMCAP_COPYDATA_CBTEVENT*>(pcds->lpData));
    case COPYDATA_JOURNALEVENT:
        if (!HasWholeRecord(pcds, sizeof(SIMCAP_COPYDATA_JOURNALEVENT))) return 0;
        return OnJournalHandOver(*static_cast<const SIMCAP_COPYDATA_JOURNALEVENT*>(pcds->lpData));
    case COPYDATA_TOOLBAR_BUTTON_REPLY:
    case COPYDATA_LISTBOX_REPLY:
    case COPYDATA_COMBOBOX_REPLY:
    case COPYDATA_MENUITEM_REPLY:
    case COPYDATA_BUTTON_IMAGE_REPLY: return OnControlDataReply(pcds);
    }
    DebugOut("SIMCAP::OnCopyData(): unexpected 'dwData' value\n");
    return DefWindowProcA(hwnd, WM_COPYDATA, wParam, lParam);
}

namespace
{
// The owner of the window that a record names must be a target, else the record is dropped. The owner's
// process and thread are answered for the event that follows.
BOOL IsIncludedWindow(SIMCAP* pSimCap, DWORD dwWindow, DWORD* pdwProcessId = nullptr,
                      DWORD* pdwThreadId = nullptr)
{
    DWORD dwProcessId = 0;
    DWORD dwThreadId =
        GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<UINT_PTR>(dwWindow)), &dwProcessId);
    if (pdwProcessId) *pdwProcessId = dwProcessId;
    if (pdwThreadId) *pdwThreadId = dwThreadId;
    return dwProcessId != 0 && pSimCap->aInclProcesses.Find(dwProcessId);
}

// Where each reply carries the address of the object that asked, and the least size that holds it.
struct ReplyLayout
{
    ULONG_PTR dwData;
    DWORD cbMinimum;
    DWORD ibObject;
};
const ReplyLayout c_aReplyLayouts[] = {
    {COPYDATA_TOOLBAR_BUTTON_REPLY, 2128, 8}, {COPYDATA_LISTBOX_REPLY, 20, 4},
    {COPYDATA_COMBOBOX_REPLY, 80, 4},         {COPYDATA_MENUITEM_REPLY, 24, 8},
    {COPYDATA_BUTTON_IMAGE_REPLY, 8, 0},
};
} // namespace

LRESULT SIMCAP::OnHookEventRecord(const SIMCAP_COPYDATA_HOOKEVENT& record)
{
    if (record.dwKind == HOOKEVENT_KIND_MOUSE)
    {
        if (!bIncludeMouseEvents || !IsIncludedWindow(this, record.mouse.hwnd) ||
            aExclMessages.Find(record.wParam))
            return 0;
        MOUSEHOOKSTRUCT mhs = {};
        mhs.pt.x = record.mouse.x;
        mhs.pt.y = record.mouse.y;
        mhs.hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.mouse.hwnd));
        mhs.wHitTestCode = record.mouse.wHitTestCode;
        mhs.dwExtraInfo = record.mouse.dwExtraInfo;
        if (!new (std::nothrow) SIMCAP_MOUSEEVENT(record.nCode, record.wParam, mhs))
        {
            OutputLastError("SIMCAP::OnCopyData(): Error creating SIMCAP_MOUSEEVENT - ", GetLastError());
            return 0;
        }
        return 1;
    }
    if (record.dwKind == HOOKEVENT_KIND_SYSMSG)
    {
        DWORD dwProcessId = 0, dwThreadId = 0;
        if (!IsIncludedWindow(this, record.msg.hwnd, &dwProcessId, &dwThreadId) ||
            aExclMessages.Find(record.msg.message))
            return 0;
        MSG msg = {};
        msg.hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.msg.hwnd));
        msg.message = record.msg.message;
        msg.wParam = record.msg.wParam;
        msg.lParam = record.msg.lParam;
        msg.time = record.msg.time;
        msg.pt.x = record.msg.x;
        msg.pt.y = record.msg.y;
        if (!new (std::nothrow) SIMCAP_SYSMSGEVENT(record.nCode, msg, dwProcessId, dwThreadId))
        {
            OutputLastError("SIMCAP::OnCopyData(): Error creating SIMCAP_SYSMSGEVENT - ", GetLastError());
            return 0;
        }
        return 1;
    }
    return 0;
}

LRESULT SIMCAP::OnCbtEventRecord(const SIMCAP_COPYDATA_CBTEVENT& record)
{
    if (!IsIncludedWindow(this, record.wParam)) return 0;
    if (!new (std::nothrow) SIMCAP_CBTEVENT(&record))
    {
        OutputLastError("SIMCAP::OnCopyData(): Error creating SIMCAP_CBTEVENT - ", GetLastError());
        return 0;
    }
    return 1;
}

void SIMCAP::BeginAwaitReply(ULONG_PTR dwData, const void* pvObject, ReplySink pfnSink)
{
    dwAwaitedReply = dwData;
    pvAwaitedObject = pvObject;
    pfnAwaitedSink = pfnSink;
    bReplyTaken = FALSE;
}

void SIMCAP::EndAwaitReply()
{
    dwAwaitedReply = 0;
    pvAwaitedObject = nullptr;
    pfnAwaitedSink = nullptr;
}

// A reply carries the address of the object that asked. It is only ever used when it names the object
// whose request the recorder is waiting for at this moment; any other reply is dropped unread.
LRESULT SIMCAP::OnControlDataReply(const COPYDATASTRUCT* pcds)
{
    const ReplyLayout* pLayout = nullptr;
    for (const ReplyLayout& layout : c_aReplyLayouts)
        if (layout.dwData == pcds->dwData) pLayout = &layout;
    if (!pLayout || pcds->dwData != dwAwaitedReply || !pvAwaitedObject)
    {
        DebugOutF("SIMCAP::OnCopyData(): reply %lu arrived while no request waits; dropped\n",
                  static_cast<unsigned long>(pcds->dwData));
        return 0;
    }
    if (!HasWholeRecord(pcds, pLayout->cbMinimum)) return 0;
    DWORD dwObject = 0;
    CopyMemory(&dwObject, static_cast<const BYTE*>(pcds->lpData) + pLayout->ibObject, sizeof(dwObject));
    if (dwObject != static_cast<DWORD>(reinterpret_cast<UINT_PTR>(pvAwaitedObject)))
    {
        DebugOutF("SIMCAP::OnCopyData(): reply %lu names an object no request waits for; dropped\n",
                  static_cast<unsigned long>(pcds->dwData));
        return 0;
    }
    return TakeControlDataReply(pcds);
}

// One reply per request: a second one for the same object is not taken.
LRESULT SIMCAP::TakeControlDataReply(const COPYDATASTRUCT* pcds)
{
    const BYTE* pb = static_cast<const BYTE*>(pcds->lpData);
    if (bReplyTaken || !ControlReplyFits(pcds->dwData, pb, pcds->cbData)) return 0;
    if (pfnAwaitedSink && !pfnAwaitedSink(const_cast<void*>(pvAwaitedObject), pb, pcds->cbData)) return 0;
    bReplyTaken = TRUE;
    return 0;
}
