// hooks/JournalEvents.h — events built by the recording journal hook from the input it sees.
#pragma once
#include <windows.h>

#include "snapshot/SimCapElement.h"

// A journal message the recorder does not expect; written outside any "Events" block.
class SIMCAP_JOURNALEVENT : public SIMCAP_ELEMENT
{
  public:
    SIMCAP_JOURNALEVENT(int nCode, const EVENTMSG& em);

    BOOL Write(int nDepth) override;
    LPCSTR GetEventType() const override { return "JournalRecordEvent"; }

    int nCode;
    EVENTMSG em;

  protected:
    // The journal events are written only while journal events are recorded, and only for HC_ACTION.
    BOOL IsWritten() const;
    virtual BOOL WriteContent(int nDepth);
};

class SIMCAP_JOURNALMOUSEEVENT : public SIMCAP_JOURNALEVENT
{
  public:
    using SIMCAP_JOURNALEVENT::SIMCAP_JOURNALEVENT;

    BOOL IsEventBlockMember() const override { return TRUE; }
    BOOL Write(int nDepth) override;
    LPCSTR GetEventType() const override { return "JournalMouseRecordEvent"; }

  protected:
    BOOL WriteContent(int nDepth) override;
};

class SIMCAP_JOURNALKEYBOARDEVENT : public SIMCAP_JOURNALEVENT
{
  public:
    using SIMCAP_JOURNALEVENT::SIMCAP_JOURNALEVENT;

    BOOL IsEventBlockMember() const override { return TRUE; }
    BOOL Write(int nDepth) override;
    LPCSTR GetEventType() const override { return "JournalKeyboardRecordEvent"; }

  protected:
    BOOL WriteContent(int nDepth) override;
};

// A system error, written into the capture file as a comment between events.
class SIMCAP_ERROREVENT : public SIMCAP_ELEMENT
{
  public:
    SIMCAP_ERROREVENT() = default;
    ~SIMCAP_ERROREVENT() override;

    BOOL Write(int nDepth) override;
    LPCSTR GetEventType() const override { return "Error"; }
    // Stores prefix followed by text; a null prefix counts as empty.
    virtual BOOL Init(LPCSTR pszPrefix, LPCSTR pszText);

    HGLOBAL hText = nullptr;
    LPSTR pszText = nullptr;
};
