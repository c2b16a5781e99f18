#pragma once
#include "wcl/WindowImpl.h"

// A window split into a left and a right pane by a vertical bar the user can
// drag (vertical false: a top and a bottom pane, split by a horizontal bar).
// The panes are child windows of the splitter; the bar position is the left
// (top) edge of the bar in client coordinates. A class derived from it (the
// configuration and diagnostics views) chains this map after its own entries.
template <class T, bool t_bVertical = true>
class CSplitterWindowImpl : public CWindowImpl<T>
{
public:
    enum { SPLIT_PANE_LEFT = 0, SPLIT_PANE_RIGHT = 1, SPLIT_PANE_NONE = -1 };
    enum { SPLIT_PANE_TOP = SPLIT_PANE_LEFT, SPLIT_PANE_BOTTOM = SPLIT_PANE_RIGHT };
    // Extended style: the right (bottom) pane keeps its size when the
    // splitter is resized; the left (top) pane takes the difference.
    enum : DWORD { SPLIT_RIGHTALIGNED = 0x4, SPLIT_BOTTOMALIGNED = 0x4 };

    HWND m_hWndPane[2] = { NULL, NULL };
    int m_xySplitterPos = -1;   // -1: put the bar in the middle once the width is known
    int m_cxySplitBar = 4;
    int m_cxyMin = 0;           // smallest width of a pane
    int m_nDefActivePane = SPLIT_PANE_NONE;
    DWORD m_dwExtendedStyle = 0;

    DWORD SetSplitterExtendedStyle(DWORD style)
    {
        DWORD old = m_dwExtendedStyle;
        m_dwExtendedStyle = style;
        return old;
    }

    void SetSplitterPane(int pane, HWND wnd, bool update = true)
    {
        if (pane != SPLIT_PANE_LEFT && pane != SPLIT_PANE_RIGHT)
            return;
        m_hWndPane[pane] = wnd;
        if (update)
            UpdateSplitterLayout();
    }

    HWND GetSplitterPane(int pane) const
    {
        return pane == SPLIT_PANE_LEFT || pane == SPLIT_PANE_RIGHT ? m_hWndPane[pane] : NULL;
    }

    // Moves the bar; -1 puts it in the middle.
    void SetSplitterPos(int pos = -1, bool update = true)
    {
        m_xySplitterPos = pos;
        if (update)
            UpdateSplitterLayout();
    }

    int GetSplitterPos() const { return m_xySplitterPos; }

    // The pane that holds the focus, or SPLIT_PANE_NONE.
    int GetActivePane() const
    {
        HWND focus = ::GetFocus();
        for (int i = 0; i < 2; ++i)
            if (m_hWndPane[i] && (focus == m_hWndPane[i] || ::IsChild(m_hWndPane[i], focus)))
                return i;
        return SPLIT_PANE_NONE;
    }

    bool SetActivePane(int pane)
    {
        HWND wnd = GetSplitterPane(pane);
        if (!wnd)
            return false;
        ::SetFocus(wnd);
        m_nDefActivePane = pane;
        return true;
    }

    bool GetSplitterBarRect(RECT* rc) const
    {
        RECT client;
        ::GetClientRect(this->m_hWnd, &client);
        if (m_xySplitterPos < 0)
            return false;
        *rc = Span(client, m_xySplitterPos, m_xySplitterPos + m_cxySplitBar);
        return true;
    }

    bool GetSplitterPaneRect(int pane, RECT* rc) const
    {
        RECT client;
        ::GetClientRect(this->m_hWnd, &client);
        int pos = m_xySplitterPos < 0 ? Extent(client) / 2 : m_xySplitterPos;
        if (pane == SPLIT_PANE_LEFT)
            *rc = Span(client, 0, pos);
        else if (pane == SPLIT_PANE_RIGHT)
            *rc = Span(client, pos + m_cxySplitBar, Extent(client));
        else
            return false;
        if (rc->right < rc->left)
            rc->right = rc->left;
        if (rc->bottom < rc->top)
            rc->bottom = rc->top;
        return true;
    }

