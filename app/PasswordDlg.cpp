#include "app/PasswordDlg.h"
#include "comm/DeviceProtocol.h"
#include "wcl/WaitCursor.h"
#include <cstring>

namespace
{
const int kInputIds[] = {IDC_PASSWORD_OLD, IDC_PASSWORD_NEW, IDC_PASSWORD_CONFIRM, IDOK, IDCANCEL};
}

CPasswordDlg::CPasswordDlg(SendFn send) : m_send(std::move(send)), m_waiting(0), m_done(0)
{
    m_newPassword[0] = '\0';
    m_oldPassword[0] = '\0';
    if (!m_send)
        m_send = [](const char* newPassword, const char* oldPassword) {
            return g_DeviceProtocol.ChangePassword(newPassword, oldPassword) != 0;
        };
}

LRESULT CPasswordDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    for (int id : {IDC_PASSWORD_OLD, IDC_PASSWORD_NEW, IDC_PASSWORD_CONFIRM})
    {
        ::SendMessage(GetDlgItem(id), EM_LIMITTEXT, sizeof(m_newPassword) - 1, 0);
        // With visual styles an edit would show a dot instead.
        ::SendMessage(GetDlgItem(id), EM_SETPASSWORDCHAR, '*', 0);
    }
    m_waiting = 0;
    m_done = 0;
    return TRUE;
}

void CPasswordDlg::EnableInput(bool enable)
{
    for (int id : kInputIds)
        ::EnableWindow(GetDlgItem(id), enable);
}

LRESULT CPasswordDlg::OnSetCursor(UINT, WPARAM, LPARAM, BOOL& handled)
{
    if (!m_waiting)
    {
        handled = FALSE;
        return 0;
    }
    ShowWaitCursor();
    return TRUE;
}

LRESULT CPasswordDlg::OnOK(WORD, WORD, HWND, BOOL&)
{
    if (m_done)
    {
        Finish(IDOK);
        return 0;
    }
    if (m_waiting)
        return 0;
    char confirm[sizeof(m_newPassword)];
    GetItemText(m_hWnd, IDC_PASSWORD_OLD, m_oldPassword, sizeof(m_oldPassword));
    GetItemText(m_hWnd, IDC_PASSWORD_NEW, m_newPassword, sizeof(m_newPassword));
    GetItemText(m_hWnd, IDC_PASSWORD_CONFIRM, confirm, sizeof(confirm));
    if (strcmp(m_newPassword, confirm) != 0)
    {
        g_Language.MessageBoxKey("strPasswordConfirmFailed", "strError", MB_OK | MB_ICONEXCLAMATION);
        SetDlgItemText(IDC_PASSWORD_CONFIRM, "");
        SetDlgItemText(IDC_PASSWORD_NEW, "");
        ::SetFocus(GetDlgItem(IDC_PASSWORD_NEW));
        return 0;
    }
    // Wait only for a request that went out: otherwise no answer comes and
    // the dialog could never be closed.
    if (!m_send(m_newPassword, m_oldPassword))
        return 0;
    m_waiting = 1;
    EnableInput(false);
    ShowWaitCursor();
    return 0;
}

LRESULT CPasswordDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    if (m_waiting)
        return 0; // the change is with the device
    Finish(IDCANCEL);
    return 0;
}

void CPasswordDlg::OnChangeDone()
{
    m_waiting = 0;
    m_done = 1;
    if (IsWindow())
        PostMessage(WM_COMMAND, IDOK);
}

void CPasswordDlg::OnChangeFailed(int result, const char* causeText)
{
    m_waiting = 0;
    m_done = 0;
    if (!IsWindow())
        return;
    EnableInput(true);
    ShowArrowCursor();
    if (result == 6)
    {
        g_Language.MessageBoxKey("strPasswordOldFailed", "strError", MB_OK | MB_ICONEXCLAMATION);
        SetDlgItemText(IDC_PASSWORD_OLD, "");
        ::SetFocus(GetDlgItem(IDC_PASSWORD_OLD));
    }
    else if (result == 3)
        g_Language.MessageBoxKey("strErrorNoResponse", "strError", MB_OK | MB_ICONEXCLAMATION);
    else
        g_Language.MessageBoxKeyFormat("strErrorResponse", "strError", MB_OK | MB_ICONEXCLAMATION,
                                       causeText ? causeText : "");
}

void CPasswordDlg::Abandon()
{
    m_waiting = 0;
    if (IsWindow())
        PostMessage(WM_COMMAND, IDCANCEL);
}
