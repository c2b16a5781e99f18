#pragma once
#include "wcl/Win.h"

// What every benchmark program needs: a clock in milliseconds, a message
// pump that waits for a condition with a deadline, and a message-only window
// that stands in for the main frame.

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

// A message-only window of a class of its own with this procedure. The class
// is registered at the first call; later calls find it there.
inline HWND CreateMessageWindow(const char* className, WNDPROC proc)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandle(NULL);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowA(className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
}
