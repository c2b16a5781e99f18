#pragma once
#include "app/AppDlg.h"

class CDeviceProtocol;

// What the device told about one GSM module.
struct GsmModuleInfoData
{
    int module;              // 0-based module number
    char type[64];
    char imei[32];
    char imsi[32];
    char network[64];

    static GsmModuleInfoData FromEngine(const CDeviceProtocol& engine, int module);
};

class CGsmModuleInfoDlg : public CAppDialog<CGsmModuleInfoDlg>
{
public:
    enum { IDD = IDD_GSM_MODULE_INFO };

    explicit CGsmModuleInfoDlg(const GsmModuleInfoData& info) : m_info(info) {}

    BEGIN_MSG_MAP(CGsmModuleInfoDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnEnd)
        COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);

private:
    GsmModuleInfoData m_info;
};

// Chooses the GSM module to reset; result 1 with GetIndex.
class CGsmModuleResetDlg : public CAppDialog<CGsmModuleResetDlg>
{
public:
    enum { IDD = IDD_GSM_MODULE_RESET };
    static const int kModuleCount = 32;

    CGsmModuleResetDlg(int index, const char* caption);

    int GetIndex() const { return m_index; }

    BEGIN_MSG_MAP(CGsmModuleResetDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOK(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);

private:
    int m_index;
    char m_caption[MAX_PATH];
};
