#pragma once
#include "wcl/Win.h"
#include "tests/support/MessageWindow.h"
#include "base/AppSettings.h"
#include "comm/CommLogCtrl.h"

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

// The communication log as the main window shows it: a visible rich edit
// view with the configured line limit.
class BenchLogView
{
public:
    BenchLogView()
    {
        LoadLibraryA("RICHED20.DLL");
        m_host = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 500, NULL, NULL,
                                 GetModuleHandle(NULL), NULL);
        HWND edit = CreateWindowExA(0, "RichEdit20A", "",
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                        ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                                    0, 0, 880, 480, m_host, NULL, GetModuleHandle(NULL), NULL);
        log.Attach(edit);
        log.Init();
        log.SetMaxLines((int)g_Settings.CommunicationLogMaxLines);
    }
    ~BenchLogView()
    {
        log.Detach();
        DestroyWindow(m_host);
    }
    CCommLogCtrl log;

private:
    HWND m_host;
};
