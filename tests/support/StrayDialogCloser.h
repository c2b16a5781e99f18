#pragma once
#include "wcl/Win.h"

// A safety net for tests: while it lives, every system message box that
// appears on this thread without going through ShowMessageBox (which tests
// answer with CMessageBoxRecorder) is closed at once with Cancel, so that a
// test fails instead of hanging. Count() tells how many it closed; a test
// normally expects 0.
class CStrayDialogCloser
{
public:
    CStrayDialogCloser();
    ~CStrayDialogCloser();

    int Count() const { return m_count; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);

    HHOOK m_hook;
    int m_count;
    CStrayDialogCloser* m_outer;
};

// Answers the modal dialogs a test opens through code it cannot reach (a
// frame command that runs DoModal): while it lives, every dialog of this
// thread that becomes active, except message boxes, is handed to 'answer',
// which sets controls as a user would and posts (so the modal loop handles
// it) the button that ends it. A dialog still open when the deadline passes
// is ended with Cancel and counted in Overdue(), so a test fails instead of
// hanging.
class CModalDialogAnswerer
{
public:
    typedef void (*AnswerFn)(HWND dlg, void* context);
    CModalDialogAnswerer(AnswerFn answer, void* context, DWORD deadlineMs = 10000);
    ~CModalDialogAnswerer();

    int Answered() const { return m_answered; }
    int Overdue() const { return m_overdue; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK OnDeadline(HWND, UINT, UINT_PTR, DWORD);

    HHOOK m_hook;
    UINT_PTR m_timer;
    AnswerFn m_answer;
    void* m_context;
    int m_answered;
    int m_overdue;
    CModalDialogAnswerer* m_outer;
};
