#pragma once
#include "wcl/WindowImpl.h"

// A window split into a left and a right pane by a vertical bar the user can
// drag. The panes are child windows of the splitter; the bar position is the
// left edge of the bar in client coordinates. A class derived from it (the
// configuration view) chains this map after its own entries.
template <class T>
class CSplitterWindowImpl : public CWindowImpl<T>
{
public:
    enum { SPLIT_PANE_LEFT = 0, SPLIT_PANE_RIGHT = 1, SPLIT_PANE_NONE = -1 };

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
        *rc = RECT{ m_xySplitterPos, 0, m_xySplitterPos + m_cxySplitBar, client.bottom };
        return true;
    }

    bool GetSplitterPaneRect(int pane, RECT* rc) const
    {
        RECT client;
        ::GetClientRect(this->m_hWnd, &client);
        int pos = m_xySplitterPos < 0 ? client.right / 2 : m_xySplitterPos;
        if (pane == SPLIT_PANE_LEFT)
            *rc = RECT{ 0, 0, pos, client.bottom };
        else if (pane == SPLIT_PANE_RIGHT)
            *rc = RECT{ pos + m_cxySplitBar, 0, client.right, client.bottom };
        else
            return false;
        if (rc->right < rc->left)
            rc->right = rc->left;
        return true;
    }

    void UpdateSplitterLayout()
    {
        HWND hWnd = this->m_hWnd;
        if (!hWnd)
            return;
        RECT client;
        ::GetClientRect(hWnd, &client);
        if (client.right > 0)
        {
            if (m_xySplitterPos < 0)
                m_xySplitterPos = (client.right - m_cxySplitBar) / 2;
            int maxPos = client.right - m_cxySplitBar - m_cxyMin;
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
            ::SetCursor(::LoadCursor(NULL, IDC_SIZEWE));
            return TRUE;
        }
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnSplitterButtonDown(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
    {
        int x = (short)LOWORD(lParam);
        RECT bar;
        if (GetSplitterBarRect(&bar) && x >= bar.left && x < bar.right)
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
        int pos = (short)LOWORD(lParam) - m_dragOffset;
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

    bool IsOverBar() const
    {
        POINT pt;
        ::GetCursorPos(&pt);
        ::ScreenToClient(this->m_hWnd, &pt);
        RECT bar;
        return GetSplitterBarRect(&bar) && pt.x >= bar.left && pt.x < bar.right;
    }
};
