#include "app/CommunicationDlg.h"
#include "base/TextUtil.h"
#include "comm/Link.h"
#include <cstring>

namespace
{
ComPortProbe s_probe = nullptr;
}

ComPortProbe SetComPortProbe(ComPortProbe probe)
{
    ComPortProbe previous = s_probe;
    s_probe = probe;
    return previous;
}

DWORD ProbeComPort(int number)
{
    if (s_probe)
        return s_probe(number);
    char name[32];
    FormatText(name, sizeof(name), "\\\\.\\COM%d", number);
    HANDLE h = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    ::CloseHandle(h);
    return ERROR_SUCCESS;
}

CCommunicationDlg::CCommunicationDlg(DWORD linkMode, const char* portName, const char* tcpAddress, DWORD tcpPort)
    : m_linkMode(linkMode), m_tcpPort(tcpPort)
{
    CopyText(m_portName, sizeof(m_portName), portName);
    CopyText(m_tcpAddress, sizeof(m_tcpAddress), tcpAddress);
}

void CCommunicationDlg::FillPortList()
{
    HWND list = GetDlgItem(IDC_SELECT_LIST);
    for (int n = 1; n <= kMaxComPort; ++n)
    {
        // A port in use by another program is there all the same.
        DWORD result = ProbeComPort(n);
        if (result != ERROR_SUCCESS && result != ERROR_ACCESS_DENIED)
            continue;
        char name[16];
        FormatText(name, sizeof(name), "COM%d", n);
        int index = (int)::SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)name);
        // The whole name must match: "COM1" is not "COM10".
        if (index >= 0 && m_portName[0] && ::lstrcmpiA(name, m_portName) == 0)
            ::SendMessage(list, CB_SETCURSEL, index, 0);
    }
    if (!m_portName[0])
        ::SendMessage(list, CB_SETCURSEL, 0, 0);
    else if (::SendMessage(list, CB_GETCURSEL, 0, 0) == CB_ERR)
    {
        // The configured port is not there now (the device is unplugged):
        // nothing is selected, and OK keeps the configured name.
        ::SendMessage(list, CB_SETCURSEL, (WPARAM)-1, 0);
        ::SetWindowTextA(list, m_portName);
    }
}

void CCommunicationDlg::EnableForMode(bool tcp)
{
    for (int id : {IDC_USB_PORT_LABEL, IDC_SELECT_LIST})
        ::EnableWindow(GetDlgItem(id), !tcp);
    for (int id : {IDC_TCP_ADDRESS_LABEL, IDC_TCP_ADDRESS, IDC_TCP_PORT_LABEL, IDC_TCP_PORT})
        ::EnableWindow(GetDlgItem(id), tcp);
}

LRESULT CCommunicationDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    bool tcp = m_linkMode == LINK_TCP;
    ::CheckRadioButton(m_hWnd, IDC_LINK_USB, IDC_LINK_TCP, tcp ? IDC_LINK_TCP : IDC_LINK_USB);
    FillPortList();
    ::SendMessage(GetDlgItem(IDC_TCP_ADDRESS), EM_LIMITTEXT, sizeof(m_tcpAddress) - 1, 0);
    SetDlgItemText(IDC_TCP_ADDRESS, m_tcpAddress);
    m_portEdit.SubclassWindow(GetDlgItem(IDC_TCP_PORT));
    m_portEdit.SetAllowEmpty(TRUE);
    m_portEdit.SetRange(1, 65535, CNumericEdit::kNoDefault);
    // A port outside 1..65535 (0, or -1 from an empty box) is no port: the
    // box stays empty rather than showing a clamped number the user never chose.
    if (m_tcpPort >= 1 && m_tcpPort <= 65535)
        m_portEdit.SetValue((int)m_tcpPort);
    else
        m_portEdit.SetWindowText("");
    EnableForMode(tcp);
    return TRUE;
}

LRESULT CCommunicationDlg::OnLinkMode(WORD, WORD id, HWND, BOOL&)
{
    EnableForMode(id == IDC_LINK_TCP);
    return 0;
}

LRESULT CCommunicationDlg::OnOK(WORD, WORD, HWND, BOOL&)
{
    if (::IsDlgButtonChecked(m_hWnd, IDC_LINK_USB) == BST_CHECKED)
        m_linkMode = LINK_SERIAL;
    else if (::IsDlgButtonChecked(m_hWnd, IDC_LINK_TCP) == BST_CHECKED)
        m_linkMode = LINK_TCP;
    char port[sizeof(m_portName)];
    GetItemText(m_hWnd, IDC_SELECT_LIST, port, sizeof(port));
    if (port[0])
        CopyText(m_portName, sizeof(m_portName), port);
    GetItemText(m_hWnd, IDC_TCP_ADDRESS, m_tcpAddress, sizeof(m_tcpAddress));
    if (::GetWindowTextLengthA(GetDlgItem(IDC_TCP_PORT)) == 0)
        m_tcpPort = (DWORD)-1;
    else
        m_tcpPort = (DWORD)m_portEdit.GetValue();
    Finish(IDOK);
    return 0;
}

LRESULT CCommunicationDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    Finish(IDCANCEL);
    return 0;
}
