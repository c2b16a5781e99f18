#pragma once
#include "app/AppDlg.h"

class CDeviceProtocol;

// Shows and sets the device's date and time. The frame fills the fields from
// the engine's date and time record and sends GetTime back on result 1.
class CDateTimeDlg : public CAppDialog<CDateTimeDlg>
{
public:
    enum { IDD = IDD_DATETIME };

    CDateTimeDlg();
    void LoadFromEngine(const CDeviceProtocol& engine);

    SYSTEMTIME m_time;
    BYTE m_lastSyncPresent;
    BYTE m_lastSync[2];
    WORD m_lastSyncYear; // 0 when unknown

    const SYSTEMTIME& GetTime() const { return m_time; }

    BEGIN_MSG_MAP(CDateTimeDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDC_DATETIME_SYNCHRONIZE, OnSynchronize)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSynchronize(WORD, WORD, HWND, BOOL&);
    LRESULT OnOK(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
};
