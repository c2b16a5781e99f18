#pragma once
#include "app/AppDlg.h"
#include "pages/NumericEdit.h"

// Probes serial port COMn: ERROR_SUCCESS when it opens, else the open's
// error. Replaceable so that tests decide which ports exist or are in use.
typedef DWORD (*ComPortProbe)(int number);
ComPortProbe SetComPortProbe(ComPortProbe probe); // NULL: the real ports
DWORD ProbeComPort(int number);

// Chooses the device link: a serial port (the device's USB serial port is one
// of them) or a TCP address and port. Result 1 with the fields set, or 2. It
// checks nothing: the frame compares the fields with the settings.
class CCommunicationDlg : public CAppDialog<CCommunicationDlg>
{
public:
    enum { IDD = IDD_COMMUNICATION };
    static const int kMaxComPort = 999;

    CCommunicationDlg(DWORD linkMode, const char* portName, const char* tcpAddress, DWORD tcpPort);

    DWORD m_linkMode;      // 0 serial, 1 TCP
    char m_portName[32];
    char m_tcpAddress[64];
    // The port box's value: 1..65535, or -1 (0xFFFFFFFF) when left empty,
    // which is no usable port.
    DWORD m_tcpPort;

    BEGIN_MSG_MAP(CCommunicationDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_HANDLER(IDC_LINK_USB, BN_CLICKED, OnLinkMode)
        COMMAND_HANDLER(IDC_LINK_TCP, BN_CLICKED, OnLinkMode)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLinkMode(WORD, WORD, HWND, BOOL&);
    LRESULT OnOK(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);

private:
    void FillPortList();
    void EnableForMode(bool tcp);

    CNumericEdit m_portEdit;
};
