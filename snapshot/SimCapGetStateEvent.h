// snapshot/SimCapGetStateEvent.h — the whole visible interface at one step: the included processes, the
// window tree of every included top-level window, the foreground window, and a screenshot saved as a BMP
// file beside the capture file.
#pragma once
#include <windows.h>

#include "snapshot/CaptureReady.h"
#include "snapshot/SimCapElement.h"

class SIMCAP_GETSTATEEVENT : public SIMCAP_ELEMENT
{
  public:
    // Queues the snapshot; nothing is captured until Init.
    SIMCAP_GETSTATEEVENT();
    ~SIMCAP_GETSTATEEVENT() override;

    BOOL IsEventBlockMember() const override { return FALSE; }
    // Writes the "GetStateEvent" element and the screenshot file, and takes the next state number.
    BOOL Write(int nDepth) override;
    LPCSTR GetEventType() const override { return "GetState"; }
    // Processes, then the screen copy, then the windows (only after a successful copy). TRUE when the
    // copy and the window enumeration both succeeded.
    virtual BOOL Init();

    // EnumWindows callback; lParam is the snapshot. TRUE goes on.
    static BOOL CALLBACK WndEnumProc(HWND hwnd, LPARAM lParam);
    // The screenshot's file name for a state number: "SimCap_%.3lu.bmp". FALSE when the buffer is short.
    static BOOL ImageFileName(int nState, LPSTR pszName, UINT cchName);

    HBITMAP hbmScreen;
    SIMCAP_LIST windows;
    SIMCAP_LIST processes;
    DWORD dwFocusWnd;
    CaptureReady ready; // set when Init is over

  private:
    BOOL InitProcesses();
    BOOL CaptureScreenAndWindows();
    BOOL WriteImage(int nDepth, int nState, HDC hdcScreen);
};
