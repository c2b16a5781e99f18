#pragma once
#include "app/AppDlg.h"

// Asks for the device password when the device refused the one it has.
class CLoginDlg : public CAppDialog<CLoginDlg>
{
public:
    enum { IDD = IDD_LOGIN };

    CLoginDlg() { m_password[0] = '\0'; }

    char m_password[33];

    BEGIN_MSG_MAP(CLoginDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOK(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
};

// An invisible modal wait that lets a TCP connection attempt finish: it ends
// with 1 on the first timer tick that finds no attempt in progress. The frame
// then looks at the link state itself.
class CLoginWaitDlg : public CAppDialog<CLoginWaitDlg>
{
public:
    enum { IDD = IDD_LOGIN_WAIT };
    static const UINT kTimerId = 1;
    static const UINT kPeriod = 1000;

    // The link state it watches (CommState by default; 1: attempt in progress).
    typedef int (*LinkStateFn)();
    explicit CLoginWaitDlg(LinkStateFn linkState = nullptr);

    // One tick: true when the dialog ended.
    bool CheckAttempt();

    BEGIN_MSG_MAP(CLoginWaitDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_WINDOWPOSCHANGING, OnWindowPosChanging)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnWindowPosChanging(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);

private:
    LinkStateFn m_linkState;
};
