// Records that hook procedures in other processes send to the recorder window. Nothing in them is
// trusted: the size is checked before a field is read, and an address is never followed.
#include "host/SimCap.h"

#include "hooks/CopyDataRecords.h"
#include "util/Diag.h"

namespace
{
// Answers whether the record holds at least cbRecord readable bytes; says so in a debug line when not.
BOOL HasWholeRecord(const COPYDATASTRUCT* pcds, DWORD cbRecord)
{
    if (pcds->cbData >= cbRecord && pcds->lpData)
        return TRUE;
    DebugOutF("SIMCAP::OnCopyData(): record %lu of %lu bytes is shorter than its %lu bytes; dropped\n",
              static_cast<unsigned long>(pcds->dwData), static_cast<unsigned long>(pcds->cbData),
              static_cast<unsigned long>(cbRecord));
    return FALSE;
}
} // namespace

LRESULT SIMCAP::OnCopyData(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    const auto* pcds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!pcds)
        return 0;
    switch (pcds->dwData)
    {
    case COPYDATA_HOOKEVENT:
        if (!HasWholeRecord(pcds, sizeof(SIMCAP_COPYDATA_HOOKEVENT)))
            return 0;
        return OnHookEventRecord(*static_cast<const SIMCAP_COPYDATA_HOOKEVENT*>(pcds->lpData));
    case COPYDATA_CBTEVENT:
        if (!HasWholeRecord(pcds, sizeof(SIMCAP_COPYDATA_CBTEVENT)))
            return 0;
        return OnCbtEventRecord(*static_cast<const SIMCAP_COPYDATA_CBTEVENT*>(pcds->lpData));
    case COPYDATA_TOOLBAR_BUTTON_REPLY:
    case COPYDATA_LISTBOX_REPLY:
    case COPYDATA_COMBOBOX_REPLY:
    case COPYDATA_MENUITEM_REPLY:
    case COPYDATA_BUTTON_IMAGE_REPLY:
        return OnControlDataReply(pcds);
    }
    DebugOut("SIMCAP::OnCopyData(): unexpected 'dwData' value\n");
    return DefWindowProcA(hwnd, WM_COPYDATA, wParam, lParam);
}

// Event objects are built from these records once the event classes exist; until then nothing is
// recorded from a record, and it is answered as not taken.
LRESULT SIMCAP::OnHookEventRecord(const SIMCAP_COPYDATA_HOOKEVENT&)
{
    return 0;
}

LRESULT SIMCAP::OnCbtEventRecord(const SIMCAP_COPYDATA_CBTEVENT&)
{
    return 0;
}

// Replies are only ever accepted for the request the recorder is waiting for at this moment; no request
// is ever made yet, so every reply is unsolicited and dropped without reading it.
LRESULT SIMCAP::OnControlDataReply(const COPYDATASTRUCT* pcds)
{
    DebugOutF("SIMCAP::OnCopyData(): reply %lu arrived while no request waits; dropped\n",
              static_cast<unsigned long>(pcds->dwData));
    return 0;
}
