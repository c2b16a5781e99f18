#pragma once
#include "wcl/WindowImpl.h"

// Standard ids of the frame's bars, as the frame and its tests know them.
enum : UINT
{
    WCL_IDW_TOOLBAR = 0xE800,    // the rebar (top bar area)
    WCL_IDW_STATUS_BAR = 0xE801,
    WCL_IDW_CLIENT = 0xE900,
};

// A top-level window with a bar area at the top (normally a rebar), a status
// bar at the bottom and one client window filling the rest.
template <class T>
class CFrameWindowImpl : public CWindowImpl<T>
{
public:
    HWND m_hWndToolBar = NULL;   // the rebar
    HWND m_hWndStatusBar = NULL;
    HWND m_hWndClient = NULL;

    BEGIN_MSG_MAP(CFrameWindowImpl)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        NOTIFY_CODE_HANDLER(RBN_HEIGHTCHANGE, OnRebarHeightChange)
    END_MSG_MAP()

    // Places the bars along the edges and gives the rest to the client.
    void UpdateLayout()
    {
        RECT rc;
        if (!::GetClientRect(this->m_hWnd, &rc))
            return;
        if (m_hWndToolBar && IsShown(m_hWndToolBar))
        {
            ::SendMessage(m_hWndToolBar, WM_SIZE, 0, 0);
            RECT bar;
            ::GetWindowRect(m_hWndToolBar, &bar);
            rc.top += bar.bottom - bar.top;
        }
        if (m_hWndStatusBar && IsShown(m_hWndStatusBar))
        {
            ::SendMessage(m_hWndStatusBar, WM_SIZE, 0, 0);
            RECT bar;
            ::GetWindowRect(m_hWndStatusBar, &bar);
            rc.bottom -= bar.bottom - bar.top;
        }
        if (rc.bottom < rc.top)
            rc.bottom = rc.top;
        if (m_hWndClient)
            ::SetWindowPos(m_hWndClient, NULL, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // A bar's own visibility: the frame lays itself out before it is shown.
    static bool IsShown(HWND bar) { return (::GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE) != 0; }

    LRESULT OnSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (wParam != SIZE_MINIMIZED)
            static_cast<T*>(this)->UpdateLayout();
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        if (m_hWndClient && ::IsWindowVisible(m_hWndClient))
            ::SetFocus(m_hWndClient);
        bHandled = FALSE;
        return 1;
    }

    // The client covers everything but the bars, which paint themselves.
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        if (!m_hWndClient)
            bHandled = FALSE;
        return 1;
    }

    LRESULT OnRebarHeightChange(int, LPNMHDR, BOOL&)
    {
        static_cast<T*>(this)->UpdateLayout();
        return 0;
    }
};
