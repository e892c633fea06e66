// snapshot/SimCapConfigEvent.h — the display and system settings a recording was made under, written
// once at its start as a "Configuration" element.
#pragma once
#include <windows.h>

#include "snapshot/SimCapElement.h"

class SIMCAP_CONFIGEVENT : public SIMCAP_ELEMENT
{
  public:
    // Queues the event; every value stays 0 until Init.
    SIMCAP_CONFIGEVENT();

    BOOL IsEventBlockMember() const override { return FALSE; }
    BOOL Write(int nDepth) override;
    LPCSTR GetEventType() const override { return "Configuration"; }
    // Reads the settings; a failure leaves the values not yet read at 0, and the event is written anyway.
    virtual BOOL Init();

    // The system colours, in the order they are written, with their element names.
    struct SysColour
    {
        int nIndex;
        LPCSTR pszName;
    };
    static const SysColour c_aSysColours[22];

    OSVERSIONINFOA osvi;
    LOGFONTA lfSystem;
    NONCLIENTMETRICSA ncm;
    int anDeviceCaps[5]; // bits per pixel, width, height, logical pixels per inch in x and y
    COLORREF acrSysColours[22];

  private:
    BOOL WriteContent(int nDepth);
};
