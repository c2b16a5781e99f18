#pragma once
#include "wcl/Win.h"
#include "tests/support/MessageWindow.h"

// What every benchmark program needs: a clock in milliseconds, a message
// pump that waits for a condition with a deadline; the stand-in frame windows
// come from the engine tests' support.

inline double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

// Handles this thread's messages until done() holds; false when timeoutMs
// passed first.
template <class Done>
bool PumpUntil(Done done, double timeoutMs)
{
    const double deadline = Now() + timeoutMs;
    while (!done())
    {
        MSG msg;
        while (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
        if (done())
            break;
        if (Now() > deadline)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 2, QS_ALLINPUT);
    }
    return true;
}
