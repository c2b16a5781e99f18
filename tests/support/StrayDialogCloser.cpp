#include "tests/support/StrayDialogCloser.h"

namespace
{
CStrayDialogCloser* s_closer = nullptr;

// A message box is a "#32770" window whose text is the static with id 0xFFFF.
bool IsMessageBox(HWND wnd)
{
    char cls[16] = "";
    ::GetClassNameA(wnd, cls, sizeof(cls));
    return lstrcmpA(cls, "#32770") == 0 && ::GetDlgItem(wnd, 0xFFFF) != NULL;
}
}

CStrayDialogCloser::CStrayDialogCloser() : m_hook(NULL), m_count(0), m_outer(s_closer)
{
    s_closer = this;
    m_hook = ::SetWindowsHookExA(WH_CBT, CbtProc, NULL, ::GetCurrentThreadId());
}

CStrayDialogCloser::~CStrayDialogCloser()
{
    if (m_hook)
        ::UnhookWindowsHookEx(m_hook);
    s_closer = m_outer;
}

LRESULT CALLBACK CStrayDialogCloser::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    CStrayDialogCloser* self = s_closer;
    if (code == HCBT_ACTIVATE && self && IsMessageBox((HWND)wParam))
    {
        ++self->m_count;
        ::PostMessageA((HWND)wParam, WM_COMMAND, IDCANCEL, 0);
    }
    return ::CallNextHookEx(self ? self->m_hook : NULL, code, wParam, lParam);
}
