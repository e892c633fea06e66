// hooks/ControlRequest.h — the recorder's side of a control data request: one registered message to a
// window of the target, then the wait for the collector's reply. Runs on the recorder's window thread.
#pragma once
#include <windows.h>

// Takes a reply for the object that asked; the record has been checked against its counts and names
// this object. FALSE when the object refuses it (the record is for another window or item, or memory
// ran out).
typedef BOOL (*ReplySink)(void* pvObject, const BYTE* pbRecord, DWORD cbRecord);

// The longest the recorder waits for one reply, in milliseconds ("RequestTimeout" in "Settings"); a
// snapshot's budget for sends that came to nothing may make it shorter (util/BoundedSend.h).
const DWORD c_dwDefaultReplyWaitMs = 1000;

// Sends request nMessage to hwnd (lParam is pvObject) and waits for the reply of kind dwReply: the
// send itself gives up on a hung thread, and the wait after it handles only messages sent to this thread
// (the reply among them). TRUE when the reply came and the object took it; else nothing has changed.
// Under Wine the target's hook answers after the send has returned, on Windows during it.
BOOL RequestControlData(HWND hwnd, UINT nMessage, WPARAM wParam, ULONG_PTR dwReply, void* pvObject,
                        ReplySink pfnSink);

// A plain control message to a window that may be another process's, through BoundedSend; lDefault
// when nothing came back.
LRESULT AskControl(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT lDefault);

// Checks a reply of dwData 8 to 12 against its own counts before anything is copied: the fixed part
// fits, and the blocks its counts announce fit into cbData. FALSE (with a debug line) when not.
BOOL ControlReplyFits(ULONG_PTR dwData, const BYTE* pbRecord, DWORD cbRecord);

// Walks the texts of a block of NUL-terminated texts whose last byte is NUL; past its end, or for a
// missing block, each text is empty.
class TextBlockReader
{
  public:
    TextBlockReader(LPCSTR pszBlock, DWORD cbBlock)
        : psz(pszBlock), pszEnd(pszBlock ? pszBlock + cbBlock : nullptr)
    {
    }
    LPCSTR Next()
    {
        if (!psz || psz >= pszEnd) return "";
        LPCSTR pszText = psz;
        psz += lstrlenA(psz) + 1;
        return pszText;
    }

  private:
    LPCSTR psz;
    LPCSTR pszEnd;
};
