#pragma once
#include "wcl/Win.h"

// A window's drawing turned off while the object lives, for a run of changes
// that would each redraw it.
//
// WM_SETREDRAW keeps its state in WS_VISIBLE: turning the drawing on again
// shows the window, even one that was hidden meanwhile, over whatever took
// its place. So only a window that is visible has its drawing turned off, and
// the drawing comes back on before anything else can hide the window: hold
// the object within one call, never across a return to the message loop. A
// hidden window draws nothing anyway.
class CRedrawOff
{
public:
    explicit CRedrawOff(HWND window)
        : m_window(window), m_off(window && (::GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0)
    {
        if (m_off)
            ::SendMessageA(m_window, WM_SETREDRAW, FALSE, 0);
    }
    ~CRedrawOff()
    {
        if (m_off)
            ::SendMessageA(m_window, WM_SETREDRAW, TRUE, 0);
    }
    CRedrawOff(const CRedrawOff&) = delete;
    CRedrawOff& operator=(const CRedrawOff&) = delete;

private:
    HWND m_window;
    bool m_off;
};
