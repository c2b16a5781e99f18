#pragma once
#include "wcl/Win.h"

// The cursors that tell the user the program is working, made in one place.
// A busy window answers WM_SETCURSOR with ShowWaitCursor; work done inside one
// call holds a CWaitCursor for its length.

// Each shows its cursor now and returns the one it replaced.
inline HCURSOR ShowWaitCursor() { return ::SetCursor(::LoadCursor(NULL, IDC_WAIT)); }
// Work goes on in the background (a connection being made): the user may go on.
inline HCURSOR ShowStartingCursor() { return ::SetCursor(::LoadCursor(NULL, IDC_APPSTARTING)); }
inline HCURSOR ShowArrowCursor() { return ::SetCursor(::LoadCursor(NULL, IDC_ARROW)); }

// The wait cursor while the object lives; the cursor shown before comes back
// when it goes.
class CWaitCursor
{
public:
    CWaitCursor() : m_previous(ShowWaitCursor()) {}
    ~CWaitCursor() { ::SetCursor(m_previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_previous;
};
