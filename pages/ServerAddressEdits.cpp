#include "pages/ServerAddressEdits.h"
#include "record/ServerAddressText.h"

void CServerAddressEdits::Attach(HWND page, UINT hostId, UINT portId, int portDefault)
{
    m_host = ::GetDlgItem(page, (int)hostId);
    m_portId = portId;
    ::SendMessageA(m_host, EM_LIMITTEXT, CFG_SERVER_HOST_MAX, 0);
    m_port.SubclassWindow(::GetDlgItem(page, (int)portId));
    m_port.SetAllowEmpty(portDefault == CNumericEdit::kNoDefault);
    m_port.SetRange(1, 65535, portDefault);
}

void CServerAddressEdits::Fill(const char* field)
{
    char host[CFG_SERVER_HOST_MAX + 1];
    int port = 0;
    ParseServerAddress(field, host, sizeof(host), &port);
    ::SetWindowTextA(m_host, host);
    if (port != 0)
        m_port.SetValue(port);
}

void CServerAddressEdits::ReadHost(char* host, size_t size) const
{
    // The edit's limit does not hold for texts set by program: read bounded.
    ::GetWindowTextA(m_host, host, (int)size);
}

int CServerAddressEdits::PortValue()
{
    return ::GetWindowTextLengthA(m_port.m_hWnd) > 0 ? m_port.GetValue() : 0;
}

bool CServerAddressEdits::PortMissing()
{
    char host[CFG_SERVER_HOST_MAX + 1];
    ReadHost(host, sizeof(host));
    return host[0] != '\0' && PortValue() == 0;
}

void CServerAddressEdits::Store(char* field)
{
    char host[CFG_SERVER_HOST_MAX + 1];
    ReadHost(host, sizeof(host));
    BuildServerAddress(host, PortValue(), field);
}
