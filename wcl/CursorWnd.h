#pragma once
#include "wcl/WindowImpl.h"
#include "wcl/MessageMap.h"

// An existing child window (subclassed) that shows a cursor of its own:
// with one set, WM_SETCURSOR shows it and ends there; without one the
// window's own handling stays.
class CCursorWnd : public CControlImpl<CCursorWnd>
{
public:
    // Stores a new cursor (null: the window's own) and returns the previous.
    HCURSOR SetCursor(HCURSOR cursor)
    {
        HCURSOR previous = m_cursor;
        m_cursor = cursor;
        return previous;
    }
    HCURSOR GetCursor() const { return m_cursor; }

    BEGIN_MSG_MAP(CCursorWnd)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
    END_MSG_MAP()

private:
    HCURSOR m_cursor = NULL;

    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        if (!m_cursor)
        {
            bHandled = FALSE;
            return 0;
        }
        ::SetCursor(m_cursor);
        return TRUE;
    }
};
