#include "app/DateTimeDlg.h"
#include "base/TextUtil.h"
#include "comm/DeviceProtocol.h"

CDateTimeDlg::CDateTimeDlg() : m_time(), m_lastSyncPresent(0), m_lastSync{0, 0}, m_lastSyncYear(0)
{
}

void CDateTimeDlg::LoadFromEngine(const CDeviceProtocol& engine)
{
    m_time = engine.GetDeviceTime();
    m_lastSyncPresent = engine.GetDateExtraFlag();
    const BYTE* extra = engine.GetDateExtraBytes();
    m_lastSync[0] = extra ? extra[0] : 0;
    m_lastSync[1] = extra ? extra[1] : 0;
    m_lastSyncYear = engine.GetExtraYear();
}

LRESULT CDateTimeDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    HWND timePicker = GetDlgItem(IDC_TIME_PICKER);
    HWND datePicker = GetDlgItem(IDC_DATE_PICKER);
    ::SendMessage(timePicker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&m_time);
    SYSTEMTIME range[2] = {};
    range[0].wYear = 2000, range[0].wMonth = 1, range[0].wDay = 1;
    range[1].wYear = 2099, range[1].wMonth = 12, range[1].wDay = 31;
    range[1].wHour = 23, range[1].wMinute = 59, range[1].wSecond = 59;
    ::SendMessage(datePicker, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, (LPARAM)range);
    // Outside the range the picker keeps the date it shows (today).
    if (m_time.wYear >= 2000 && m_time.wYear <= 2099)
        ::SendMessage(datePicker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&m_time);

    if (m_lastSyncPresent)
    {
        char text[MAX_PATH];
        if (m_lastSync[0] == 0 && m_lastSync[1] == 0 && m_lastSyncYear == 0)
            g_Language.GetString("strDateTimeLastSyncError", text, sizeof(text));
        else
        {
            char format[MAX_PATH];
            g_Language.GetString("strDateTimeLastSync", format, sizeof(format));
            FormatText(text, sizeof(text), format, m_lastSync[0], m_lastSync[1], m_lastSyncYear);
        }
        SetDlgItemText(IDC_DIALOG_TEXT, text);
    }
    return TRUE;
}

LRESULT CDateTimeDlg::OnSynchronize(WORD, WORD, HWND, BOOL&)
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    ::SendMessage(GetDlgItem(IDC_TIME_PICKER), DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&now);
    ::SendMessage(GetDlgItem(IDC_DATE_PICKER), DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&now);
    PostMessage(WM_COMMAND, IDOK);
    return 0;
}

LRESULT CDateTimeDlg::OnOK(WORD, WORD, HWND, BOOL&)
{
    SYSTEMTIME time = {}, date = {};
    if (::SendMessage(GetDlgItem(IDC_TIME_PICKER), DTM_GETSYSTEMTIME, 0, (LPARAM)&time) == GDT_VALID)
    {
        m_time.wHour = time.wHour;
        m_time.wMinute = time.wMinute;
        m_time.wSecond = time.wSecond;
    }
    if (::SendMessage(GetDlgItem(IDC_DATE_PICKER), DTM_GETSYSTEMTIME, 0, (LPARAM)&date) == GDT_VALID)
    {
        m_time.wYear = date.wYear;
        m_time.wMonth = date.wMonth;
        m_time.wDay = date.wDay;
        m_time.wDayOfWeek = date.wDayOfWeek;
    }
    m_time.wMilliseconds = 0;
    Finish(IDOK);
    return 0;
}

LRESULT CDateTimeDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    Finish(IDCANCEL);
    return 0;
}