    void UpdateSplitterLayout()
    {
        HWND hWnd = this->m_hWnd;
        if (!hWnd)
            return;
        RECT client;
        ::GetClientRect(hWnd, &client);
        int extent = Extent(client);
        if (extent > 0)
        {
            if ((m_dwExtendedStyle & SPLIT_RIGHTALIGNED) && m_lastExtent > 0 && m_xySplitterPos >= 0)
                m_xySplitterPos += extent - m_lastExtent;
            m_lastExtent = extent;
            if (m_xySplitterPos < 0)
                m_xySplitterPos = (extent - m_cxySplitBar) / 2;
            int maxPos = extent - m_cxySplitBar - m_cxyMin;
            if (m_xySplitterPos > maxPos)
                m_xySplitterPos = maxPos;
            if (m_xySplitterPos < m_cxyMin)
                m_xySplitterPos = m_cxyMin;
        }
        for (int i = 0; i < 2; ++i)
        {
            RECT rc;
            if (m_hWndPane[i] && GetSplitterPaneRect(i, &rc))
                ::SetWindowPos(m_hWndPane[i], NULL, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                               SWP_NOZORDER | SWP_NOACTIVATE);
        }
        RECT bar;
        if (GetSplitterBarRect(&bar))
            ::InvalidateRect(hWnd, &bar, TRUE);
    }

    BEGIN_MSG_MAP(CSplitterWindowImpl)
        MESSAGE_HANDLER(WM_SIZE, OnSplitterSize)
        MESSAGE_HANDLER(WM_PAINT, OnSplitterPaint)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSplitterSetCursor)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnSplitterButtonDown)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnSplitterMouseMove)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnSplitterButtonUp)
        MESSAGE_HANDLER(WM_CAPTURECHANGED, OnSplitterCaptureChanged)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnSplitterDoubleClick)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSplitterSetFocus)
    END_MSG_MAP()

    LRESULT OnSplitterSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (wParam != SIZE_MINIMIZED)
            UpdateSplitterLayout();
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnSplitterPaint(UINT, WPARAM, LPARAM, BOOL&)
    {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(this->m_hWnd, &ps);
        RECT bar;
        if (GetSplitterBarRect(&bar))
            ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_BTNFACE));
        ::EndPaint(this->m_hWnd, &ps);
        return 0;
    }

    LRESULT OnSplitterSetCursor(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
    {
        if ((HWND)wParam == this->m_hWnd && LOWORD(lParam) == HTCLIENT && IsOverBar())
        {
            ::SetCursor(::LoadCursor(NULL, t_bVertical ? IDC_SIZEWE : IDC_SIZENS));
            return TRUE;
        }
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnSplitterButtonDown(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
    {
        int x = Along(lParam);
        RECT bar;
        if (GetSplitterBarRect(&bar) && IsOnBar(bar, x))
        {
            m_dragOffset = x - m_xySplitterPos;
            ::SetCapture(this->m_hWnd);
            return 0;
        }
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnSplitterMouseMove(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
    {
        if (::GetCapture() != this->m_hWnd)
        {
            bHandled = FALSE;
            return 0;
        }
        int pos = Along(lParam) - m_dragOffset;
        if (pos != m_xySplitterPos)
            SetSplitterPos(pos < 0 ? 0 : pos);
        return 0;
    }

    LRESULT OnSplitterButtonUp(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        if (::GetCapture() == this->m_hWnd)
            ::ReleaseCapture();
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnSplitterCaptureChanged(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnSplitterDoubleClick(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        if (IsOverBar())
        {
            SetSplitterPos(-1);
            return 0;
        }
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnSplitterSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        if (m_nDefActivePane != SPLIT_PANE_NONE && GetSplitterPane(m_nDefActivePane))
            ::SetFocus(GetSplitterPane(m_nDefActivePane));
        else
            bHandled = FALSE;
        return 0;
    }

private:
    int m_dragOffset = 0;
    int m_lastExtent = 0;   // client width (height) of the last layout

    // Orientation: positions run along x for a vertical bar, along y for a
    // horizontal one.
    static int Extent(const RECT& client) { return t_bVertical ? client.right : client.bottom; }
    static int Along(LPARAM point) { return t_bVertical ? (short)LOWORD(point) : (short)HIWORD(point); }
    static bool IsOnBar(const RECT& bar, int pos)
    {
        return t_bVertical ? pos >= bar.left && pos < bar.right : pos >= bar.top && pos < bar.bottom;
    }
    // The band from..to across the whole client area.
    static RECT Span(const RECT& client, int from, int to)
    {
        return t_bVertical ? RECT{ from, 0, to, client.bottom } : RECT{ 0, from, client.right, to };
    }

    bool IsOverBar() const
    {
        POINT pt;
        ::GetCursorPos(&pt);
        ::ScreenToClient(this->m_hWnd, &pt);
        RECT bar;
        return GetSplitterBarRect(&bar) && IsOnBar(bar, t_bVertical ? pt.x : pt.y);
    }
};
