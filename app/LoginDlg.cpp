#include "app/LoginDlg.h"
#include "comm/Link.h"
#include "wcl/WaitCursor.h"

LRESULT CLoginDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    HWND edit = GetDlgItem(IDC_LOGIN_PASSWORD);
    ::SendMessage(edit, EM_LIMITTEXT, sizeof(m_password) - 1, 0);
    // With visual styles an edit would show a dot instead.
    ::SendMessage(edit, EM_SETPASSWORDCHAR, '*', 0);
    ::SetFocus(edit);
    return FALSE; // the focus is set
}

LRESULT CLoginDlg::OnOK(WORD, WORD, HWND, BOOL&)
{
    GetItemText(m_hWnd, IDC_LOGIN_PASSWORD, m_password, sizeof(m_password));
    Finish(IDOK);
    return 0;
}

LRESULT CLoginDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    Finish(IDCANCEL);
    return 0;
}

CLoginWaitDlg::CLoginWaitDlg(LinkStateFn linkState) : m_linkState(linkState ? linkState : &CommState)
{
}

LRESULT CLoginWaitDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    ShowWindow(SW_HIDE);
    ShowWaitCursor();
    SetTimer(kTimerId, kPeriod);
    return TRUE;
}

LRESULT CLoginWaitDlg::OnWindowPosChanging(UINT, WPARAM, LPARAM lParam, BOOL& handled)
{
    // A modal dialog is shown when its queue goes idle: it must stay hidden.
    reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
    handled = FALSE;
    return 0;
}

bool CLoginWaitDlg::CheckAttempt()
{
    if (m_linkState() == LINK_CONNECTING)
        return false;
    KillTimer(kTimerId);
    Finish(IDOK);
    return true;
}

LRESULT CLoginWaitDlg::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    if (wParam != kTimerId)
    {
        handled = FALSE;
        return 0;
    }
    CheckAttempt();
    return 0;
}

LRESULT CLoginWaitDlg::OnSetCursor(UINT, WPARAM, LPARAM, BOOL&)
{
    ShowWaitCursor();
    return TRUE;
}

LRESULT CLoginWaitDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    // Escape does not end the wait: the attempt decides.
    return 0;
}
