#include "tests/support/StrayDialogCloser.h"

namespace
{
CStrayDialogCloser* s_closer = nullptr;
CModalDialogAnswerer* s_answerer = nullptr;

bool IsDialog(HWND wnd)
{
    char cls[16] = "";
    ::GetClassNameA(wnd, cls, sizeof(cls));
    return lstrcmpA(cls, "#32770") == 0;
}

// A message box is a dialog whose text is the static with id 0xFFFF.
bool IsMessageBox(HWND wnd)
{
    return IsDialog(wnd) && ::GetDlgItem(wnd, 0xFFFF) != NULL;
}

BOOL CALLBACK CancelOpenDialog(HWND wnd, LPARAM param)
{
    // Hidden dialogs too (a wait that never shows); a disabled one is the
    // owner of the dialog above it, which ends first.
    if (IsDialog(wnd) && ::IsWindowEnabled(wnd))
    {
        ++*reinterpret_cast<int*>(param);
        ::EndDialog(wnd, IDCANCEL);
    }
    return TRUE;
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

CModalDialogAnswerer::CModalDialogAnswerer(AnswerFn answer, void* context, DWORD deadlineMs)
    : m_hook(NULL), m_timer(0), m_answer(answer), m_context(context), m_answered(0), m_overdue(0),
      m_outer(s_answerer)
{
    s_answerer = this;
    m_hook = ::SetWindowsHookExA(WH_CBT, CbtProc, NULL, ::GetCurrentThreadId());
    // A thread timer runs inside any modal loop of this thread.
    m_timer = ::SetTimer(NULL, 0, deadlineMs, OnDeadline);
}

CModalDialogAnswerer::~CModalDialogAnswerer()
{
    if (m_timer)
        ::KillTimer(NULL, m_timer);
    if (m_hook)
        ::UnhookWindowsHookEx(m_hook);
    s_answerer = m_outer;
}

LRESULT CALLBACK CModalDialogAnswerer::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    CModalDialogAnswerer* self = s_answerer;
    HWND wnd = (HWND)wParam;
    // Each dialog once: the mark is its own property.
    if (code == HCBT_ACTIVATE && self && IsDialog(wnd) && !IsMessageBox(wnd) && !::GetPropA(wnd, "TestAnswered"))
    {
        ::SetPropA(wnd, "TestAnswered", (HANDLE)1);
        ++self->m_answered;
        self->m_answer(wnd, self->m_context);
    }
    return ::CallNextHookEx(self ? self->m_hook : NULL, code, wParam, lParam);
}

void CALLBACK CModalDialogAnswerer::OnDeadline(HWND, UINT, UINT_PTR id, DWORD)
{
    CModalDialogAnswerer* self = s_answerer;
    ::KillTimer(NULL, id);
    if (!self)
        return;
    self->m_timer = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), CancelOpenDialog, (LPARAM)&self->m_overdue);
}
