#include "app/AnnouncementDlg.h"

namespace
{
// In the order of the announcement types.
const char* const kAnnouncementTypeKeys[] = {
    "strAnnouncementMOH",
    "strAnnouncementOutgoing",
    "strAnnouncementIncoming",
    "strAnnouncementDisa",
};
const int kAnnouncementTypeCount = sizeof(kAnnouncementTypeKeys) / sizeof(kAnnouncementTypeKeys[0]);
}

LRESULT CAnnouncementDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    HWND list = GetDlgItem(IDC_SELECT_LIST);
    for (const char* key : kAnnouncementTypeKeys)
    {
        char text[MAX_PATH];
        g_Language.GetString(key, text, sizeof(text));
        ::SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)text);
    }
    ::SendMessage(list, CB_SETCURSEL, (m_index >= 0 && m_index < kAnnouncementTypeCount) ? m_index : -1, 0);
    return TRUE;
}

LRESULT CAnnouncementDlg::OnOK(WORD, WORD, HWND, BOOL&)
{
    int selected = (int)::SendMessage(GetDlgItem(IDC_SELECT_LIST), CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR)
        m_index = selected;
    Finish(IDOK);
    return 0;
}

LRESULT CAnnouncementDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    Finish(IDCANCEL);
    return 0;
}
