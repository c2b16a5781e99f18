#pragma once
#include "app/AppDlg.h"

class CDeviceProtocol;

// What the system information dialog shows: the engine's system and LAN
// information.
struct SysInfoData
{
    BYTE boardType;          // 0x83 control board, 0x84..0x8B peripheral boards
    char firmwareVersion[64];
    char loaderVersion[64];
    char voipVersion[64];
    char deviceName[64];
    DWORD dataVersion;       // 0: not known
    DWORD dataPartition;     // 0 or 1; anything else: not known
    char ipAddress[32];
    char netMask[32];
    char gateway[32];
    DWORD dhcp;              // 0 no, 1 yes, else not known
    DWORD port;              // 0: not known

    static SysInfoData FromEngine(const CDeviceProtocol& engine);
};

class CSysInfoDlg : public CAppDialog<CSysInfoDlg>
{
public:
    enum { IDD = IDD_SYSINFO };

    explicit CSysInfoDlg(const SysInfoData& info) : m_info(info) {}

    BEGIN_MSG_MAP(CSysInfoDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnEnd)
        COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);

private:
    void ShowValue(int id, const char* text);

    SysInfoData m_info;
};
