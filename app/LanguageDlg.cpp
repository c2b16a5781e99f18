#include "app/LanguageDlg.h"
#include "base/DiskFile.h"

LRESULT CLanguageDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    HWND list = GetDlgItem(IDC_SELECT_LIST);
    int count = g_Language.GetLanguageCount();
    int selected = -1;
    for (int i = 1; i <= count; ++i)
    {
        char name[MAX_PATH], path[MAX_PATH];
        if (!g_Language.GetLanguageInfo(i, name, sizeof(name), path, sizeof(path)) || !FileExists(path))
            continue;
        int index = (int)::SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)name);
        if (index < 0)
            continue;
        ::SendMessage(list, CB_SETITEMDATA, index, i);
        if ((DWORD)i == m_language)
            selected = i;
    }
    // The list is sorted: find the current language's entry by its number.
    int entries = (int)::SendMessage(list, CB_GETCOUNT, 0, 0);
    int current = -1;
    for (int e = 0; e < entries && selected > 0; ++e)
        if ((int)::SendMessage(list, CB_GETITEMDATA, e, 0) == selected)
            current = e;
    ::SendMessage(list, CB_SETCURSEL, (WPARAM)current, 0);
    return TRUE;
}

LRESULT CLanguageDlg::OnOK(WORD, WORD, HWND, BOOL&)
{
    HWND list = GetDlgItem(IDC_SELECT_LIST);
    int index = (int)::SendMessage(list, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR)
        m_language = (DWORD)::SendMessage(list, CB_GETITEMDATA, index, 0);
    Finish(IDOK);
    return 0;
}

LRESULT CLanguageDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    Finish(IDCANCEL);
    return 0;
}
