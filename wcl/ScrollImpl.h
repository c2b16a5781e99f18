#pragma once
#include "wcl/MessageMap.h"

// Scrolling support mixed into a window class T (a page dialog): the window
// shows a part of a larger extent, and scrolling moves the child controls
// together with the background. T provides m_hWnd; T's map chains this map first.
//
// The scroll offset is the position of the client area's top left corner in
// the extent; children stand at their extent position minus the offset.
template <class T>
class CScrollImpl
{
public:
    POINT m_ptOffset = { 0, 0 };
    SIZE m_sizeAll = { 0, 0 };
    SIZE m_sizeClient = { 0, 0 };
    SIZE m_sizeLine = { 1, 1 };
    SIZE m_sizePage = { 1, 1 };

    // Sets the extent; the offset goes back to 0,0, the ranges become 0 to
    // extent - 1 and, with redraw, the window is invalidated.
    void SetScrollSize(int cx, int cy, BOOL redraw = TRUE)
    {
        HWND hWnd = Self();
        if (m_ptOffset.x || m_ptOffset.y)
            ScrollChildren(m_ptOffset.x, m_ptOffset.y);
        m_ptOffset.x = 0;
        m_ptOffset.y = 0;
        m_sizeAll.cx = cx > 0 ? cx : 0;
        m_sizeAll.cy = cy > 0 ? cy : 0;
        m_sizeLine.cx = m_sizeAll.cx / 20 > 0 ? m_sizeAll.cx / 20 : 1;
        m_sizeLine.cy = m_sizeAll.cy / 20 > 0 ? m_sizeAll.cy / 20 : 1;
        RECT rc;
        if (::GetClientRect(hWnd, &rc))
        {
            m_sizeClient.cx = rc.right;
            m_sizeClient.cy = rc.bottom;
        }
        UpdateScrollBars(redraw);
        if (redraw)
            ::InvalidateRect(hWnd, NULL, TRUE);
    }

    void GetScrollSize(SIZE* size) const { *size = m_sizeAll; }
    void GetScrollOffset(POINT* pt) const { *pt = m_ptOffset; }

    // Scrolls to the given offset, kept within the range.
    void SetScrollOffset(int x, int y)
    {
        x = ClampPos(x, m_sizeAll.cx, m_sizeClient.cx);
        y = ClampPos(y, m_sizeAll.cy, m_sizeClient.cy);
        int dx = m_ptOffset.x - x;
        int dy = m_ptOffset.y - y;
        if (!dx && !dy)
            return;
        m_ptOffset.x = x;
        m_ptOffset.y = y;
        ScrollChildren(dx, dy);
        ::SetScrollPos(Self(), SB_HORZ, x, TRUE);
        ::SetScrollPos(Self(), SB_VERT, y, TRUE);
    }

