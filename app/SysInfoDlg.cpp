#include "app/SysInfoDlg.h"
#include "base/TextUtil.h"
#include "comm/DeviceProtocol.h"

SysInfoData SysInfoData::FromEngine(const CDeviceProtocol& engine)
{
    SysInfoData info = {};
    info.boardType = engine.GetBoardKind();
    CopyText(info.firmwareVersion, sizeof(info.firmwareVersion), engine.GetFirmwareVersion());
    CopyText(info.loaderVersion, sizeof(info.loaderVersion), engine.GetLoaderVersion());
    CopyText(info.voipVersion, sizeof(info.voipVersion), engine.GetVoipVersion());
    CopyText(info.deviceName, sizeof(info.deviceName), engine.GetDeviceName());
    // The control board reports its data partition as the board number and
    // its data version as the board value.
    info.dataVersion = engine.GetBoardValue();
    info.dataPartition = engine.GetBoardNumber();
    CopyText(info.ipAddress, sizeof(info.ipAddress), engine.GetIpAddress());
    CopyText(info.netMask, sizeof(info.netMask), engine.GetSubnetMask());
    CopyText(info.gateway, sizeof(info.gateway), engine.GetRouterAddress());
    info.dhcp = engine.GetDhcp();
    info.port = engine.GetTcpPort();
    return info;
}

void CSysInfoDlg::ShowValue(int id, const char* text)
{
    char na[MAX_PATH];
    if (!text || !text[0])
    {
        g_Language.GetString("strSysInfoNA", na, sizeof(na));
        text = na;
    }
    SetDlgItemText(id, text);
}

LRESULT CSysInfoDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    char text[MAX_PATH] = "";
    if (m_info.boardType == 0x83)
        g_Language.GetString("strSysInfoControlBoard", text, sizeof(text));
    else if (m_info.boardType >= 0x84 && m_info.boardType <= 0x8B)
    {
        char format[MAX_PATH];
        g_Language.GetString("strSysInfoPeriferalBoard", format, sizeof(format));
        FormatText(text, sizeof(text), format, m_info.boardType - 0x84);
    }
    SetDlgItemText(IDC_SYSINFO_GROUP, text);

    ShowValue(IDC_SYSINFO_FIRMWARE, m_info.firmwareVersion);
    ShowValue(IDC_SYSINFO_LOADER, m_info.loaderVersion);
    ShowValue(IDC_SYSINFO_VOIP, m_info.voipVersion);
    ShowValue(IDC_SYSINFO_NAME, m_info.deviceName);

    text[0] = '\0';
    if (m_info.dataVersion)
        FormatText(text, sizeof(text), "%#08lx", (unsigned long)m_info.dataVersion);
    ShowValue(IDC_SYSINFO_DATA_VERSION, text);

    ShowValue(IDC_SYSINFO_DATA_PARTITION,
              m_info.dataPartition == 0 ? "0" : m_info.dataPartition == 1 ? "1" : nullptr);
    ShowValue(IDC_SYSINFO_IP_ADDRESS, m_info.ipAddress);
    ShowValue(IDC_SYSINFO_NET_MASK, m_info.netMask);
    ShowValue(IDC_SYSINFO_GATEWAY, m_info.gateway);

    text[0] = '\0';
    if (m_info.dhcp == 0)
        g_Language.GetString("strSysInfoDhcpNo", text, sizeof(text));
    else if (m_info.dhcp == 1)
        g_Language.GetString("strSysInfoDhcpYes", text, sizeof(text));
    ShowValue(IDC_SYSINFO_DHCP, text);

    text[0] = '\0';
    if (m_info.port)
        FormatText(text, sizeof(text), "%d", (int)m_info.port);
    ShowValue(IDC_SYSINFO_PORT, text);
    return TRUE;
}

LRESULT CSysInfoDlg::OnEnd(WORD, WORD id, HWND, BOOL&)
{
    Finish(id);
    return 0;
}
