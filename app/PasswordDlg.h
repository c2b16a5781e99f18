#pragma once
#include "app/AppDlg.h"
#include <functional>

// Changes the device password. It stays open while the device works on the
// change; the frame reports the answer through OnChangeDone, OnChangeFailed
// and Abandon.
class CPasswordDlg : public CAppDialog<CPasswordDlg>
{
public:
    enum { IDD = IDD_PASSWORD };

    // send: hands the change to the device (new, old); true when the request
    // went out. Without one, the engine's ChangePassword.
    typedef std::function<bool(const char* newPassword, const char* oldPassword)> SendFn;
    explicit CPasswordDlg(SendFn send = nullptr);

    char m_newPassword[33];
    char m_oldPassword[33];

    bool IsWaiting() const { return m_waiting != 0; }
    bool IsDone() const { return m_done != 0; }

    void OnChangeDone();
    // result 6: the old password was wrong; 3: no answer; else a refusal
    // whose cause text the engine formatted.
    void OnChangeFailed(int result, const char* causeText = nullptr);
    void Abandon();

    BEGIN_MSG_MAP(CPasswordDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOK(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);

private:
    void EnableInput(bool enable);

    SendFn m_send;
    DWORD m_waiting;
    DWORD m_done;
};
