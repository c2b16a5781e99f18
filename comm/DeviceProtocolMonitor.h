#pragma once
#include "wcl/Win.h"

// What the protocol engine needs of the monitor log: the engine tells it when
// the device confirms a start or stop, hands it the device's trace text and
// acknowledgements, and switches it off on a device restart. The monitor log
// window implements this; the engine works without one.
class IEngineMonitorLog
{
public:
    // The central on/off switch of monitoring.
    virtual void SetMonitoring(BOOL on) = 0;
    // Whether monitoring is on.
    virtual BOOL IsMonitoring() const = 0;
    // Sub-states while monitoring is on.
    enum SubState
    {
        Running = 0,
        TemporarilyStopped = 1,
        Resumed = 2, // waiting to restart once the link is back
    };
    virtual int GetSubState() const = 0;
    // Builds the event mask command and sends it through the engine.
    virtual int SendMonitorMask() = 0;
    // Trace text of the device (length bytes, no terminator).
    virtual void OnMonitorText(const char* text, int length) = 0;
    // The device answered a monitor command or a keep-alive.
    virtual void OnMonitorAck() = 0;

protected:
    ~IEngineMonitorLog() {}
};
