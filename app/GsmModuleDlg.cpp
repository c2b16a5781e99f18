#include "app/GsmModuleDlg.h"
#include "base/TextUtil.h"
#include "comm/DeviceProtocol.h"
#include "record/EntityNames.h"

GsmModuleInfoData GsmModuleInfoData::FromEngine(const CDeviceProtocol& engine, int module)
{
    GsmModuleInfoData info = {};
    info.module = module;
    CopyText(info.type, sizeof(info.type), engine.GetModuleType());
    CopyText(info.imei, sizeof(info.imei), engine.GetModuleImei());
    CopyText(info.imsi, sizeof(info.imsi), engine.GetModuleImsi());
    CopyText(info.network, sizeof(info.network), engine.GetModuleNetwork());
    return info;
}

LRESULT CGsmModuleInfoDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    char name[ENTITY_NAME_SIZE];
    GetModuleName(m_info.module, name);
    SetDlgItemText(IDC_GSM_GROUP, name);
    // A value the device did not send keeps the "not available" text.
    const struct
    {
        int id;
        const char* text;
    } values[] = {
        {IDC_GSM_TYPE, m_info.type},
        {IDC_GSM_IMEI, m_info.imei},
        {IDC_GSM_IMSI, m_info.imsi},
        {IDC_GSM_NETWORK, m_info.network},
    };
    for (const auto& v : values)
        if (v.text[0])
            SetDlgItemText(v.id, v.text);
    return TRUE;
}

LRESULT CGsmModuleInfoDlg::OnEnd(WORD, WORD id, HWND, BOOL&)
{
    Finish(id);
    return 0;
}

CGsmModuleResetDlg::CGsmModuleResetDlg(int index, const char* caption) : m_index(index)
{
    CopyText(m_caption, sizeof(m_caption), caption);
}

LRESULT CGsmModuleResetDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    SetWindowText(m_caption);
    HWND list = GetDlgItem(IDC_SELECT_LIST);
    for (int i = 0; i < kModuleCount; ++i)
    {
        char name[ENTITY_NAME_SIZE];
        GetModuleName(i, name);
        ::SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)name);
    }
    ::SendMessage(list, CB_SETCURSEL, (m_index >= 0 && m_index < kModuleCount) ? m_index : -1, 0);
    return TRUE;
}

LRESULT CGsmModuleResetDlg::OnOK(WORD, WORD, HWND, BOOL&)
{
    int selected = (int)::SendMessage(GetDlgItem(IDC_SELECT_LIST), CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR)
        m_index = selected;
    Finish(IDOK);
    return 0;
}

LRESULT CGsmModuleResetDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    Finish(IDCANCEL);
    return 0;
}
