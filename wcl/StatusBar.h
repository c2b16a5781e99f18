#pragma once
#include "wcl/Window.h"

// A status bar with a size grip and fixed-width panes.
class CStatusBarCtrl : public CWindow
{
public:
    HWND Create(HWND parent, UINT id)
    {
        m_hWnd = ::CreateWindowExA(0, STATUSCLASSNAMEA, NULL,
                                   WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | SBARS_SIZEGRIP,
                                   0, 0, 0, 0, parent, (HMENU)(UINT_PTR)id, ::GetModuleHandle(NULL), NULL);
        return m_hWnd;
    }

    // widths: the width of each pane; the last pane also takes the rest.
    BOOL SetPanes(const int* widths, int count)
    {
        int edges[16];
        if (count < 1 || count > 16)
            return FALSE;
        int right = 0;
        for (int i = 0; i < count; ++i)
        {
            right += widths[i];
            edges[i] = right;
        }
        edges[count - 1] = -1;
        return (BOOL)SendMessage(SB_SETPARTS, count, (LPARAM)edges);
    }

    BOOL SetPaneText(int pane, const char* text) { return (BOOL)SendMessage(SB_SETTEXTA, pane, (LPARAM)text); }
    int GetPaneText(int pane, char* buf, int size) const
    {
        int len = LOWORD(SendMessage(SB_GETTEXTLENGTHA, pane));
        if (!buf || size <= 0 || len >= size)
            return -1;
        SendMessage(SB_GETTEXTA, pane, (LPARAM)buf);
        buf[len] = 0;
        return len;
    }
};
