#pragma once
#include "wcl/Win.h"

// A safety net for tests: while it lives, every system message box that
// appears on this thread without going through ShowMessageBox (which tests
// answer with CMessageBoxRecorder) is closed at once with Cancel, so that a
// test fails instead of hanging. Count() tells how many it closed; a test
// normally expects 0.
//
//   CStrayDialogCloser net;
//   ...code under test...
//   EXPECT_EQ(0, net.Count());
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
