#pragma once
#include "wcl/Win.h"
#include <cstdio>

// A hidden top-level window to parent pages and dialogs created from WS_CHILD
// templates (a child template without a parent fails with error 1406), and a
// message pump with a deadline for what the windows post to themselves.
namespace testsupport
{
inline HWND CreatePageHost(int width = 800, int height = 600, bool visible = false)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandle(NULL);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.hCursor = ::LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = "VelTestPageHost";
    ::RegisterClassA(&wc); // fails harmlessly once the class is there
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0);
    return ::CreateWindowExA(0, "VelTestPageHost", "host", style, 0, 0, width, height, NULL, NULL,
                             ::GetModuleHandle(NULL), NULL);
}

// Dispatches what is queued, then keeps pumping until ms have passed.
inline void PumpMessages(DWORD ms = 0)
{
    DWORD start = ::GetTickCount();
    for (;;)
    {
        MSG msg;
        while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (::GetTickCount() - start >= ms)
            break;
        ::MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}
}