    BEGIN_MSG_MAP(CScrollImpl)
        MESSAGE_HANDLER(WM_CREATE, OnScrollCreate)
        MESSAGE_HANDLER(WM_VSCROLL, OnScrollBar)
        MESSAGE_HANDLER(WM_HSCROLL, OnScrollBar)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheel)
        MESSAGE_HANDLER(WM_SETTINGCHANGE, OnScrollSettingChange)
        MESSAGE_HANDLER(WM_SIZE, OnScrollSize)
        MESSAGE_HANDLER(WM_PAINT, OnScrollPaint)
        MESSAGE_HANDLER(WM_PRINTCLIENT, OnScrollPaint)
    END_MSG_MAP()

    LRESULT OnScrollCreate(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        ReadWheelLines();
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnScrollSettingChange(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        ReadWheelLines();
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnScrollBar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
    {
        // A trackbar or scroll bar control of the page reports through the
        // same messages: those belong to the page, not to the scrolling.
        if (lParam)
        {
            bHandled = FALSE;
            return 0;
        }
        int bar = uMsg == WM_VSCROLL ? SB_VERT : SB_HORZ;
        DoScroll(bar, LOWORD(wParam));
        return 0;
    }

    LRESULT OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (m_sizeAll.cy <= m_sizeClient.cy)
        {
            bHandled = FALSE;
            return 0;
        }
        int delta = (short)HIWORD(wParam);
        int lines = m_wheelLines ? (int)m_wheelLines : 3;
        int step = m_wheelLines == WHEEL_PAGESCROLL ? m_sizePage.cy : lines * m_sizeLine.cy;
        SetScrollOffset(m_ptOffset.x, m_ptOffset.y - delta * step / WHEEL_DELTA);
        return 0;
    }

    LRESULT OnScrollSize(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
    {
        m_sizeClient.cx = (short)LOWORD(lParam);
        m_sizeClient.cy = (short)HIWORD(lParam);
        UpdateScrollBars(TRUE);
        bHandled = FALSE;
        return 0;
    }

    // The page paints nothing of its own: its controls paint themselves.
    LRESULT OnScrollPaint(UINT uMsg, WPARAM wParam, LPARAM, BOOL&)
    {
        if (uMsg == WM_PAINT && !wParam)
        {
            PAINTSTRUCT ps;
            ::BeginPaint(Self(), &ps);
            ::EndPaint(Self(), &ps);
        }
        return 0;
    }

private:
    UINT m_wheelLines = 3;

    HWND Self() const { return static_cast<const T*>(this)->m_hWnd; }

    static int ClampPos(int pos, int extent, int client)
    {
        int maxPos = extent - client;
        if (pos > maxPos)
            pos = maxPos;
        return pos < 0 ? 0 : pos;
    }

    void ReadWheelLines()
    {
        UINT lines = 3;
        if (::SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0))
            m_wheelLines = lines;
    }

    // Moves the children by dx, dy pixels in one batch and repaints the
    // background. The children are moved here rather than by the system's
    // scroll-children option, which leaves them in place while the page is
    // hidden (and a hidden page is still scrolled when its pane shrinks).
    void ScrollChildren(int dx, int dy)
    {
        HWND hWnd = Self();
        int count = 0;
        for (HWND c = ::GetWindow(hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
            ++count;
        HDWP dwp = count ? ::BeginDeferWindowPos(count) : NULL;
        for (HWND c = ::GetWindow(hWnd, GW_CHILD); dwp && c; c = ::GetWindow(c, GW_HWNDNEXT))
        {
            RECT rc;
            ::GetWindowRect(c, &rc);
            ::MapWindowPoints(NULL, hWnd, (POINT*)&rc, 2);
            dwp = ::DeferWindowPos(dwp, c, NULL, rc.left + dx, rc.top + dy, 0, 0,
                                   SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        if (dwp)
            ::EndDeferWindowPos(dwp);
        ::InvalidateRect(hWnd, NULL, TRUE);
    }

    void UpdateScrollBars(BOOL redraw)
    {
        HWND hWnd = Self();
        m_sizePage.cx = m_sizeClient.cx > 0 ? m_sizeClient.cx : 1;
        m_sizePage.cy = m_sizeClient.cy > 0 ? m_sizeClient.cy : 1;
        SCROLLINFO si = { sizeof(si) };
        si.fMask = SIF_PAGE | SIF_RANGE | SIF_POS;
        si.nMin = 0;
        si.nMax = m_sizeAll.cx > 0 ? m_sizeAll.cx - 1 : 0;
        si.nPage = m_sizeClient.cx > 0 ? m_sizeClient.cx : 0;
        si.nPos = m_ptOffset.x;
        ::SetScrollInfo(hWnd, SB_HORZ, &si, redraw);
        si.nMax = m_sizeAll.cy > 0 ? m_sizeAll.cy - 1 : 0;
        si.nPage = m_sizeClient.cy > 0 ? m_sizeClient.cy : 0;
        si.nPos = m_ptOffset.y;
        ::SetScrollInfo(hWnd, SB_VERT, &si, redraw);
        // A larger window leaves less to scroll: come back into the range.
        int x = ClampPos(m_ptOffset.x, m_sizeAll.cx, m_sizeClient.cx);
        int y = ClampPos(m_ptOffset.y, m_sizeAll.cy, m_sizeClient.cy);
        if (x != m_ptOffset.x || y != m_ptOffset.y)
            SetScrollOffset(x, y);
    }

    void DoScroll(int bar, int code)
    {
        bool vert = bar == SB_VERT;
        int pos = vert ? m_ptOffset.y : m_ptOffset.x;
        int line = vert ? m_sizeLine.cy : m_sizeLine.cx;
        int page = vert ? m_sizePage.cy : m_sizePage.cx;
        int extent = vert ? m_sizeAll.cy : m_sizeAll.cx;
        switch (code)
        {
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = extent; break;
        case SB_LINEUP: pos -= line; break;
        case SB_LINEDOWN: pos += line; break;
        case SB_PAGEUP: pos -= page; break;
        case SB_PAGEDOWN: pos += page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
        {
            SCROLLINFO si = { sizeof(si) };
            si.fMask = SIF_TRACKPOS;
            if (::GetScrollInfo(Self(), bar, &si))
                pos = si.nTrackPos;
            break;
        }
        default:
            return;
        }
        if (vert)
            SetScrollOffset(m_ptOffset.x, pos);
        else
            SetScrollOffset(pos, m_ptOffset.y);
    }
};
