// hooks/HookEvents.h — events built from the records that hook procedures send from other processes.
#pragma once
#include <windows.h>

#include "hooks/CopyDataRecords.h"
#include "snapshot/CaptureReady.h"
#include "snapshot/SimCapElement.h"

class SIMCAP_WINDOW;

// A window about to be destroyed. A destroy event carries a snapshot of the window, taken while the
// hooked thread still waits in SendMessageA.
class SIMCAP_CBTEVENT : public SIMCAP_ELEMENT
{
  public:
    // A null record leaves every field zero.
    explicit SIMCAP_CBTEVENT(const SIMCAP_COPYDATA_CBTEVENT* pRecord);
    ~SIMCAP_CBTEVENT() override;

    BOOL IsEventBlockMember() const override { return TRUE; }
    BOOL Write(int nDepth) override;
    LPCSTR GetEventType() const override { return "CBTEvent"; }

    DWORD adwRecord[23]; // kind, nCode, wParam, hwnd and the 19 reserved values
    SIMCAP_WINDOW* pWindow;
    CaptureReady ready; // set when the constructor has described the window

  private:
    BOOL WriteContent(int nDepth);
};

class SIMCAP_SYSMSGEVENT : public SIMCAP_ELEMENT
{
  public:
    SIMCAP_SYSMSGEVENT(int nCode, const MSG& msg);

    BOOL IsEventBlockMember() const override { return TRUE; }
    BOOL Write(int nDepth) override;
    LPCSTR GetEventType() const override { return "SysMsgEvent"; }

    int nCode;
    MSG msg;
    DWORD dwProcessId;
    DWORD dwThreadId;

  private:
    BOOL WriteContent(int nDepth);
    BOOL WriteMessageChildren(int nDepth);
};

class SIMCAP_MOUSEEVENT : public SIMCAP_ELEMENT
{
  public:
    SIMCAP_MOUSEEVENT(int nCode, UINT nMessage, const MOUSEHOOKSTRUCT& mhs);

    BOOL IsEventBlockMember() const override { return TRUE; }
    BOOL Write(int nDepth) override;
    LPCSTR GetEventType() const override { return "MouseEvent"; }

    int nCode;
    UINT nMessage;
    MOUSEHOOKSTRUCT mhs;

  private:
    BOOL WriteContent(int nDepth);
};

// A point as an element of its own with "x" and "y" children.
BOOL WritePoint(UINT nTag, int nDepth, int x, int y);
