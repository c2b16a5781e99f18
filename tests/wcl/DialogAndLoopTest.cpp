#include <gtest/gtest.h>
#include "wcl/WindowImpl.h"
#include "wcl/MessageLoop.h"
#include "wcl/WaitCursor.h"
#include <string>

namespace
{
// An edit control hooked into an object: keeps digits only.
class CDigitsEdit : public CControlImpl<CDigitsEdit>
{
public:
    BEGIN_MSG_MAP(CDigitsEdit)
        MESSAGE_HANDLER(WM_CHAR, OnChar)
    END_MSG_MAP()

    LRESULT OnChar(UINT, WPARAM wParam, LPARAM, BOOL& handled)
    {
        if (wParam < '0' || wParam > '9')
            return 0;
        handled = FALSE;
        return 0;
    }
};

class CNotifyDialog : public CMessageMapWindow
{
public:
    CNotifyDialog() { m_isDialog = true; }
    bool initSeen = false;

    BEGIN_MSG_MAP(CNotifyDialog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        NOTIFY_CODE_HANDLER(TCN_SELCHANGING, OnSelChanging)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) { initSeen = true; return TRUE; }
    LRESULT OnSelChanging(int, LPNMHDR, BOOL&) { return TRUE; } // veto

    // From the test's template in WclTest.rc: one edit control (id 100).
    HWND Create()
    {
        BeginCreate();
        return ::CreateDialogParamA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(9201), NULL, DialogProc, 0);
    }
};

class CCountingIdle : public CIdleHandler
{
public:
    int calls = 0;
    BOOL OnIdle() override { ++calls; return FALSE; }
};

// Takes the timer's message and ends the loop.
class CQuitFilter : public CMessageFilter
{
public:
    int seen = 0;
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message != WM_APP + 50)
            return FALSE;
        ++seen;
        ::PostQuitMessage(7);
        return TRUE;
    }
};

int g_timerRuns = 0;
void CALLBACK CountTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    ++g_timerRuns;
    ::KillTimer(NULL, id);
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP + 50, 0, 0);
}
}

TEST(DialogImpl, NotificationResultReachesSenderAndSubclassedControlFilters)
{
    CNotifyDialog dlg;
    ASSERT_TRUE(dlg.Create());
    EXPECT_TRUE(dlg.initSeen);
    NMHDR nmh = { dlg.GetDlgItem(100), 100, (UINT)TCN_SELCHANGING };
    EXPECT_EQ(TRUE, ::SendMessage(dlg, WM_NOTIFY, 100, (LPARAM)&nmh));
    EXPECT_EQ(TRUE, ::GetWindowLongPtr(dlg, DWLP_MSGRESULT));
    EXPECT_EQ(0, ::GetWindowLongPtr(dlg, GWLP_USERDATA));

    // The handler filters; default processing stays the control's own.
    CDigitsEdit edit;
    ASSERT_TRUE(edit.SubclassWindow(dlg.GetDlgItem(100)));
    for (char c : std::string("a1b2"))
        edit.SendMessage(WM_CHAR, (WPARAM)c, 1);
    char text[16] = {};
    edit.GetWindowText(text, sizeof(text));
    EXPECT_STREQ("12", text);
    EXPECT_EQ(0, ::GetWindowLongPtr(edit, GWLP_USERDATA));
    dlg.DestroyWindow();
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_FALSE(edit.IsSubclassed());
}

TEST(MessageLoop, RunsThreadTimersIdleHandlersAndFilters)
{
    CMessageLoop loop;
    CCountingIdle idle;
    CQuitFilter filter;
    loop.AddIdleHandler(&idle);
    loop.AddMessageFilter(&filter);
    g_timerRuns = 0;
    ::SetTimer(NULL, 0, 10, CountTimer);
    EXPECT_EQ(7, loop.Run());
    EXPECT_EQ(1, g_timerRuns);
    EXPECT_EQ(1, filter.seen);
    EXPECT_GE(idle.calls, 1);
    EXPECT_TRUE(loop.RemoveIdleHandler(&idle));
    EXPECT_FALSE(loop.RemoveIdleHandler(&idle));
}

// Work inside one call shows the wait cursor and gives back the cursor shown
// before it, also when such work runs inside other such work.
TEST(WaitCursor, ShowsTheWaitCursorAndGivesBackTheOneBefore)
{
    const HCURSOR arrow = ::LoadCursor(NULL, IDC_ARROW), wait = ::LoadCursor(NULL, IDC_WAIT);
    ::SetCursor(arrow);
    {
        CWaitCursor outer;
        EXPECT_EQ(wait, ::GetCursor());
        {
            CWaitCursor inner;
            EXPECT_EQ(wait, ::GetCursor());
        }
        EXPECT_EQ(wait, ::GetCursor()) << "the outer work still runs";
    }
    EXPECT_EQ(arrow, ::GetCursor());
}
