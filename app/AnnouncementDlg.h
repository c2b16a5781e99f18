#pragma once
#include "app/AppDlg.h"

// Chooses the type of an announcement to load; result 1 with GetIndex (the
// announcement type), 2 on Cancel.
class CAnnouncementDlg : public CAppDialog<CAnnouncementDlg>
{
public:
    enum { IDD = IDD_ANNOUNCEMENT };

    explicit CAnnouncementDlg(int index) : m_index(index) {}

    int GetIndex() const { return m_index; }

    BEGIN_MSG_MAP(CAnnouncementDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOK(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);

private:
    int m_index;
};

// The program's name, version and copyright.
class CAboutDlg : public CAppDialog<CAboutDlg>
{
public:
    enum { IDD = IDD_ABOUT };

    BEGIN_MSG_MAP(CAboutDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnEnd)
        COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        PrepareDialog();
        return TRUE;
    }
    LRESULT OnEnd(WORD, WORD id, HWND, BOOL&)
    {
        Finish(id);
        return 0;
    }
};
