#pragma once
#include "wcl/Win.h"
#include <vector>

// A window that wants to see messages before they are dispatched (accelerators,
// dialog navigation in modeless pages) registers a filter with the loop.
class CMessageFilter
{
public:
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;
protected:
    ~CMessageFilter() = default;
};

// Work done whenever the queue has run empty (update of command states).
class CIdleHandler
{
public:
    virtual BOOL OnIdle() = 0;
protected:
    ~CIdleHandler() = default;
};

// The UI thread's message loop. Thread messages (hwnd NULL) are dispatched as
// well, so that thread timers with a callback run.
class CMessageLoop
{
public:
    BOOL AddMessageFilter(CMessageFilter* filter);
    BOOL RemoveMessageFilter(CMessageFilter* filter);
    BOOL AddIdleHandler(CIdleHandler* handler);
    BOOL RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT; returns its exit code.
    int Run();

    // Offers a message to the filters, last added first; true when one kept it.
    BOOL PreTranslateMessage(MSG* msg);
    // Calls every idle handler; true when any of them wants more idle time.
    BOOL OnIdle(int idleCount);

    static bool IsIdleMessage(const MSG& msg);

private:
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
};
