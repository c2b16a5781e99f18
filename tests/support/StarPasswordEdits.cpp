#include "tests/support/StarPasswordEdits.h"

namespace
{
CStarPasswordEdits* s_current = nullptr;
}

CStarPasswordEdits::CStarPasswordEdits() : m_hook(NULL), m_outer(s_current)
{
    s_current = this;
    m_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, CallProc, NULL, ::GetCurrentThreadId());
}

CStarPasswordEdits::~CStarPasswordEdits()
{
    ::UnhookWindowsHookEx(m_hook);
    s_current = m_outer;
}

LRESULT CALLBACK CStarPasswordEdits::CallProc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && s_current && call->message == EM_SETPASSWORDCHAR && call->wParam == '*')
        s_current->m_ids.insert(::GetDlgCtrlID(call->hwnd));
    return ::CallNextHookEx(NULL, code, wParam, lParam);
}
