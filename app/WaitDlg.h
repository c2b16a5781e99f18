#pragma once
#include "app/AppDlg.h"

// A notice without buttons while the device works on its own (it restarts);
// the frame closes it when the device is back.
class CWaitDlg : public CAppDialog<CWaitDlg>
{
public:
    enum { IDD = IDD_WAIT };

    explicit CWaitDlg(const char* key);
    ~CWaitDlg() override;

    void SetText(const char* key);
    // Ends the notice; when it comes before the window exists, the notice
    // ends as soon as it opens.
    void Close();
    const char* GetText() const { return m_text; }

    BEGIN_MSG_MAP(CWaitDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        COMMAND_ID_HANDLER(ID_DIALOG_CLOSE, OnCloseCommand)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCloseCommand(WORD, WORD, HWND, BOOL&);

private:
    HFONT m_boldFont;
    bool m_closeRequested; // Close came before the window existed
    char m_text[MAX_PATH];
};
