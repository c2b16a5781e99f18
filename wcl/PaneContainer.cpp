#include "wcl/PaneContainer.h"


HWND CPaneContainer::Create(HWND parent, const char* title, DWORD style, UINT id)
{
    ::lstrcpynA(m_title, title ? title : "", sizeof(m_title));
    return CWindowImpl<CPaneContainer>::Create(parent, nullptr, m_title, style, 0, id);
}

void CPaneContainer::SetTitle(const char* title)
{
    ::lstrcpynA(m_title, title ? title : "", sizeof(m_title));
    if (m_hWnd)
    {
        ::SetWindowTextA(m_hWnd, m_title);
        RECT rc = { 0, 0, 0, m_titleHeight };
        GetClientRect(&rc);
        rc.bottom = m_titleHeight;
        ::InvalidateRect(m_hWnd, &rc, TRUE);
    }
}

void CPaneContainer::SetClient(HWND client)
{
    m_client = client;
    UpdateLayout();
}

void CPaneContainer::UpdateLayout()
{
    if (!m_hWnd || !m_client)
        return;
    RECT rc;
    GetClientRect(&rc);
    int top = m_titleHeight < rc.bottom ? m_titleHeight : rc.bottom;
    ::SetWindowPos(m_client, NULL, 0, top, rc.right, rc.bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CPaneContainer::OnCreate(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm = {};
    ::GetTextMetricsA(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    m_titleHeight = tm.tmHeight + 2 * 3 + 1;
    bHandled = FALSE;
    return 0;
}

LRESULT CPaneContainer::OnSize(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    UpdateLayout();
    bHandled = FALSE;
    return 0;
}

LRESULT CPaneContainer::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    RECT rc;
    GetClientRect(&rc);
    rc.bottom = m_titleHeight;
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    RECT line = { rc.left, rc.bottom - 1, rc.right, rc.bottom };
    ::FillRect(dc, &line, ::GetSysColorBrush(COLOR_BTNSHADOW));
    HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    RECT text = { rc.left + 4, rc.top, rc.right - 4, rc.bottom - 1 };
    ::DrawTextA(dc, m_title, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
    ::SelectObject(dc, oldFont);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CPaneContainer::OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    if (m_client)
        ::SetFocus(m_client);
    else
        bHandled = FALSE;
    return 0;
}

LRESULT CPaneContainer::OnForward(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    HWND parent = GetParent();
    // Menu and accelerator commands (no control window) are not the client's.
    if (!parent || (uMsg == WM_COMMAND && !lParam))
    {
        bHandled = FALSE;
        return 0;
    }
    return ::SendMessageA(parent, uMsg, wParam, lParam);
}
