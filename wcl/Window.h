#pragma once
#include "wcl/Win.h"

// A thin, copyable handle wrapper: no ownership, no state but the handle.
class CWindow
{
public:
    HWND m_hWnd;

    CWindow(HWND hWnd = NULL) : m_hWnd(hWnd) {}
    CWindow& operator=(HWND hWnd) { m_hWnd = hWnd; return *this; }
    operator HWND() const { return m_hWnd; }

    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach() { HWND h = m_hWnd; m_hWnd = NULL; return h; }

    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    BOOL DestroyWindow() { BOOL ok = ::DestroyWindow(m_hWnd); if (ok) m_hWnd = NULL; return ok; }

    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessage(m_hWnd, msg, w, l); }
    BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessage(m_hWnd, msg, w, l); }

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    BOOL SetWindowText(const char* text) { return ::SetWindowTextA(m_hWnd, text); }
    int GetWindowText(char* buf, int size) const { return ::GetWindowTextA(m_hWnd, buf, size); }
    BOOL SetDlgItemText(int id, const char* text) { return ::SetDlgItemTextA(m_hWnd, id, text); }
    UINT GetDlgItemText(int id, char* buf, int size) const { return ::GetDlgItemTextA(m_hWnd, id, buf, size); }
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    BOOL GetClientRect(RECT* rc) const { return ::GetClientRect(m_hWnd, rc); }
    BOOL GetWindowRect(RECT* rc) const { return ::GetWindowRect(m_hWnd, rc); }
    BOOL MoveWindow(int x, int y, int cx, int cy, BOOL repaint = TRUE) { return ::MoveWindow(m_hWnd, x, y, cx, cy, repaint); }
    BOOL MoveWindow(const RECT& rc, BOOL repaint = TRUE) { return MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, repaint); }
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) { return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags); }
    BOOL Invalidate(BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, NULL, erase); }
    BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, NULL); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    LONG_PTR GetStyle() const { return ::GetWindowLongPtr(m_hWnd, GWL_STYLE); }
    void SetFont(HFONT font, BOOL redraw = TRUE) { SendMessage(WM_SETFONT, (WPARAM)font, redraw); }
    HFONT GetFont() const { return (HFONT)SendMessage(WM_GETFONT); }
    BOOL ScreenToClient(POINT* pt) const { return ::ScreenToClient(m_hWnd, pt); }
    BOOL ClientToScreen(POINT* pt) const { return ::ClientToScreen(m_hWnd, pt); }
};
