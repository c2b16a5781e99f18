#pragma once
#include "app/AppDlg.h"

// Chooses the program's language among those of the language set whose file
// is there; result 1 with m_language (1-based).
class CLanguageDlg : public CAppDialog<CLanguageDlg>
{
public:
    enum { IDD = IDD_LANGUAGE };

    explicit CLanguageDlg(DWORD language) : m_language(language) {}

    DWORD m_language; // 0: none

    BEGIN_MSG_MAP(CLanguageDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOK(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
};
